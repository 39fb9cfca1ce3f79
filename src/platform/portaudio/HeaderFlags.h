// SPDX-License-Identifier: MIT
#pragma once

// How the stream marks its buffer headers. The device marks a finished header while the UI
// thread may look at the flags of the headers it still holds, so a queued header's flags are
// touched only atomically. Used by PortAudioStream on the UI, callback and notifier threads.

#include "platform/WaveTypes.h"

#include <atomic>
#include <cstdint>

namespace platform {

inline void MarkQueued(WaveHeader* header) {
    std::atomic_ref<std::uint32_t> flags(header->flags);
    flags.store((flags.load() & ~WHDR_DONE) | WHDR_INQUEUE);
}

// One step, so that the UI thread never sees a header that is neither queued nor done.
inline void MarkDone(WaveHeader* header) {
    std::atomic_ref<std::uint32_t> flags(header->flags);
    std::uint32_t old = flags.load();
    while (!flags.compare_exchange_weak(old, (old & ~WHDR_INQUEUE) | WHDR_DONE)) {
    }
}

} // namespace platform
