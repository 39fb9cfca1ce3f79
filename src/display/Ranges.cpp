// SPDX-License-Identifier: MIT
#include "display/Ranges.h"

#include <array>
#include <cstddef>

namespace display {

namespace {

constexpr std::array<RangeRow, 10> kCurrentRows{{
    {"1 mA", 0, 0, 0.1, "+mA", "-mA", 100.0},
    {"2 mA", 25, 8, 0.2, "+mA", "-mA", 50.0},
    {"5 mA", 45, 7, 0.5, "+mA", "-mA", 20.0},
    {"10 mA", 112, 6, 1.0, "+mA", "-mA", 10.0},
    {"20 mA", 225, 5, 2.0, "+mA", "-mA", 5.0},
    {"50 mA", 450, 4, 5.0, "+mA", "-mA", 2.0},
    {"100 mA", 1125, 3, 10.0, "+mA", "-mA", 1.0},
    {"200 mA", 2250, 2, 20.0, "+mA", "-mA", 0.5},
    {"500 mA", 4500, 1, 50.0, "+mA", "-mA", 0.2},
    {"1 A", 11250, 0, 0.1, "+ A", "- A", 0.1},
}};

constexpr std::array<RangeRow, 12> kVoltageRows{{
    {"10 mV", 0, 12, 1.0, "+mV", "-mV", 10.0},
    {"20 mV", 35, 11, 2.0, "+mV", "-mV", 5.0},
    {"50 mV", 70, 10, 5.0, "+mV", "-mV", 2.0},
    {"100 mV", 175, 9, 10.0, "+mV", "-mV", 1.0},
    {"200 mV", 350, 8, 20.0, "+mV", "-mV", 0.5},
    {"500 mV", 700, 7, 50.0, "+mV", "-mV", 0.2},
    {"1 V", 1750, 6, 0.1, "+ V", "- V", 0.1},
    {"2 V", 3500, 5, 0.2, "+ V", "- V", 0.05},
    {"5 V", 7000, 4, 0.5, "+ V", "- V", 0.02},
    {"10 V", 17500, 3, 1.0, "+ V", "- V", 0.01},
    {"20 V", -1, 2, 2.0, "+ V", "- V", 0.005},
    {"50 V", -1, 1, 5.0, "+ V", "- V", 0.002},
}};

template <typename Range, std::size_t N>
Range AutoRange(const std::array<RangeRow, N>& rows, std::uint16_t peak) {
    std::size_t chosen = 0;
    for (std::size_t i = 0; i < N; ++i) {
        if (rows[i].lowestPeak >= 0 && peak >= rows[i].lowestPeak) {
            chosen = i;
        }
    }
    return static_cast<Range>(chosen);
}

template <typename Range, std::size_t N>
std::optional<Range> ManualRange(const std::array<RangeRow, N>& rows, int item) {
    for (std::size_t i = 0; i < N; ++i) {
        if (item > 0 && rows[i].manualItem == item) {
            return static_cast<Range>(i);
        }
    }
    return std::nullopt;
}

} // namespace

const RangeRow& RowOf(CurrentRange range) {
    return kCurrentRows.at(static_cast<std::size_t>(range));
}

const RangeRow& RowOf(VoltageRange range) {
    return kVoltageRows.at(static_cast<std::size_t>(range));
}

CurrentRange AutoCurrentRange(std::uint16_t peak) {
    return AutoRange<CurrentRange>(kCurrentRows, peak);
}

VoltageRange AutoVoltageRange(std::uint16_t peak) {
    return AutoRange<VoltageRange>(kVoltageRows, peak);
}

std::optional<CurrentRange> ManualCurrentRange(int item) {
    return ManualRange<CurrentRange>(kCurrentRows, item);
}

std::optional<VoltageRange> ManualVoltageRange(int item) {
    return ManualRange<VoltageRange>(kVoltageRows, item);
}

} // namespace display
