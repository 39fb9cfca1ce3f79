// SPDX-License-Identifier: MIT
#pragma once

// Level measurement of one channel of the latest captured block: de-interleaving into the
// channel array, peak / largest / smallest sample, rms level and its readout text.
//
// Called by the window (TForm1::MeasureLevelL / MeasureLevelR) on the user-interface thread,
// once per display cycle or single-shot idle pass. Pure: works only on the arguments, no
// allocation besides the returned text.

#include "measure/Channel.h"

#include <cstdint>
#include <span>
#include <string>

namespace measure {

struct LevelResult {
    std::uint16_t peak;  // largest |sample| over channel positions 1 .. captureCount-1 (peakL/R)
    std::int32_t max;    // largest positive sample over those positions, 0 if none (maxL/R)
    std::int32_t min;    // most negative sample over those positions, 0 if none (minL/R)
    double rms;          // currentRms in mA (L) or voltageRms in mV (R)
    std::string text;    // readout: Edit4 (L) or Edit1 (R)
    bool colourReadouts; // true for L: set the background of Edit4 and Edit12 to yellow
};

// Measures one channel.
//  captureSamples: the capture array (kCaptureSize entries, 16-bit values sign-extended);
//                  positions past its end read as 0 (a silent signal), so a captureCount of
//                  32 000 before the first block reads nothing outside the array.
//  captureCount:   number of values of the latest block (16 000; 32 000 before the first).
//  samples:        the channel array (samplesL / samplesR, kChannelSize entries); positions
//                  0 .. captureCount-1 are overwritten with the channel's values, the others
//                  keep their content (position captureCount still enters the sum of squares).
//  scale:          currentScale (mA per unit, L) or voltageScale (mV per unit, R).
// Nothing is read or written outside the given spans. A captureCount of 0 or less gives an
// rms of 0. Before calling, the window also sets offsetL/R := 0 and triggerIndexL/R := 1.
LevelResult MeasureLevel(Channel channel, std::span<const std::int32_t> captureSamples,
                         std::int32_t captureCount, std::span<std::int32_t> samples, double scale);

// Readout text of an rms level x (mA for L, mV for R):
//   x < 100         one decimal right-aligned in 4, then "mA"/"mV"   (" 5.3mA", "46.5mA")
//   100 <= x < 1000 integer right-aligned in 4, then "mA"/"mV"       (" 465mA", "1000mA")
//   x >= 1000       x/1000 with 2 decimals, then "A"/"V"              ("1.23A", "12.35A")
std::string LevelText(double x, Channel channel);

} // namespace measure
