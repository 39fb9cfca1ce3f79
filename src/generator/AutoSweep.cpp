// SPDX-License-Identifier: MIT
#include "generator/AutoSweep.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace generator {

namespace {

constexpr std::int64_t kMaxInt32 = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kLowestFrom = 20;
constexpr std::int32_t kLowEndReplacement = 21;
constexpr std::int32_t kMillisecondsPerSecond = 1000;
// The longest delay whose interval in ms still fits the timer's 32-bit interval.
constexpr std::int32_t kLongestDelaySeconds = kMaxInt32 / kMillisecondsPerSecond;

} // namespace

SweepPlan PlanSweep(const SweepRequest& request) {
    SweepPlan plan{};
    plan.from = request.from;
    if (plan.from < kLowestFrom) {
        plan.from = kLowestFrom;
        plan.shownFrom = plan.from;
    }
    plan.to = request.to;
    if (plan.to < kLowestFrom) {
        plan.to = kLowEndReplacement;
        plan.shownTo = plan.to;
    }
    plan.step = request.step;
    if (plan.step <= 0) {
        plan.step = 1;
        plan.shownStep = plan.step;
    }
    const std::int64_t interval = std::int64_t{request.delaySeconds} * kMillisecondsPerSecond;
    if (interval <= kMillisecondsPerSecond) {
        plan.interval = kMillisecondsPerSecond;
        plan.shownDelay = 1;
    } else if (request.delaySeconds > kLongestDelaySeconds) {
        plan.interval = kLongestDelaySeconds * kMillisecondsPerSecond;
        plan.shownDelay = kLongestDelaySeconds;
    } else {
        plan.interval = static_cast<std::int32_t>(interval);
    }
    const long double steps =
        std::nearbyint(static_cast<long double>(std::int64_t{plan.to} - plan.from) / plan.step);
    plan.stepCount = static_cast<std::int32_t>(std::clamp<long double>(steps, 1, kMaxInt32));
    return plan;
}

std::int32_t SweepFrequency(std::int32_t from, std::int32_t step, std::int32_t index) {
    const std::int64_t frequency = std::int64_t{index} * step + from;
    return static_cast<std::int32_t>(std::min(frequency, kMaxInt32));
}

int SweepRangeItem(std::int32_t frequency) {
    return frequency < 100 ? 0 : 1;
}

} // namespace generator
