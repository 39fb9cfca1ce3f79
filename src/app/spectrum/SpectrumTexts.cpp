// SPDX-License-Identifier: MIT
#include "app/spectrum/SpectrumTexts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace app::spectrum {

std::string Fixed(double value, int decimals) {
    // Locale-independent: the program may run with a comma locale.
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string result(text);
    for (char& c : result) {
        if (c == ',') {
            c = '.';
        }
    }
    return result;
}

std::string PercentText(std::optional<double> percent) {
    if (!percent || !std::isfinite(*percent)) {
        return {};
    }
    int decimals = 2;
    if (*percent > 0) {
        const int exponent = static_cast<int>(std::floor(std::log10(*percent)));
        decimals = 2 - exponent;
        // 0.99997 rounds to 1.00, not to 1.000: the rounding may reach the next decade.
        const double step = std::pow(10.0, -decimals);
        if (std::nearbyint(*percent / step) * step >= std::pow(10.0, exponent + 1)) {
            --decimals;
        }
    }
    return Fixed(*percent, std::clamp(decimals, 0, 6)) + " %";
}

std::string DbText(std::optional<double> db) {
    if (!db || !std::isfinite(*db) || *db <= analysis::kSilenceDb) {
        return {};
    }
    return Fixed(*db, 1) + " dB";
}

std::string HertzText(std::optional<double> hertz) {
    return hertz && std::isfinite(*hertz) ? Fixed(*hertz, 1) + " Hz" : std::string();
}

std::string FloorText(const analysis::DistortionResult& result) {
    // Without AC power the bins hold only the transform's rounding: no floor to speak of.
    return result.thdNoisePercent ? DbText(result.noiseFloorDb) : std::string();
}

std::string DistortionLine(const analysis::DistortionResult& result) {
    std::string line;
    const auto add = [&line](const char* caption, const std::string& value) {
        if (!value.empty()) {
            line += (line.empty() ? "" : "  ") + std::string(caption) + " " + value;
        }
    };
    add("f0", HertzText(result.frequency));
    add("THD", PercentText(result.thdPercent));
    add("THD+N", PercentText(result.thdNoisePercent));
    add("SINAD", DbText(result.sinadDb));
    add("šum", FloorText(result));
    return line;
}

} // namespace app::spectrum
