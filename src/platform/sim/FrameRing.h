// SPDX-License-Identifier: MIT
#pragma once

// A fixed ring of stereo 16-bit frames between one producer thread and one consumer thread,
// allocated once. Neither side blocks, locks or allocates: the producer writes into the free
// space and publishes the frames, the consumer takes what is published. Used by the sound-file
// source to read ahead of the simulated card's clock.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::sim {

class FrameRing {
public:
    explicit FrameRing(std::size_t capacityFrames) : samples_(2 * capacityFrames) {}

    std::size_t Capacity() const { return samples_.size() / 2; }
    // Frames published and not yet taken; exact on the consumer's thread, a lower bound on the
    // producer's.
    std::size_t Available() const {
        return static_cast<std::size_t>(written_.load(std::memory_order_acquire) -
                                        taken_.load(std::memory_order_acquire));
    }
    std::size_t Free() const { return Capacity() - Available(); }

    // Producer: appends `frames` frames (at most Free()) of interleaved `stereo`.
    void Put(const std::int16_t* stereo, std::size_t frames) {
        const std::uint64_t written = written_.load(std::memory_order_relaxed);
        ForEachPiece(written, frames, [&](std::size_t slot, std::size_t done, std::size_t count) {
            std::copy_n(stereo + 2 * done, 2 * count, samples_.data() + 2 * slot);
        });
        written_.store(written + frames, std::memory_order_release);
    }

    // Consumer: moves up to `frames` frames into `stereo`, oldest first; returns how many.
    std::size_t Take(std::int16_t* stereo, std::size_t frames) {
        const std::uint64_t taken = taken_.load(std::memory_order_relaxed);
        const std::size_t count = std::min(frames, Available());
        ForEachPiece(taken, count, [&](std::size_t slot, std::size_t done, std::size_t piece) {
            std::copy_n(samples_.data() + 2 * slot, 2 * piece, stereo + 2 * done);
        });
        taken_.store(taken + count, std::memory_order_release);
        return count;
    }

private:
    // Calls `copy(slot, done, count)` for the at most two pieces that `frames` frames starting at
    // the running frame number `at` occupy in the ring: the first frame's slot, the frames
    // before the piece and the piece's length.
    template <typename Copy>
    void ForEachPiece(std::uint64_t at, std::size_t frames, Copy copy) const {
        std::size_t done = 0;
        while (done < frames) {
            const auto slot = static_cast<std::size_t>((at + done) % Capacity());
            const std::size_t count = std::min(frames - done, Capacity() - slot);
            copy(slot, done, count);
            done += count;
        }
    }

    std::vector<std::int16_t> samples_;
    std::atomic<std::uint64_t> written_{0}; // frames published since construction
    std::atomic<std::uint64_t> taken_{0};   // frames taken since construction
};

} // namespace platform::sim
