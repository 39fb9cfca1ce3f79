// SPDX-License-Identifier: MIT
#include "platform/sim/SimulatedCard.h"

#include <algorithm>
#include <chrono>

namespace platform::sim {

namespace {

using Clock = std::chrono::steady_clock;

// Longest sleep: the card's time and its capture source move on even with nothing queued.
constexpr auto kLongestSleep = std::chrono::milliseconds(100);
// Longest stretch made up in one go; a longer stall is skipped.
constexpr std::uint64_t kMaxCatchUpFrames = kFrameRate;

// Frames due in `elapsed`, always counted from the clock's start so that rounding never
// accumulates; split into whole seconds so that the product cannot overflow.
std::uint64_t FramesIn(Clock::duration elapsed) {
    const auto nanoseconds = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count());
    constexpr std::uint64_t kPerSecond = 1'000'000'000u;
    return nanoseconds / kPerSecond * kFrameRate +
           nanoseconds % kPerSecond * kFrameRate / kPerSecond;
}

// The earliest time from the clock's start at which `frames` frames are due.
Clock::duration TimeOf(std::uint64_t frames) {
    constexpr std::uint64_t kPerSecond = 1'000'000'000u;
    const std::uint64_t nanoseconds =
        frames / kFrameRate * kPerSecond +
        (frames % kFrameRate * kPerSecond + kFrameRate - 1) / kFrameRate;
    return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(nanoseconds));
}

} // namespace

RealTimeClock::RealTimeClock(SimulatedCard& card) : card_(card), thread_([this] { Run(); }) {
    card_.SetScheduleListener([this] { Reschedule(); });
}

RealTimeClock::~RealTimeClock() {
    card_.SetScheduleListener(nullptr);
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void RealTimeClock::Reschedule() {
    {
        std::lock_guard lock(mutex_);
        rescheduled_ = true;
    }
    wake_.notify_all();
}

// Sleeping until the next buffer is due, rather than ticking, wakes an idle program a few times
// a second instead of hundreds, and returns every buffer as soon as its last frame is played.
// The card is called without the clock's lock held: its wave operations call Reschedule
// under the card's lock.
void RealTimeClock::Run() {
    const Clock::time_point start = Clock::now();
    std::uint64_t advanced = 0;
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        rescheduled_ = false;
        lock.unlock();
        const std::uint64_t due = FramesIn(Clock::now() - start);
        if (due - advanced > kMaxCatchUpFrames) {
            advanced = due - kMaxCatchUpFrames;
        }
        card_.AdvanceFrames(due - advanced);
        advanced = due;
        const std::optional<std::uint64_t> next = card_.FramesToNextReturn();
        const Clock::time_point latest = Clock::now() + kLongestSleep;
        const Clock::time_point wake =
            next ? std::min(start + TimeOf(due + *next), latest) : latest;
        lock.lock();
        wake_.wait_until(lock, wake, [this] { return stopping_ || rescheduled_; });
    }
}

} // namespace platform::sim
