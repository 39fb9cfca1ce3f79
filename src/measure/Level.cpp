// SPDX-License-Identifier: MIT
#include "measure/Level.h"

#include "common/NumberText.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace measure {

namespace {

// Copies the channel's value of each frame; at least position 0, even for an empty block.
void Deinterleave(Channel channel, std::span<const std::int32_t> captureSamples,
                  std::int32_t captureCount, std::span<std::int32_t> samples) {
    const long long firstValue = channel == Channel::L ? 1 : 0;
    const long long last =
        std::min<long long>(std::max(captureCount, 1), static_cast<long long>(samples.size()));
    const long long inside =
        std::min(last, (static_cast<long long>(captureSamples.size()) - firstValue + 1) / 2);
    long long k = 0;
    for (; k < inside; ++k) {
        samples[static_cast<std::size_t>(k)] =
            captureSamples[static_cast<std::size_t>(2 * k + firstValue)];
    }
    std::fill(samples.begin() + k, samples.begin() + std::max(k, last), 0);
}

// Peak, maximum and minimum over positions 1 .. captureCount-1 (at least position 1).
void Statistics(std::span<const std::int32_t> samples, std::int32_t captureCount,
                LevelResult& result) {
    const long long last =
        std::min<long long>(std::max(captureCount, 2), static_cast<long long>(samples.size()));
    long long peak = 0;
    std::int32_t max = 0;
    std::int32_t min = 0;
    for (long long k = 1; k < last; ++k) {
        const std::int32_t v = samples[static_cast<std::size_t>(k)];
        peak = std::max(peak, std::llabs(v));
        if (v <= 32767) {
            max = std::max(max, v);
        }
        min = std::min(min, v);
    }
    result.peak = static_cast<std::uint16_t>(peak);
    result.max = max;
    result.min = min;
}

// Mean square over captureCount positions, the squares taken at positions 1 .. captureCount
// (the last one keeps what an earlier run left there, 0 in normal operation); the conversion
// factors are calibrated for this mean.
double RmsOf(std::span<const std::int32_t> samples, std::int32_t captureCount) {
    if (captureCount <= 0) {
        return 0.0;
    }
    // Squares of 16-bit samples are at most 2^30, so every partial sum over the arrays is an
    // integer below 2^53: summing in integers gives exactly what adding each square to a
    // double gives, and lets the loop run several squares at a time.
    const long long inside = std::min<long long>(captureCount, std::ssize(samples) - 1);
    std::uint64_t sum = 0;
    for (long long k = 1; k <= inside; ++k) {
        const long long v = samples[static_cast<std::size_t>(k)];
        sum += static_cast<std::uint64_t>(v * v);
    }
    return std::sqrt(static_cast<double>(sum) / captureCount);
}

} // namespace

LevelResult MeasureLevel(Channel channel, std::span<const std::int32_t> captureSamples,
                         std::int32_t captureCount, std::span<std::int32_t> samples, double scale) {
    LevelResult result{0, 0, 0, 0.0, {}, channel == Channel::L};
    Deinterleave(channel, captureSamples, captureCount, samples);
    Statistics(samples, captureCount, result);
    result.rms = RmsOf(samples, captureCount) * scale;
    result.text = LevelText(result.rms, channel);
    return result;
}

std::string LevelText(double x, Channel channel) {
    const bool current = channel == Channel::L;
    if (x < 100) {
        // Whole tenths first, so that the text shows exactly the rounded value.
        const long double tenths = std::nearbyint(10 * x);
        return common::FormatReal(tenths / 10, 1, 4) + (current ? "mA" : "mV");
    }
    if (x < 1000) {
        return common::FormatInt(std::llround(std::nearbyint(x)), 4) + (current ? "mA" : "mV");
    }
    // Round(x) / 1000 with two decimals: the last digit is dropped from the whole number in
    // decimal, half away from zero, so that 12345 shows 12.35 whatever its binary form.
    const long long whole = std::llround(std::nearbyint(x));
    const long long hundredths = (whole + 5) / 10;
    return common::FormatReal(static_cast<long double>(hundredths) / 100, 2) +
           (current ? "A" : "V");
}

} // namespace measure
