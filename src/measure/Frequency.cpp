// SPDX-License-Identifier: MIT
#include "measure/Frequency.h"

#include "common/NumberText.h"

#include <algorithm>
#include <cmath>

namespace measure {

namespace {

// A position past the end of an array reads as 0, the value a silent signal leaves there.
std::int32_t At(std::span<const std::int32_t> values, long long position) {
    return position >= 0 && position < static_cast<long long>(values.size())
               ? values[static_cast<std::size_t>(position)]
               : 0;
}

struct Pass {
    std::uint16_t halfWaveStep;
    std::int16_t halfWaveBlank;
};
constexpr Pass kCoarsePass{3, 95};
constexpr Pass kFinePass{1, 5};

// The range factor the timing uses as threshold scale, and the one the channel keeps after.
struct ThresholdScales {
    double during;
    double after;
};

ThresholdScales ScalesFor(Channel channel, const FrequencyInput& input) {
    if (channel == Channel::R && input.thresholdRange == ThresholdRange::Range20V) {
        return {0.01, 0.005};
    }
    if (channel == Channel::R && input.thresholdRange == ThresholdRange::Range50V) {
        return {0.01, 0.002};
    }
    return {input.scale, input.scale};
}

double RunPass(const FrequencyInput& input, const HalfWaveRef& halfWave, Pass pass,
               double thresholdScale) {
    halfWave.smoothing = kSmoothing;
    FindFirstPositive(input.samples, input.captureCount, halfWave.halfWave, halfWave.halfWaveStart);
    SmoothPositiveHalfWaves(input.samples, input.captureCount, halfWave.smoothing,
                            halfWave.halfWave, halfWave.halfWaveStart);
    return TimeHalfWave(halfWave.halfWave, halfWave.halfWaveStart, pass.halfWaveStep,
                        pass.halfWaveBlank, 1 / thresholdScale);
}

} // namespace

void FindFirstPositive(std::span<const std::int32_t> samples, std::int32_t captureCount,
                       std::span<std::int32_t> halfWave, std::uint16_t& halfWaveStart) {
    // Positions are 16-bit; the channel arrays never reach that far.
    const long long last =
        std::min<long long>({captureCount, static_cast<long long>(samples.size()) - 1,
                             static_cast<long long>(halfWave.size()) - 1, 65535});
    for (long long p = 1; p <= last; ++p) {
        const auto position = static_cast<std::size_t>(p);
        if (samples[position] > 0) {
            halfWaveStart = static_cast<std::uint16_t>(p);
            halfWave[position] = samples[position];
            return;
        }
    }
}

void SmoothPositiveHalfWaves(std::span<const std::int32_t> samples, std::int32_t captureCount,
                             std::int32_t smoothing, std::span<std::int32_t> halfWave,
                             std::uint16_t halfWaveStart) {
    const long long last =
        std::min<long long>({captureCount, static_cast<long long>(samples.size()) - 1,
                             static_cast<long long>(halfWave.size()) - 1});
    const double k = smoothing;
    for (long long i = halfWaveStart + 1LL; i <= last; ++i) {
        const auto position = static_cast<std::size_t>(i);
        const std::int32_t sample = samples[position];
        if (sample < 0) {
            halfWave[position] = 0;
        } else {
            const double previous = halfWave[position - 1];
            halfWave[position] = static_cast<std::int32_t>(sample / k + previous - previous / k);
        }
    }
}

double TimeHalfWave(std::span<const std::int32_t> halfWave, std::uint16_t halfWaveStart,
                    std::uint16_t halfWaveStep, std::int16_t halfWaveBlank, double threshold) {
    const long long size = static_cast<long long>(halfWave.size());
    const long long d = halfWaveStep;
    long long pos = halfWaveStart;
    // Rising start: a low value followed by two larger ones d and 2d later.
    do {
        const std::int32_t a = At(halfWave, pos);
        ++pos;
        if (a <= threshold && At(halfWave, pos - 1 + d) > a && At(halfWave, pos - 1 + 2 * d) > a) {
            break;
        }
    } while (pos < kSearchLimit);
    const long long start = pos - 1;
    pos += halfWaveBlank;
    // End: one past the first zero. A search that starts beyond the limit runs to the first
    // zero or to the end of the array.
    while (pos >= 0 && pos < size) {
        const std::int32_t a = halfWave[static_cast<std::size_t>(pos)];
        ++pos;
        if (a == 0 || pos == kSearchLimit) {
            break;
        }
    }
    long long end = pos;
    if (end == start) {
        end = start + 1;
    }
    return 22050.0 / static_cast<double>(end - start);
}

} // namespace measure

namespace measure {

FrequencyResult MeasureFrequency(Channel channel, const FrequencyInput& input,
                                 const HalfWaveRef& halfWave) {
    const ThresholdScales scales = ScalesFor(channel, input);
    FrequencyResult result{0.0, 0.0, {}, false, scales.after};
    auto measure = [&](Pass pass) {
        result.measuredFrequency = RunPass(input, halfWave, pass, scales.during);
        result.frequency = input.generatorTimeBase ? input.gen1Frequency : result.measuredFrequency;
    };
    measure(kCoarsePass);
    if (result.frequency <= 100) {
        result.text =
            " " + common::FormatInt(std::llround(std::nearbyint(result.frequency)), 5) + "Hz";
        return result;
    }
    measure(kFinePass);
    if (result.frequency > 2500) {
        result.text = "f > fmax";
        return result;
    }
    // The measured value is shown to the nearest even hertz, which steadies the last digit.
    const long long shown = input.generatorTimeBase
                                ? std::llround(std::nearbyint(result.frequency))
                                : 2 * std::llround(std::nearbyint(result.frequency / 2));
    result.text = " " + common::FormatInt(shown, 4) + "Hz";
    result.hidePanel14 = true;
    return result;
}

} // namespace measure
