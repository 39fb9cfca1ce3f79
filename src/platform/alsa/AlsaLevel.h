// SPDX-License-Identifier: MIT
#pragma once

// Conversion between the 16-bit volume levels of the volume service (0 silent, 0xFFFF full)
// and the raw steps of an ALSA mixer element (its own range, often coarser). Pure functions.

#include <cstdint>

namespace platform {

// The element's raw value for `level`: the nearest step, 0 -> min, 0xFFFF -> max.
long LevelToRaw(std::uint16_t level, long min, long max);

// The level nearest to `raw`; for an element of at most 65 536 steps, LevelToRaw of the result
// is `raw` again.
std::uint16_t RawToLevel(long raw, long min, long max);

// One channel's last write: reading gives back the level written as long as the element still
// holds the raw value it got then, so a value read after a write is the value written.
struct RememberedLevel {
    bool valid = false;
    long raw = 0;
    std::uint16_t level = 0;

    std::uint16_t Read(long currentRaw, long min, long max) const {
        return valid && raw == currentRaw ? level : RawToLevel(currentRaw, min, max);
    }
};

} // namespace platform
