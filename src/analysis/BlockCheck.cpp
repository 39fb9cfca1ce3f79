// SPDX-License-Identifier: MIT
#include "analysis/BlockCheck.h"

#include <algorithm>
#include <array>
#include <limits>

namespace analysis {

namespace {

constexpr long long kInt32Max = std::numeric_limits<std::int32_t>::max();

} // namespace

BlockCheck CheckBlock(std::span<const std::int32_t> samples) {
    BlockCheck check;
    if (samples.empty()) {
        return check;
    }
    // Partial sums over four interleaved lanes: one running sum is a chain of dependent
    // additions, four keep the processor busy.
    constexpr std::size_t lanes = 4;
    std::array<double, lanes> sum{};
    std::array<double, lanes> squares{};
    std::array<std::int32_t, lanes> low;
    std::array<std::int32_t, lanes> high;
    std::array<int, lanes> onRails{};
    low.fill(samples.front());
    high.fill(samples.front());
    auto add = [&](std::size_t lane, std::int32_t value) {
        const double x = value;
        sum[lane] += x;
        squares[lane] += x * x;
        low[lane] = std::min(low[lane], value);
        high[lane] = std::max(high[lane], value);
        onRails[lane] += (value >= kFullScale || value <= -kFullScale - 1) ? 1 : 0;
    };
    const std::size_t whole = samples.size() / lanes * lanes;
    for (std::size_t i = 0; i < whole; i += lanes) {
        for (std::size_t lane = 0; lane < lanes; ++lane) {
            add(lane, samples[i + lane]);
        }
    }
    for (std::size_t i = whole; i < samples.size(); ++i) {
        add(0, samples[i]);
    }
    const double n = static_cast<double>(samples.size());
    check.mean = (sum[0] + sum[1] + sum[2] + sum[3]) / n;
    const double meanSquare = (squares[0] + squares[1] + squares[2] + squares[3]) / n;
    check.acPower = std::max(0.0, meanSquare - check.mean * check.mean);
    check.low = *std::min_element(low.begin(), low.end());
    check.high = *std::max_element(high.begin(), high.end());
    // |low| in 64 bits: -2^31 has no 32-bit magnitude.
    check.peak = static_cast<std::int32_t>(std::min<long long>(
        std::max<long long>(check.high, -static_cast<long long>(check.low)), kInt32Max));
    check.silent = samples.size() < kMinBlockSize || check.peak < kSilentPeak;
    check.clipped = onRails[0] + onRails[1] + onRails[2] + onRails[3] >= kClippedSamples;
    return check;
}

} // namespace analysis
