// SPDX-License-Identifier: MIT
#include "measure/Frequency.h"

#include "common/NumberText.h"
#include "common/SmoothStep.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

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

void Smooth(const FrequencyInput& input, const HalfWaveRef& halfWave) {
    halfWave.smoothing = kSmoothing;
    FindFirstPositive(input.samples, input.captureCount, halfWave.halfWave, halfWave.halfWaveStart);
    SmoothPositiveHalfWaves(input.samples, input.captureCount, halfWave.smoothing,
                            halfWave.halfWave, halfWave.halfWaveStart);
}

double Time(const HalfWaveRef& halfWave, Pass pass, double thresholdScale) {
    return TimeHalfWave(halfWave.halfWave, halfWave.halfWaveStart, pass.halfWaveStep,
                        pass.halfWaveBlank, 1 / thresholdScale);
}

// The largest integer value that is at most `threshold` (no value at all for NaN).
long long ThresholdBound(double threshold) {
    if (std::isnan(threshold)) {
        return std::numeric_limits<long long>::min();
    }
    return static_cast<long long>(std::floor(std::clamp(threshold, -1e12, 1e12)));
}

// First position from `from` on whose value is at most the threshold while the values d and
// 2d further on are larger; the search gives up at the limit (returning limit - 1), or after
// one position when it starts beyond it. Positions past the array read as 0.
long long FindRisingStart(std::span<const std::int32_t> g, long long from, long long d,
                          double threshold) {
    const long long bound = ThresholdBound(threshold);
    auto rises = [&](auto read, long long p) {
        const std::int32_t a = read(p);
        return a <= bound && read(p + d) > a && read(p + 2 * d) > a;
    };
    auto direct = [&](long long p) { return g[static_cast<std::size_t>(p)]; };
    auto checked = [&](long long p) { return At(g, p); };
    // Where all three reads lie inside the array, no read needs a check.
    const long long uncheckedEnd = std::min<long long>(kSearchLimit - 1, std::ssize(g) - 2 * d);
    long long p = from;
    for (; p < uncheckedEnd; ++p) {
        if (rises(direct, p)) {
            return p;
        }
    }
    for (;; ++p) {
        if (rises(checked, p) || p + 1 >= kSearchLimit) {
            return p;
        }
    }
}

// " 1234Hz": the readout text. Built by appending, because GCC 12 at -O3 reports a false
// -Wrestrict overlap in a chain of std::string operator+ calls.
std::string HertzText(long long hertz, int width) {
    std::string text = " ";
    text += common::FormatInt(hertz, width);
    text += "Hz";
    return text;
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
    if (halfWaveStart >= last) {
        return;
    }
    const common::SmoothStep step(smoothing);
    std::int32_t previous = halfWave[halfWaveStart];
    for (long long i = halfWaveStart + 1LL; i <= last; ++i) {
        const auto position = static_cast<std::size_t>(i);
        const std::int32_t sample = samples[position];
        previous = sample < 0 ? 0 : step(sample, previous);
        halfWave[position] = previous;
    }
}

double TimeHalfWave(std::span<const std::int32_t> halfWave, std::uint16_t halfWaveStart,
                    std::uint16_t halfWaveStep, std::int16_t halfWaveBlank, double threshold) {
    const long long start = FindRisingStart(halfWave, halfWaveStart, halfWaveStep, threshold);
    long long pos = start + 1 + halfWaveBlank;
    // End: one past the first zero. A search that starts beyond the limit runs to the first
    // zero or to the end of the array.
    const long long size = std::ssize(halfWave);
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
        result.measuredFrequency = Time(halfWave, pass, scales.during);
        result.frequency = input.generatorTimeBase ? input.gen1Frequency : result.measuredFrequency;
    };
    // Both passes smooth the same samples into the same values, so the smoothing runs once.
    Smooth(input, halfWave);
    measure(kCoarsePass);
    if (result.frequency <= 100) {
        result.text = HertzText(std::llround(std::nearbyint(result.frequency)), 5);
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
    result.text = HertzText(shown, 4);
    result.hidePanel14 = true;
    return result;
}

} // namespace measure
