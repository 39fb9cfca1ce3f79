// SPDX-License-Identifier: MIT
#pragma once

// Synthesis of the output blocks: generator 1 plus generator 2 (mode 0), or the swept signal
// (mode 1). Each block starts at phase 0; a sine of frequency f at sample n has the phase
// n / frameRate * 3.14159 * 2 * f, in extended precision.
//
// Called by the window's output handler (TForm1::AudioOut1FillBuffer) on the user-interface
// thread each time the playback stream asks for a block. Pure: works only on the arguments, but
// for TwoToneBlocks, which keeps the last block it wrote.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace generator {

inline constexpr int kTwoToneSamples = 22050; // mode 0 block: 0.5 s at 44 100 per second
inline constexpr int kSweepSamples = 5000;    // mode 1 block
inline constexpr std::int32_t kTwoToneBytes = 2 * kTwoToneSamples;
inline constexpr std::int32_t kSweepBytes = 2 * kSweepSamples;

// The generator parameters of mode 0 (amplitudes in sample units, frequencies in Hz).
struct TwoTone {
    std::int32_t gen1Amplitude;
    std::int32_t gen1Frequency;
    std::int32_t gen2Amplitude;
    std::int32_t gen2Frequency;
    bool operator==(const TwoTone&) const = default;
};

// The swept signal's variables (rampFrequency, rampStepSamples, rampStepCounter of the
// window); every mode 1 block sets them afresh and leaves them as they stand at its end.
struct RampState {
    std::int32_t rampFrequency = 0;   // Hz, current frequency of the sweep
    std::int32_t rampStepSamples = 0; // samples per 1 Hz rise
    std::int32_t rampStepCounter = 0; // samples since the last rise
};

// The texts of the swept panel's fields: Edit106 (start: the sweep starts at value / 5 Hz) and
// Edit110 (step: the sweep rises 1 Hz every value / 25 samples).
struct SweepFields {
    std::string startText;
    std::string stepText;
};

// Mode 0: sample n = rnd(sin(phase(n, gen1Frequency)) * gen1Amplitude)
//                  + rnd(sin(phase(n, gen2Frequency)) * gen2Amplitude),
// the sum limited to -32768 .. 32767 (never wrapped). Writes kTwoToneSamples samples, or as
// many as `buffer` holds, and returns the number of bytes written (Size: 44 100).
std::int32_t FillTwoTone(std::span<std::int16_t> buffer, std::int32_t frameRate,
                         const TwoTone& generators);

// Mode 0 blocks as FillTwoTone writes them. A block depends only on the settings, the frame
// rate and its length, since every block starts at phase 0: while they stay, each block repeats
// the last one, which is copied instead of computed again (half a second of sines costs some
// milliseconds, twice a second, for as long as the generators play).
class TwoToneBlocks {
public:
    std::int32_t Fill(std::span<std::int16_t> buffer, std::int32_t frameRate,
                      const TwoTone& generators);

private:
    std::vector<std::int16_t> last_;
    std::int32_t lastFrameRate_ = 0;
    TwoTone lastGenerators_{};
};

// Mode 1: reads the two fields (an empty field becomes "1" in `fields` first), starts the sweep
// at rnd(start / 5) Hz (at least 1) rising 1 Hz every rnd(step / 25) samples (at least 1), and
// writes rnd(sin(phase(n, rampFrequency)) * gen1Amplitude), limited to the 16-bit range.
// Writes kSweepSamples samples, or as many as `buffer` holds, and returns the bytes written
// (Size: 10 000). A field that is not an integer throws common::ConvertError ("'<text>' is not
// a valid integer value") before anything is written; `fields` may already hold a "1" put into
// an empty field, so the caller copies both texts back to Edit106 and Edit110 in either case.
std::int32_t FillSweep(std::span<std::int16_t> buffer, std::int32_t frameRate,
                       std::int32_t gen1Amplitude, SweepFields& fields, RampState& ramp);

} // namespace generator
