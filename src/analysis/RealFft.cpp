// SPDX-License-Identifier: MIT
#include "analysis/RealFft.h"

#include <kiss_fftr.h>

#include <new>
#include <stdexcept>

namespace analysis {

// kiss_fft_cpx is two floats, laid out as std::complex<float> is.
static_assert(sizeof(kiss_fft_cpx) == sizeof(std::complex<float>));

struct RealFft::Plan {
    std::size_t length = 0;
    kiss_fftr_cfg config = nullptr;
    std::vector<float> input;
    std::vector<std::complex<float>> output;

    ~Plan() { kiss_fftr_free(config); }
};

RealFft::RealFft() : plan(std::make_unique<Plan>()) {}
RealFft::~RealFft() = default;

std::span<float> RealFft::Input(std::size_t length) {
    if (length < 2 || length % 2 != 0) {
        throw std::invalid_argument("real FFT length must be even and at least 2");
    }
    if (length != plan->length) {
        kiss_fftr_free(plan->config);
        plan->config = kiss_fftr_alloc(static_cast<int>(length), 0, nullptr, nullptr);
        if (plan->config == nullptr) {
            plan->length = 0;
            throw std::bad_alloc();
        }
        plan->length = length;
        plan->input.assign(length, 0.0f);
        plan->output.assign(length / 2 + 1, {});
    }
    return plan->input;
}

std::span<const std::complex<float>> RealFft::Transform() {
    if (plan->config == nullptr) {
        throw std::logic_error("real FFT transform before its input");
    }
    kiss_fftr(plan->config, plan->input.data(),
              reinterpret_cast<kiss_fft_cpx*>(plan->output.data()));
    return plan->output;
}

} // namespace analysis
