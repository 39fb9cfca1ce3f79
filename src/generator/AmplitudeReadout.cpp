// SPDX-License-Identifier: MIT
#include "generator/AmplitudeReadout.h"

#include "common/NumberText.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace generator {

namespace {

// The readout constants are decimals as written (32.767 units per mV of the card's output,
// then the unit's gain), evaluated left to right in extended precision.
constexpr long double kUnitsPerMillivolt = 32.767L;

std::string Text(long double millivolts) {
    return common::FormatInt(std::llrint(millivolts));
}

} // namespace

std::string Gen1AmplitudeText(std::int32_t amplitude) {
    return Text(amplitude / kUnitsPerMillivolt * 0.78L * 2.4L);
}

std::string Gen2AmplitudeText(std::int32_t amplitude) {
    return Text(amplitude / kUnitsPerMillivolt * 1.1L);
}

std::int32_t AmplitudeFromReadout(std::int32_t value) {
    const long double units = std::nearbyint(value * kUnitsPerMillivolt);
    return static_cast<std::int32_t>(std::clamp<long double>(
        units, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

} // namespace generator
