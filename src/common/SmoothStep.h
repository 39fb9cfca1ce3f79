// SPDX-License-Identifier: MIT
#pragma once

// One step of the low-pass that smooths half-waves, shared by the frequency measurement and the
// trigger search of the display cycle.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

namespace common {

// Trunc(sample / k + previous - previous / k) in real arithmetic. For a power-of-two k up to
// 2^16 every intermediate is exact in a double for 32-bit operands, so the value is exactly
// (sample + (k - 1) * previous) / k, and a shift gives the same truncation at a fraction of
// the cost; the display cycle runs this over the whole block on every pass.
class SmoothStep {
public:
    explicit SmoothStep(std::int32_t k)
        : k_(k), shift_(k > 0 && k <= 65536 && std::has_single_bit(static_cast<unsigned>(k))
                            ? std::countr_zero(static_cast<unsigned>(k))
                            : -1) {}

    std::int32_t operator()(std::int32_t sample, std::int32_t previous) const {
        if (shift_ >= 0) {
            const long long sum = sample + static_cast<long long>(k_ - 1) * previous;
            return static_cast<std::int32_t>(sum >= 0 ? sum >> shift_ : -(-sum >> shift_));
        }
        const double divisor = k_;
        const double g = previous;
        const double value = sample / divisor + g - g / divisor;
        if (std::isnan(value)) { // a divisor of 0 smooths nothing
            return 0;
        }
        return static_cast<std::int32_t>(std::clamp(value, -2147483648.0, 2147483647.0));
    }

private:
    std::int32_t k_;
    int shift_;
};

} // namespace common
