// SPDX-License-Identifier: MIT
#include "platform/sim/SimulatedCard.h"

#include <chrono>

namespace platform::sim {

namespace {

constexpr auto kTick = std::chrono::milliseconds(5);
// Longest stretch made up in one go; a longer stall is skipped.
constexpr std::uint64_t kMaxCatchUpFrames = kFrameRate;

// Frames due in `elapsed`, always counted from the clock's start so that rounding never
// accumulates; split into whole seconds so that the product cannot overflow.
std::uint64_t FramesIn(std::chrono::steady_clock::duration elapsed) {
    const auto nanoseconds = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count());
    constexpr std::uint64_t kPerSecond = 1'000'000'000u;
    return nanoseconds / kPerSecond * kFrameRate +
           nanoseconds % kPerSecond * kFrameRate / kPerSecond;
}

} // namespace

RealTimeClock::RealTimeClock(SimulatedCard& card) : card_(card), thread_([this] { Run(); }) {}

RealTimeClock::~RealTimeClock() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void RealTimeClock::Run() {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    std::uint64_t advanced = 0;
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, kTick, [this] { return stopping_; })) {
        const std::uint64_t due = FramesIn(Clock::now() - start);
        if (due - advanced > kMaxCatchUpFrames) {
            advanced = due - kMaxCatchUpFrames;
        }
        lock.unlock();
        card_.AdvanceFrames(due - advanced);
        lock.lock();
        advanced = due;
    }
}

} // namespace platform::sim
