// SPDX-License-Identifier: MIT
#include "generator/Synthesis.h"

#include "common/NumberText.h"

#include <algorithm>
#include <cmath>

namespace generator {

namespace {

// The phase constant is the decimal 3.14159 as written, not full-precision pi; the output
// frequencies are therefore a little below the nominal ones (by 0.8 ppm).
constexpr long double kPhaseConstant = 3.14159L;

// rnd(x), ties to even; a value that is not a number (no frame rate) counts as silence.
long long Rnd(long double x) {
    if (std::isnan(x)) {
        return 0;
    }
    return std::llrint(std::clamp(x, -1e18L, 1e18L));
}

// rnd(sin(phase(n, frequency)) * amplitude), phase and sine in extended precision.
//
// The extended sine costs several times the double one, and two of them per sample make up
// nearly all of a block's time. For phases below 1e5 rad and amplitudes up to 2^16 the double
// sine of the phase (rounded to double) is within 3e-7 sample units of the extended product,
// so it rounds the same way unless it lies within 1e-4 of a rounding boundary; only there is
// the extended sine evaluated. The result is the extended one in every case.
long long Tone(int n, std::int32_t frameRate, std::int32_t amplitude, std::int32_t frequency) {
    if (amplitude == 0 || frequency == 0) {
        return 0; // a generator that is off contributes exactly 0
    }
    const long double phase =
        static_cast<long double>(n) / frameRate * kPhaseConstant * 2 * frequency;
    if (std::fabs(phase) < 1e5L && amplitude >= -65536 && amplitude <= 65536) {
        const double fast = std::sin(static_cast<double>(phase)) * amplitude;
        if (std::fabs(fast - std::floor(fast) - 0.5) > 1e-4) {
            return std::llround(fast);
        }
    }
    return Rnd(std::sin(phase) * amplitude);
}

// A wrapped value would put a full-scale jump into the output, so the sample is clipped.
std::int16_t Clip(long long value) {
    return static_cast<std::int16_t>(std::clamp<long long>(value, -32768, 32767));
}

std::int32_t ReadField(std::string& text) {
    if (text.empty()) {
        text.push_back('1'); // an empty field counts as 1
    }
    return common::StrToInt(text);
}

// rnd(value / divisor), at least 1.
std::int32_t AtLeastOne(std::int32_t value, int divisor) {
    return static_cast<std::int32_t>(
        std::max<long long>(Rnd(static_cast<long double>(value) / divisor), 1));
}

int Capacity(std::span<std::int16_t> buffer, int samples) {
    return static_cast<int>(
        std::min<std::size_t>(buffer.size(), static_cast<std::size_t>(samples)));
}

} // namespace

std::int32_t FillTwoTone(std::span<std::int16_t> buffer, std::int32_t frameRate,
                         const TwoTone& generators) {
    const int count = Capacity(buffer, kTwoToneSamples);
    for (int n = 0; n < count; ++n) {
        const long long a = Tone(n, frameRate, generators.gen1Amplitude, generators.gen1Frequency);
        const long long b = Tone(n, frameRate, generators.gen2Amplitude, generators.gen2Frequency);
        buffer[static_cast<std::size_t>(n)] = Clip(a + b);
    }
    return 2 * count;
}

std::int32_t TwoToneBlocks::Fill(std::span<std::int16_t> buffer, std::int32_t frameRate,
                                 const TwoTone& generators) {
    const auto count = static_cast<std::size_t>(Capacity(buffer, kTwoToneSamples));
    if (count != last_.size() || frameRate != lastFrameRate_ || generators != lastGenerators_) {
        const std::int32_t bytes = FillTwoTone(buffer, frameRate, generators);
        last_.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(count));
        lastFrameRate_ = frameRate;
        lastGenerators_ = generators;
        return bytes;
    }
    std::copy(last_.begin(), last_.end(), buffer.begin());
    return static_cast<std::int32_t>(2 * count);
}

std::int32_t FillSweep(std::span<std::int16_t> buffer, std::int32_t frameRate,
                       std::int32_t gen1Amplitude, SweepFields& fields, RampState& ramp) {
    const std::int32_t start = ReadField(fields.startText);
    ramp.rampFrequency = AtLeastOne(start, 5);
    const std::int32_t step = ReadField(fields.stepText);
    ramp.rampStepSamples = AtLeastOne(step, 25);
    ramp.rampStepCounter = 0;
    const int count = Capacity(buffer, kSweepSamples);
    for (int n = 0; n < count; ++n) {
        buffer[static_cast<std::size_t>(n)] =
            Clip(Tone(n, frameRate, gen1Amplitude, ramp.rampFrequency));
        if (++ramp.rampStepCounter == ramp.rampStepSamples) {
            ++ramp.rampFrequency;
            ramp.rampStepCounter = 0;
        }
    }
    return 2 * count;
}

} // namespace generator
