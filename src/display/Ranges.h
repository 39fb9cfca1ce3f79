// SPDX-License-Identifier: MIT
#pragma once

// The measuring ranges of the two channels: the current ranges of channel L and the voltage
// ranges of channel R, smallest first. One range of each channel is applied at any time; the
// tables give what a range means for the screen and how it is chosen.

#include <cstdint>
#include <optional>

namespace display {

enum class CurrentRange { mA1, mA2, mA5, mA10, mA20, mA50, mA100, mA200, mA500, A1 };

enum class VoltageRange { mV10, mV20, mV50, mV100, mV200, mV500, V1, V2, V5, V10, V20, V50 };

struct RangeRow {
    const char* name;      // "100 mA", "1 V"
    int lowestPeak;        // automatic band starts here; -1: reached only manually
    int manualItem;        // item of the range box; 0: reached only automatically
    double divisionValue;  // value of one 20-pixel step in the axis' unit
    const char* upperText; // axis texts above and below the trace
    const char* lowerText;
    double scale; // range factor of the trace
};

const RangeRow& RowOf(CurrentRange range);
const RangeRow& RowOf(VoltageRange range);

// The range whose automatic band holds the peak; beyond the last band stays in the largest.
CurrentRange AutoCurrentRange(std::uint16_t peak);
VoltageRange AutoVoltageRange(std::uint16_t peak);

// The range a box item names; none for "automaticky" (0), no item (-1) or any other index.
std::optional<CurrentRange> ManualCurrentRange(int item);
std::optional<VoltageRange> ManualVoltageRange(int item);

} // namespace display
