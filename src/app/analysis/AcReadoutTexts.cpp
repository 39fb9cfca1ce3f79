// SPDX-License-Identifier: MIT
#include "app/analysis/AcReadoutTexts.h"

#include "common/NumberText.h"

#include <algorithm>
#include <cmath>

namespace app {

namespace {

std::string FixedText(std::optional<double> value, int decimals, const std::string& unit) {
    if (!value || !std::isfinite(*value)) {
        return kNoReading;
    }
    const std::string number = common::FormatReal(*value, decimals);
    // Degrees follow the number directly, as they are written; other units after a blank.
    if (unit.empty() || unit == "°") {
        return number + unit;
    }
    return number + " " + unit;
}

std::optional<double> Scaled(std::optional<double> value, double factor) {
    return value ? std::optional(*value * factor) : std::nullopt;
}

} // namespace

// Decimals that give `value` `significant` digits, from none to six.
int DecimalsFor(std::optional<double> value, int significant) {
    const int magnitude = !value || *value == 0 || !std::isfinite(*value)
                              ? 0
                              : static_cast<int>(std::floor(std::log10(std::abs(*value))));
    return std::clamp(significant - 1 - magnitude, 0, 6);
}

std::string SignificantText(std::optional<double> value, int significant, const std::string& unit) {
    return FixedText(value, DecimalsFor(value, significant), unit);
}

AcReadoutTexts FormatAcReadouts(const analysis::AcResult& ac) {
    return {SignificantText(ac.frequency, 6, "Hz"),
            SignificantText(ac.current.fundamentalRms, 4, "mA"),
            SignificantText(ac.voltage.fundamentalRms, 4, "mV"), FixedText(ac.phaseDegrees, 2, "°"),
            SignificantText(ac.impedance, 4, "Ω"),
            // R and X share |Z|'s error, not a digit more: a resistor's X is 0.00, not 1e-4.
            FixedText(ac.resistance, DecimalsFor(ac.impedance, 4), "Ω"),
            FixedText(ac.reactance, DecimalsFor(ac.impedance, 4), "Ω"),
            SignificantText(Scaled(ac.capacitance, 1e6), 4, "µF"),
            SignificantText(Scaled(ac.inductance, 1e3), 4, "mH"),
            FixedText(ac.activePower, DecimalsFor(ac.apparentPower, 4), "mW"),
            FixedText(ac.reactivePower, DecimalsFor(ac.apparentPower, 4), "mvar"),
            SignificantText(ac.apparentPower, 4, "mVA"), FixedText(ac.powerFactor, 4, "")};
}

} // namespace app
