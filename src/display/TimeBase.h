// SPDX-License-Identifier: MIT
#pragma once

// The seven time bases of the oscilloscope screen ("100 msec" down to "1 msec" across the
// graticule), the band that fits a frequency, and the labelled time axis of each band.
// UI thread only.

#include "display/Canvas.h"

#include <cstdint>
#include <optional>
#include <string>

namespace display {

inline constexpr int kTimeBands = 7;

struct TimeBand {
    double pointSpacing;      // pixels between trace points
    std::int32_t pointStride; // samples between trace points
};

// Band 1..7 for a frequency in Hz; a frequency that is not a number falls into band 1.
int BandForFrequency(double frequency);

// The band of the time-base box: automatic follows the frequency, otherwise the box's item
// 1..7 is the band and any other item (none selected, "generator") gives none.
std::optional<int> BandFor(bool automatic, int item, double frequency);

// Spacing and stride of band 1..7.
TimeBand TimeBandOf(int band);

// The name of band 1..7 as the time-base box offers it: "100 msec" .. "1 msec".
const char* TimeBandName(int band);

// The label of major tick k (1..9) of band 1..7.
std::string TimeLabel(int band, int k);

// Minor and major ticks along the centre row with the band's labels, white, pen width 1.
void DrawTimeAxis(Canvas& canvas, int band, double gridUnit);

} // namespace display
