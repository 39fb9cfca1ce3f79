// SPDX-License-Identifier: MIT
#pragma once

// The spectrum window's readout texts, locale-independent (point as the decimal separator):
// percentages to three significant digits, so that a clean card's 0.00123 % reads as well as a
// square wave's 42.9 %, levels in dB to a tenth, frequencies to a tenth of a hertz. An empty
// value is an empty text: the readout shows nothing where nothing is known.

#include "analysis/Distortion.h"

#include <optional>
#include <string>

namespace app::spectrum {

// "1.00 %", "0.00123 %", "42.9 %"; "" for nothing.
std::string PercentText(std::optional<double> percent);
// "-12.3 dB"; "" for nothing or for silence.
std::string DbText(std::optional<double> db);
// "1000.4 Hz"; "" for nothing.
std::string HertzText(std::optional<double> hertz);
// The noise floor "-121.0 dB"; "" for a block without AC power (silence, DC only), whose bins
// hold nothing but rounding.
std::string FloorText(const analysis::DistortionResult& result);
// A fixed-point number with `decimals` digits, C locale.
std::string Fixed(double value, int decimals);

// The distortion figures of one channel as one line: "THD 1.00 %  THD+N 1.01 %  SINAD 39.9 dB
// šum -121.0 dB", the unknown ones left out.
std::string DistortionLine(const analysis::DistortionResult& result);

} // namespace app::spectrum
