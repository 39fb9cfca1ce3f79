// SPDX-License-Identifier: MIT
#pragma once

// The generator panels' range selections as data: what each item of an amplitude or frequency
// range box does to its scroll bar, bound by bound, in an order that never lets the minimum
// pass the maximum. Also generator 1's frequency steps: whole Hz below 1 kHz, whole hundreds
// of Hz (shown in kHz) from there on. Pure; called by the window's panel handlers on the
// user-interface thread.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace generator {

enum class ScrollBound { Minimum, Maximum, Position };

struct ScrollMove {
    ScrollBound bound;
    int value;
};

// The three moves of one range item, to be applied in order.
using ScrollRange = std::array<ScrollMove, 3>;

// Both generators' amplitude boxes (items 0 to 6; the rest, generator 1's "  vypnuto" and
// generator 2's two last items among them, change nothing).
std::optional<ScrollRange> AmplitudeRange(int item);
// Both generators' frequency boxes (items 0 to 3; generator 2's item 4 switches it off).
std::optional<ScrollRange> FrequencyRange(int item);

// Items 0 and 1 of both amplitude boxes also write the amplitude and its readout themselves,
// even when the position did not move.
bool RangeRewritesAmplitude(int item);

// Generator 1 at frequency scroll bar position p.
struct Gen1FrequencyStep {
    std::int32_t frequency; // Hz: p below 1000, else p rounded to whole hundreds (ties to even)
    std::string text;       // Edit14: " 250" in Hz, " 12.3" in kHz
    int largeChange;        // 10 in Hz, 100 in kHz
    int smallChange;        // 1 in Hz, 10 in kHz
};
// Nothing for positions above 20000, which no range reaches.
std::optional<Gen1FrequencyStep> Gen1FrequencyAt(int position);

// Frequencies of generator 1 above this cannot be shown on the screen.
inline constexpr std::int32_t kDisplayLimitHz = 2500;
// From this frequency on generator 1 is shown in kHz.
inline constexpr std::int32_t kKilohertzBand = 1000;

} // namespace generator
