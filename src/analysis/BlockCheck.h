// SPDX-License-Identifier: MIT
#pragma once

// What the analysis needs to know about one channel's captured block before it measures it:
// its peak, whether it is silent and whether the card clipped it.
//
// Pure; called by the analysis routines on whatever thread runs them.

#include <cstdint>
#include <span>

namespace analysis {

// Full scale of a channel in sample units (16-bit samples, sign-extended).
inline constexpr std::int32_t kFullScale = 32767;
// A channel whose peak |x| stays under 1 % of full scale carries no signal worth measuring.
inline constexpr std::int32_t kSilentPeak = 328;
// Samples on the rails (>= +32767 or <= -32768) from which a block counts as clipped: one or
// two such samples are a full-scale sine touching its peak or a lone spike, three are not.
inline constexpr int kClippedSamples = 3;
// The shortest block the analysis accepts.
inline constexpr std::size_t kMinBlockSize = 64;

// One pass over a block gives all of these.
struct BlockCheck {
    std::int32_t peak = 0; // max |x| in sample units
    bool silent = true;    // peak < kSilentPeak (also true for a block shorter than kMinBlockSize)
    bool clipped = false;  // at least kClippedSamples samples on the rails
    double mean = 0;       // sample units
    double acPower = 0;    // mean square about the mean, sample units squared
    std::int32_t low = 0;  // smallest sample (0 for an empty block)
    std::int32_t high = 0; // largest sample (0 for an empty block)
};

BlockCheck CheckBlock(std::span<const std::int32_t> samples);

} // namespace analysis
