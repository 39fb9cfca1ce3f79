// SPDX-License-Identifier: MIT
#include "platform/alsa/AlsaLevel.h"

#include <algorithm>

namespace platform {

namespace {

constexpr long long FullLevel = 0xFFFF;

// Nearest integer of numerator / denominator for non-negative values, halves up.
long long RoundedQuotient(long long numerator, long long denominator) {
    return (2 * numerator + denominator) / (2 * denominator);
}

} // namespace

long LevelToRaw(std::uint16_t level, long min, long max) {
    if (max <= min) {
        return min;
    }
    const long long span = static_cast<long long>(max) - min;
    return static_cast<long>(min + RoundedQuotient(level * span, FullLevel));
}

std::uint16_t RawToLevel(long raw, long min, long max) {
    if (max <= min) {
        return 0;
    }
    const long long span = static_cast<long long>(max) - min;
    const long long steps = std::clamp<long long>(static_cast<long long>(raw) - min, 0, span);
    return static_cast<std::uint16_t>(RoundedQuotient(steps * FullLevel, span));
}

} // namespace platform
