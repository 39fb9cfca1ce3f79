// SPDX-License-Identifier: MIT
#pragma once

// The analysis window's readout texts: each AC reading of a block with its unit and the digits
// the measurement supports (the fundamental's frequency to six significant digits, levels,
// impedance and powers to four, the phase to hundredths of a degree), or a dash where the block
// does not support the reading. Pure; called by the analysis window on the UI thread.

#include "analysis/AcAnalysis.h"

#include <optional>
#include <string>

namespace app {

// Shown for a reading the block does not support: never a made-up number.
inline constexpr const char* kNoReading = "—";

struct AcReadoutTexts {
    std::string frequency;     // f0, Hz
    std::string current;       // I1, mA
    std::string voltage;       // U1, mV
    std::string phase;         // phi, degrees
    std::string impedance;     // |Z|, ohm
    std::string resistance;    // R, ohm
    std::string reactance;     // X, ohm
    std::string capacitance;   // series C, uF
    std::string inductance;    // series L, mH
    std::string activePower;   // P, mW
    std::string reactivePower; // Q, mvar
    std::string apparentPower; // S, mVA
    std::string powerFactor;   // cos phi
};

AcReadoutTexts FormatAcReadouts(const analysis::AcResult& ac);

// `value` with `significant` digits (at least none and at most six after the point), a blank
// and `unit` (degrees without the blank); kNoReading for no value or one that is not finite.
std::string SignificantText(std::optional<double> value, int significant, const std::string& unit);

} // namespace app
