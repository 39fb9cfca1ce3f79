// SPDX-License-Identifier: MIT
#include "platform/sim/SoundFileSource.h"

#include "platform/sim/FrameRing.h"
#include "platform/sim/SoundFileReader.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <vector>

namespace platform::sim {

namespace {

// About three seconds: far more than the card takes in one go (a second at most, after a
// stall), and 512 KiB of memory.
constexpr std::size_t kRingFrames = std::size_t{1} << 17;
// The reader refills in chunks of this many frames, the first one at construction.
constexpr std::size_t kChunkFrames = 4096;
// How often a reader with a full ring looks again for room.
constexpr auto kRefillPeriod = std::chrono::milliseconds(20);
// How long the destructor waits for the reader to stop.
constexpr auto kStopWait = std::chrono::milliseconds(500);

void SayOnStandardError(const std::string& message) {
    // One write, so that the line is not interleaved with other threads' output.
    const std::string line = "osciloskop: " + message + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

} // namespace

// What the source and its reader thread share. The ring and the two counters are lock-free for
// Render; the mutex guards the rest and is held whenever the notice is called, so that nothing is
// said after the destructor has asked the reader to stop.
struct SoundFileSource::Stream {
    Stream(const std::string& path, Notice say)
        : file(path), notice(say ? std::move(say) : Notice(SayOnStandardError)),
          chunk(2 * kChunkFrames) {}

    // Reads one chunk into the ring; false when the input ended with it. Called by the
    // constructor, then by the reader thread only.
    bool ReadChunk() {
        const std::size_t read = file.Read(chunk.data(), kChunkFrames);
        ring.Put(chunk.data(), read);
        if (read == kChunkFrames) {
            return true;
        }
        ended.store(true, std::memory_order_release);
        return false;
    }
    // Says, once each, what the user should know: a failure the file is played up to, its end,
    // a reader that fell behind.
    void SayNews() {
        if (const std::string trouble = file.TakeTrouble(); !trouble.empty()) {
            Say("could not be read to its end (" + trouble +
                "); the part before plays over and over");
        }
        if (ended.load(std::memory_order_relaxed) && !endSaid) {
            endSaid = true;
            Say("ended: " + file.EndReason() + "; the input is silent from now on");
        }
        if (shortfall.load(std::memory_order_relaxed) > 0 && !shortfallSaid) {
            shortfallSaid = true;
            Say("could not be read in time; the input had gaps of silence");
        }
    }
    void Say(const std::string& what) { notice("sound file '" + file.Path() + "' " + what); }

    SoundFileReader file;
    Notice notice;
    std::vector<std::int16_t> chunk; // the reader's scratch
    FrameRing ring{kRingFrames};
    std::atomic<bool> ended{false};          // the file will deliver no more frames
    std::atomic<std::uint64_t> shortfall{0}; // frames Render lacked before the end
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    bool exited = false;
    bool endSaid = false;
    bool shortfallSaid = false;
};

SoundFileSource::SoundFileSource(const std::string& path, Notice notice)
    : stream_(std::make_shared<Stream>(path, std::move(notice))) {
    const bool more = stream_->ReadChunk();
    if (stream_->ring.Available() == 0) {
        RefuseSoundFile(path, stream_->file.EndReason());
    }
    stream_->SayNews();
    if (more) {
        reader_ = std::thread(&SoundFileSource::ReadAhead, stream_);
    }
}

SoundFileSource::~SoundFileSource() {
    if (!reader_.joinable()) {
        return;
    }
    std::unique_lock lock(stream_->mutex);
    stream_->stopping = true;
    stream_->wake.notify_all();
    const bool exited = stream_->wake.wait_for(lock, kStopWait, [this] { return stream_->exited; });
    lock.unlock();
    // A read from a pipe whose writer neither writes nor closes cannot be interrupted; that
    // reader keeps its share of the stream and ends when the read returns.
    if (exited) {
        reader_.join();
    } else {
        reader_.detach();
    }
}

void SoundFileSource::ReadAhead(std::shared_ptr<Stream> stream) {
    Stream& s = *stream;
    std::unique_lock lock(s.mutex);
    bool more = true;
    while (more && !s.stopping) {
        if (s.ring.Free() < kChunkFrames) {
            s.wake.wait_for(lock, kRefillPeriod);
        } else {
            lock.unlock();
            more = s.ReadChunk();
            lock.lock();
        }
        if (!s.stopping) {
            s.SayNews();
        }
    }
    s.exited = true;
    lock.unlock();
    s.wake.notify_all();
}

void SoundFileSource::Render(const std::int16_t*, std::size_t frames, std::int16_t* stereo) {
    Stream& s = *stream_;
    const bool ended = s.ended.load(std::memory_order_acquire);
    const std::size_t taken = s.ring.Take(stereo, frames);
    std::fill(stereo + 2 * taken, stereo + 2 * frames, std::int16_t{0});
    if (taken < frames && !ended) {
        s.shortfall.fetch_add(frames - taken, std::memory_order_relaxed);
    }
}

std::uint64_t SoundFileSource::Frames() const {
    return stream_->file.AnnouncedFrames();
}

std::size_t SoundFileSource::Buffered() const {
    return stream_->ring.Available();
}

std::size_t SoundFileSource::Capacity() const {
    return stream_->ring.Capacity();
}

} // namespace platform::sim
