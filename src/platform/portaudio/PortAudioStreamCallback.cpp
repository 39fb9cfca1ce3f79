// SPDX-License-Identifier: MIT
// A PortAudio stream's callback: it runs on PortAudio's thread, never blocks or allocates, and
// moves samples between the device and the queued buffers.
#include "platform/portaudio/PortAudioStream.h"

#include "platform/portaudio/HeaderFlags.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace platform {

namespace {

std::uint64_t ThreadCpuNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1'000'000'000u +
           static_cast<std::uint64_t>(now.tv_nsec);
}

} // namespace

int PortAudioStream::Callback(const void* input, void* output, unsigned long frames,
                              const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags status,
                              void* link) {
    CallbackLink& callbackLink = *static_cast<CallbackLink*>(link);
    // Announced first, then the owner loaded (both sequentially consistent): a Lose that cut
    // the owner afterwards sees the announcement and waits.
    callbackLink.inCallback.store(true);
    PortAudioStream* owner = callbackLink.owner.load();
    if (owner == nullptr) {
        callbackLink.inCallback.store(false);
        return paAbort; // given up for dead: its buffers are no longer this stream's
    }
    PortAudioStream& stream = *owner;
    StreamCounters& counters = stream.counters_;
    const bool timed = counters.timeCallbacks.load(std::memory_order_relaxed);
    const std::uint64_t start = timed ? ThreadCpuNanoseconds() : 0;
    const std::size_t bytes = frames * stream.format_.blockAlign;
    stream.Exchange(input, output, bytes, status);
    counters.callbacks.fetch_add(1, std::memory_order_relaxed);
    stream.lastCallbackNs_.store(SteadyNanoseconds(), std::memory_order_relaxed);
    if (timed) {
        counters.callbackNanoseconds.fetch_add(ThreadCpuNanoseconds() - start,
                                               std::memory_order_relaxed);
    }
    callbackLink.inCallback.store(false);
    return paContinue;
}

void PortAudioStream::Exchange(const void* input, void* output, std::size_t bytes,
                               PaStreamCallbackFlags status) {
    inExchange_.store(true);
    const bool open = exchanging_.load();
    if (direction_ == StreamDirection::Output && open) {
        Play(static_cast<char*>(output), bytes, status);
    } else if (direction_ == StreamDirection::Output) {
        std::memset(output, format_.bitsPerSample == 8 ? 0x80 : 0, bytes);
    } else if (open) {
        Record(static_cast<const char*>(input), bytes, status);
    } else if (input != nullptr) {
        counters_.droppedInputFrames.fetch_add(bytes / format_.blockAlign,
                                               std::memory_order_relaxed);
    }
    inExchange_.store(false);
}

void PortAudioStream::Play(char* out, std::size_t bytes, PaStreamCallbackFlags status) {
    if ((status & paOutputUnderflow) != 0) {
        counters_.underruns.fetch_add(1, std::memory_order_relaxed);
    }
    const int silence = format_.bitsPerSample == 8 ? 0x80 : 0;
    if (paused_.load(std::memory_order_relaxed)) {
        std::memset(out, silence, bytes);
        return;
    }
    while (bytes > 0) {
        if (current_ == nullptr && !TakeNextHeader()) {
            starved_ = starved_ || playing_;
            playing_ = false;
            std::memset(out, silence, bytes);
            return;
        }
        if (starved_) {
            counters_.underruns.fetch_add(1, std::memory_order_relaxed);
            starved_ = false;
        }
        playing_ = true;
        const std::size_t n = std::min<std::size_t>(bytes, current_->bufferLength - offset_);
        std::memcpy(out, current_->data + offset_, n);
        out += n;
        bytes -= n;
        offset_ += static_cast<std::uint32_t>(n);
        if (offset_ >= current_->bufferLength) {
            FinishCurrent(0);
        }
    }
}

void PortAudioStream::Record(const char* in, std::size_t bytes, PaStreamCallbackFlags status) {
    if ((status & paInputOverflow) != 0) {
        counters_.overruns.fetch_add(1, std::memory_order_relaxed);
    }
    if (in == nullptr) {
        return;
    }
    while (bytes > 0) {
        if (current_ == nullptr && !TakeNextHeader()) {
            counters_.droppedInputFrames.fetch_add(bytes / format_.blockAlign,
                                                   std::memory_order_relaxed);
            return;
        }
        const std::size_t n = std::min<std::size_t>(bytes, current_->bufferLength - offset_);
        std::memcpy(current_->data + offset_, in, n);
        in += n;
        bytes -= n;
        offset_ += static_cast<std::uint32_t>(n);
        if (offset_ >= current_->bufferLength) {
            FinishCurrent(current_->bufferLength);
        }
    }
}

bool PortAudioStream::TakeNextHeader() {
    offset_ = 0;
    while ((current_ = queued_.Pop()) != nullptr) {
        if (current_->bufferLength > 0) {
            return true;
        }
        FinishCurrent(0);
    }
    return false;
}

void PortAudioStream::FinishCurrent(std::uint32_t bytes) {
    if (direction_ == StreamDirection::Input) {
        current_->bytesRecorded = bytes;
    }
    MarkDone(current_);
    // Cannot overflow: Queue keeps the headers in the device below the ring's capacity.
    finished_.Push(current_);
    done_.fetch_add(1, std::memory_order_release);
    current_ = nullptr;
    offset_ = 0;
    sem_post(&wake_);
}

} // namespace platform
