// SPDX-License-Identifier: MIT
#pragma once

// Frequency measurement of one channel: the positive half-waves of the channel array are
// smoothed, one rising half-wave is timed, and the result (or generator 1's frequency when
// the time base follows the generator) becomes the readout text.
//
// Called by the window (TForm1::MeasureFrequencyL / MeasureFrequencyR) on the user-interface
// thread, right after the channel's level measurement. Pure: works only on the arguments.

#include "measure/Channel.h"

#include <cstdint>
#include <span>
#include <string>

namespace measure {

// Position at which both half-wave searches give up (unless the end search starts beyond it).
inline constexpr int kSearchLimit = 20000;
// Divisor of the half-wave smoothing; the measurement always sets it.
inline constexpr std::int32_t kSmoothing = 16;

// The half-wave data of one channel, shared with the trigger search of the trace display.
// References to the window's halfWaveL/R, halfWaveStartL/R and smoothingL/R.
struct HalfWaveRef {
    std::span<std::int32_t> halfWave; // smoothed positive half-waves (kChannelSize entries)
    std::uint16_t& halfWaveStart;     // position of the first positive sample
    std::int32_t& smoothing;          // smoothing divisor
};

// Which threshold the timing of channel R uses: the channel's own range factor, or, while the
// 20 V or 50 V range is applied (appliedRangeR), the factor 0.01 (threshold 100 units).
enum class ThresholdRange { Own, Range20V, Range50V };

struct FrequencyInput {
    std::span<const std::int32_t> samples; // samplesL / samplesR, as MeasureLevel left them
    std::int32_t captureCount;
    double scale;                  // scaleL / scaleR: the threshold is 1 / scale
    ThresholdRange thresholdRange; // always Own for channel L
    bool generatorTimeBase;        // generatorTimeBase = 1: show gen1Frequency
    std::int32_t gen1Frequency;    // Hz
};

struct FrequencyResult {
    double measuredFrequency; // Hz, last half-wave timing (measuredFrequencyL/R)
    double frequency;         // Hz, the frequency shown (frequencyL/R)
    std::string text;         // readout: Edit12 (L) or Edit8 (R)
    bool hidePanel14;         // true: hide Panel14; false: leave it as it is
    double scale;             // store back into scaleL / scaleR (changed only for 20 V / 50 V)
};

// The whole measurement of one channel: a coarse pass (step 3, blank 95), and when the
// frequency is above 100 Hz a fine pass (step 1, blank 5) replacing it. Readouts:
//   f <= 100          " " + Round(f) right-aligned in 5 + "Hz"          ("   100Hz")
//   100 < f <= 2500   " " + v right-aligned in 4 + "Hz", Panel14 hidden, v = Round(f) with the
//                     generator time base, else the nearest even number   ("  1234Hz")
//   f > 2500          "f > fmax"
// halfWave.smoothing is set to 16; halfWave.halfWave and halfWaveStart are updated.
FrequencyResult MeasureFrequency(Channel channel, const FrequencyInput& input,
                                 const HalfWaveRef& halfWave);

// The steps of one pass, public for the trace display and for tests. Every loop stops at the
// end of the arrays it touches, whatever the data.

// First position p in 1 .. captureCount with samples[p] > 0: halfWaveStart := p and
// halfWave[p] := samples[p]. Without a positive sample both keep their content.
void FindFirstPositive(std::span<const std::int32_t> samples, std::int32_t captureCount,
                       std::span<std::int32_t> halfWave, std::uint16_t& halfWaveStart);

// One-pole low-pass (factor 1/smoothing) of the positive half-waves from halfWaveStart + 1 to
// captureCount, forced to 0 at every negative sample.
void SmoothPositiveHalfWaves(std::span<const std::int32_t> samples, std::int32_t captureCount,
                             std::int32_t smoothing, std::span<std::int32_t> halfWave,
                             std::uint16_t halfWaveStart);

// Times one smoothed half-wave from halfWaveStart: finds a rising start (a value at most
// `threshold` followed by larger values halfWaveStep and 2 * halfWaveStep later), skips
// halfWaveBlank positions, finds the next zero, and returns 22050 / (end - start) in Hz.
double TimeHalfWave(std::span<const std::int32_t> halfWave, std::uint16_t halfWaveStart,
                    std::uint16_t halfWaveStep, std::int16_t halfWaveBlank, double threshold);

} // namespace measure
