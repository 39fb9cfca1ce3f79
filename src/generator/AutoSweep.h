// SPDX-License-Identifier: MIT
#pragma once

// The automatic generator's arithmetic: the run planned from the four typed fields (start and
// end frequency in Hz, delay in whole seconds, step in Hz) and the frequency of each step.
// Everything is computed wide and capped at what the 32-bit variables and a millisecond timer
// hold, so no typed value can overflow. Pure; called by the window on the user-interface thread.

#include <cstdint>
#include <optional>

namespace generator {

// Texts of the fields that an empty field is replaced by before it is read.
inline constexpr const char* kEmptyFrequencyField = "20";
inline constexpr const char* kEmptyCountField = "1"; // delay and step

// The typed values, already converted to integers.
struct SweepRequest {
    std::int32_t from;
    std::int32_t to;
    std::int32_t delaySeconds;
    std::int32_t step;
};

// A run and the values that replace out-of-range fields (empty where the field stays).
struct SweepPlan {
    std::int32_t from;      // Hz, at least 20
    std::int32_t to;        // Hz; below 20 becomes 21
    std::int32_t step;      // Hz, at least 1
    std::int32_t interval;  // ms, whole seconds from 1000 up to what the timer holds
    std::int32_t stepCount; // rnd((to - from) / step), at least 1
    std::optional<std::int32_t> shownFrom, shownTo, shownStep, shownDelay;
};

SweepPlan PlanSweep(const SweepRequest& request);

// Frequency of step `index` of a run: index * step + from, capped at the 32-bit maximum.
std::int32_t SweepFrequency(std::int32_t from, std::int32_t step, std::int32_t index);

// What the frequency range box shows for a frequency of the run: item 0 below 100 Hz, else 1.
int SweepRangeItem(std::int32_t frequency);

} // namespace generator
