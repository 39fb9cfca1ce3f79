// SPDX-License-Identifier: MIT
#include "measure/Level.h"

#include "common/NumberText.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace measure {

namespace {

std::int32_t ReadOrZero(std::span<const std::int32_t> values, long long position) {
    return position >= 0 && position < static_cast<long long>(values.size())
               ? values[static_cast<std::size_t>(position)]
               : 0;
}

// Copies the channel's value of each frame; at least position 0, even for an empty block.
void Deinterleave(Channel channel, std::span<const std::int32_t> captureSamples,
                  std::int32_t captureCount, std::span<std::int32_t> samples) {
    const long long firstValue = channel == Channel::L ? 1 : 0;
    const long long last =
        std::min<long long>(std::max(captureCount, 1), static_cast<long long>(samples.size()));
    for (long long k = 0; k < last; ++k) {
        samples[static_cast<std::size_t>(k)] = ReadOrZero(captureSamples, 2 * k + firstValue);
    }
}

// Peak, maximum and minimum over positions 1 .. captureCount-1 (at least position 1).
void Statistics(std::span<const std::int32_t> samples, std::int32_t captureCount,
                LevelResult& result) {
    const long long last =
        std::min<long long>(std::max(captureCount, 2), static_cast<long long>(samples.size()));
    for (long long k = 1; k < last; ++k) {
        const std::int32_t v = samples[static_cast<std::size_t>(k)];
        const long long magnitude = std::llabs(v);
        if (magnitude >= result.peak) {
            result.peak = static_cast<std::uint16_t>(magnitude);
        }
        if (v <= 32767 && v > result.max) {
            result.max = v;
        }
        if (v < 0 && v < result.min) {
            result.min = v;
        }
    }
}

// Mean square over captureCount positions, the squares taken at positions 1 .. captureCount
// (the last one is left from an earlier block, which is what the calibration assumes).
double RmsOf(std::span<const std::int32_t> samples, std::int32_t captureCount) {
    if (captureCount <= 0) {
        return 0.0;
    }
    double sum = 0.0;
    for (long long k = 1; k <= captureCount; ++k) {
        const long long v = ReadOrZero(samples, k);
        sum += static_cast<double>(v * v);
    }
    return std::sqrt(sum / captureCount);
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
