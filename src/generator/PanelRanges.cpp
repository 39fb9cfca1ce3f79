// SPDX-License-Identifier: MIT
#include "generator/PanelRanges.h"

#include "common/NumberText.h"

#include <cmath>

namespace generator {

namespace {

constexpr ScrollRange MinMaxPos(int minimum, int maximum, int position) {
    return {{{ScrollBound::Minimum, minimum},
             {ScrollBound::Maximum, maximum},
             {ScrollBound::Position, position}}};
}

constexpr std::array<ScrollRange, 7> kAmplitudeRanges{
    MinMaxPos(0, 32767, 16384), MinMaxPos(0, 16384, 8192), MinMaxPos(0, 8200, 4100),
    MinMaxPos(0, 3280, 164),    MinMaxPos(0, 1640, 164),   MinMaxPos(0, 820, 164),
    MinMaxPos(0, 328, 164)};

constexpr std::array<ScrollRange, 4> kFrequencyRanges{
    MinMaxPos(20, 100, 50), MinMaxPos(100, 1000, 100),
    // Coming from a lower range, the maximum must rise before the minimum may.
    ScrollRange{{{ScrollBound::Maximum, 20000},
                 {ScrollBound::Minimum, 1000},
                 {ScrollBound::Position, 4000}}},
    MinMaxPos(10, 20000, 100)};

template <std::size_t N>
std::optional<ScrollRange> Item(const std::array<ScrollRange, N>& table, int item) {
    if (item < 0 || item >= static_cast<int>(N)) {
        return std::nullopt;
    }
    return table[static_cast<std::size_t>(item)];
}

// A readout with its leading blank. Appended rather than " " + text, for which GCC 12 at -O3
// reports a false -Wrestrict overlap.
std::string Spaced(const std::string& text) {
    std::string spaced = " ";
    spaced += text;
    return spaced;
}

} // namespace

std::optional<ScrollRange> AmplitudeRange(int item) {
    return Item(kAmplitudeRanges, item);
}

std::optional<ScrollRange> FrequencyRange(int item) {
    return Item(kFrequencyRanges, item);
}

bool RangeRewritesAmplitude(int item) {
    return item == 0 || item == 1;
}

std::optional<Gen1FrequencyStep> Gen1FrequencyAt(int position) {
    if (position < kKilohertzBand) {
        return Gen1FrequencyStep{position, Spaced(common::FormatInt(position)), 10, 1};
    }
    if (position > 20000) {
        return std::nullopt;
    }
    const auto hundreds = static_cast<std::int32_t>(std::nearbyint(position / 100.0L));
    const long double kilohertz = std::nearbyint(position / 10.0L) / 100;
    return Gen1FrequencyStep{hundreds * 100, Spaced(common::FormatReal(kilohertz, 1)), 100, 10};
}

} // namespace generator
