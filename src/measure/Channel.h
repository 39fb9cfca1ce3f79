// SPDX-License-Identifier: MIT
#pragma once

// The two measuring channels and the sizes of the arrays that hold a captured block.
// Pure definitions, usable from any thread.

namespace measure {

// L carries the current (second value of each captured frame, capture position 2k + 1),
// R the voltage (first value of each frame, capture position 2k).
enum class Channel { L, R };

// Entries of the program-wide capture array (`captureSamples`).
inline constexpr int kCaptureSize = 44101;
// Entries of each channel array (`samplesL`, `samplesR`, `halfWaveL`, `halfWaveR`, ...).
inline constexpr int kChannelSize = 44100;

} // namespace measure
