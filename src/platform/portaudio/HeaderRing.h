// SPDX-License-Identifier: MIT
#pragma once

// A fixed-capacity, lock-free ring of buffer headers between exactly one producing thread and
// exactly one consuming thread. It carries headers between the UI thread and the PortAudio
// callback, which must never block or allocate: Push and Pop are wait-free.
// Whoever takes over the producer or consumer role from another thread must synchronise with
// it first (the backend stops the stream, or holds a mutex among consumers).

#include "platform/WaveTypes.h"

#include <array>
#include <atomic>
#include <cstddef>

namespace platform {

class HeaderRing {
public:
    // Headers a ring holds at most; a device never holds more buffers than that.
    static constexpr std::size_t Capacity = 16;

    // Producer side; false when the ring is full.
    bool Push(WaveHeader* header) {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == Capacity) {
            return false;
        }
        slots_[tail % Capacity] = header;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    // Consumer side; null when the ring is empty.
    WaveHeader* Pop() {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire)) {
            return nullptr;
        }
        WaveHeader* header = slots_[head % Capacity];
        head_.store(head + 1, std::memory_order_release);
        return header;
    }

private:
    static_assert(std::atomic<std::size_t>::is_always_lock_free);
    static_assert((Capacity & (Capacity - 1)) == 0, "counters wrap cleanly only for a power of 2");

    std::array<WaveHeader*, Capacity> slots_{};
    alignas(64) std::atomic<std::size_t> head_{0}; // next slot to pop; written by the consumer
    alignas(64) std::atomic<std::size_t> tail_{0}; // next slot to fill; written by the producer
};

} // namespace platform
