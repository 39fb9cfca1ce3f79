// SPDX-License-Identifier: MIT
#pragma once

// What `--calibrate QUANTITY=VALUE` asks for: calibrate the current channel (L) or the voltage
// channel (R) against a known reference, or remove that channel's stored factor ("reset").
// Parsing is pure, so that the command line refuses a bad value before anything opens.

#include "measure/Channel.h"

#include <optional>
#include <string>
#include <string_view>

namespace measure {

struct CalibrationRequest {
    Channel channel = Channel::L;
    bool reset = false;
    double reference = 0; // mA (current) or mV (voltage), above zero unless reset
    std::string unit;     // the unit as written ("mA", "A", "mV", "V"), for the result line
    double unitSize = 1;  // mA or mV per written unit: 1 or 1000
    // The reference as the user typed it, digits kept, then a blank and the unit ("0.10322 A"),
    // for the result line: the user reads back what they typed, not a rounding of it.
    std::string referenceText;
};

// References (mA or mV) outside these can never give a factor within the calibration bounds on
// any range of the instrument (its largest full scale, ten times over; its weakest usable signal,
// a tenth of it): a wrong unit or stray digits, refused before anything opens.
inline constexpr double kSmallestReference = 0.1;
inline constexpr double kLargestReference = 200000;

struct ParsedCalibrationRequest {
    std::optional<CalibrationRequest> request;
    std::string error; // what is wrong, for the user; empty when `request` holds the value
};

// "current=12.5mA", "voltage=1,00 V", "current=reset". The number takes a decimal point or
// comma; the unit is mA or A for current, mV or V for voltage, and may follow a blank. The
// reference is checked against the bounds above once the unit is applied.
ParsedCalibrationRequest ParseCalibrationRequest(std::string_view text);

// "current" (L) or "voltage" (R): the quantity's name on the command line and in messages.
const char* QuantityName(Channel channel);

} // namespace measure
