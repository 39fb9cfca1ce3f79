// SPDX-License-Identifier: MIT
#pragma once

// The forward FFT of a real block through KissFFT's real transform, with the transform's plan
// kept for the block length last used: blocks of one length cost no allocation after the first.
//
// Pure; one object per user and thread (the plan and buffers are not shared).

#include <complex>
#include <cstddef>
#include <memory>
#include <span>
#include <vector>

namespace analysis {

class RealFft {
public:
    RealFft();
    ~RealFft();
    RealFft(const RealFft&) = delete;
    RealFft& operator=(const RealFft&) = delete;

    // The input buffer of a transform of `length` points (even, >= 2): fill it, then call
    // Transform. Valid until the next call with another length.
    std::span<float> Input(std::size_t length);
    // Bins 0 .. length / 2 of the transform of the input buffer (unnormalised).
    std::span<const std::complex<float>> Transform();

private:
    struct Plan;
    std::unique_ptr<Plan> plan;
};

} // namespace analysis
