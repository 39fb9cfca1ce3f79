// SPDX-License-Identifier: MIT
// A PortAudio stream's notifier thread and health: finished buffers are posted to the UI thread,
// a stream whose callbacks ended or stalled is given up to a reopener, and the new stream it
// brings is adopted.
#include "platform/portaudio/PortAudioStream.h"

#include "platform/portaudio/HeaderFlags.h"

#include <cerrno>
#include <ctime>
#include <thread>
#include <utility>

namespace platform {

namespace {

// How often the notifier looks at the stream's health when nothing else wakes it. Only a stall
// needs the look, as callbacks that end wake the notifier at once; a quarter of the stall limit
// notices one soon enough and wakes a healthy stream's notifier only four times a second.
constexpr std::chrono::milliseconds kHealthTick{250};

void WaitAtMost(sem_t* semaphore, std::chrono::milliseconds limit) {
    timespec deadline{};
    clock_gettime(CLOCK_REALTIME, &deadline);
    const auto ns = deadline.tv_nsec + std::chrono::nanoseconds(limit).count();
    deadline.tv_sec += static_cast<time_t>(ns / 1'000'000'000);
    deadline.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    while (sem_timedwait(semaphore, &deadline) != 0 && errno == EINTR) {
    }
}

} // namespace

// The callbacks ended without being stopped, or stalled: the device is gone.
bool PortAudioStream::Died() const {
    const auto silentFor = std::chrono::nanoseconds(SteadyNanoseconds() - lastCallbackNs_.load());
    return expectCallbacks_.load() && (callbacksEnded_.load() || silentFor > kStallLimit);
}

void PortAudioStream::CallbacksEnded(void* link) {
    CallbackLink& callbackLink = *static_cast<CallbackLink*>(link);
    callbackLink.inCallback.store(true); // as in Callback: a cut waits for this to leave
    if (PortAudioStream* stream = callbackLink.owner.load()) {
        stream->callbacksEnded_.store(true);
        sem_post(&stream->wake_);
    }
    callbackLink.inCallback.store(false);
}

void PortAudioStream::NotifierLoop() {
    for (;;) {
        WaitAtMost(&wake_, kHealthTick);
        if (quit_.load()) {
            return;
        }
        {
            std::lock_guard lock(postMutex_);
            PostFinished();
        }
        if (Died()) {
            PostHealthCheck();
        }
    }
}

void PortAudioStream::StopNotifier() {
    if (notifier_.joinable()) {
        quit_.store(true);
        sem_post(&wake_);
        notifier_.join();
    }
}

void PortAudioStream::PostHealthCheck() {
    if (checkPosted_.exchange(true)) {
        return;
    }
    dispatcher_.Post([this, alive = alive_] {
        if (*alive) {
            CheckHealth();
        }
    });
}

void PortAudioStream::CheckHealth() {
    checkPosted_.store(false);
    if (!lost_.load() && Died()) {
        Lose();
    }
}

// Gives up the dead PortAudio stream to a reopener, which closes it and opens a new one; the
// queued buffers wait for that one. A buffer that was being recorded starts again, so that no
// block spans the gap.
void PortAudioStream::Lose() {
    const bool ended = callbacksEnded_.load();
    expectCallbacks_.store(false);
    lost_.store(true);
    link_->owner.store(nullptr);
    while (link_->inCallback.load()) {
        std::this_thread::yield(); // a callback that saw the owner before the cut leaves it
    }
    std::shared_ptr<CallbackLink> deadLink =
        std::exchange(link_, std::make_shared<CallbackLink>(this));
    // A callback that reached the buffers before the cut leaves them before the UI thread
    // touches them; the gate stays as it was for the stream that the reopen brings.
    const bool exchanging = exchanging_.load();
    StopExchange();
    exchanging_.store(exchanging);
    if (direction_ == StreamDirection::Input) {
        offset_ = 0;
    }
    auto deliver = [this, alive = alive_, lock = lock_](PaStream* stream) {
        dispatcher_.Post([this, alive, lock, stream] {
            if (*alive) {
                Adopt(stream);
                return;
            }
            std::lock_guard portAudio(*lock);
            Pa_CloseStream(stream);
        });
    };
    reopener_ =
        std::make_unique<PortAudioReopener>(lock_, std::exchange(stream_, nullptr),
                                            std::move(deadLink), OpenRequest(), std::move(deliver));
    health_.StreamLost(this, ended ? "the sound device stopped its stream"
                                   : "the sound device stopped answering");
}

void PortAudioStream::Adopt(PaStream* stream) {
    reopener_.reset();
    stream_ = stream;
    lost_.store(false);
    if (StartPaStream() != paNoError) {
        Lose();
        return;
    }
    health_.StreamWorks(this);
}

void PortAudioStream::PostFinished() {
    const std::uint32_t message = direction_ == StreamDirection::Output ? MM_WOM_DONE : MM_WIM_DATA;
    while (WaveHeader* header = finished_.Pop()) {
        taken_.fetch_add(1, std::memory_order_release);
        Post(message, header);
    }
}

void PortAudioStream::Post(std::uint32_t message, WaveHeader* header) {
    WaveNotificationReceiver* receiver = receiver_.load();
    dispatcher_.Post([receiver, message, header] {
        if (receiver != nullptr) {
            receiver->OnWaveMessage(message, header);
        }
    });
}

void PortAudioStream::ReturnHeader(WaveHeader* header, std::uint32_t bytes) {
    if (direction_ == StreamDirection::Input) {
        header->bytesRecorded = bytes;
    }
    MarkDone(header);
    done_.fetch_add(1, std::memory_order_release);
    taken_.fetch_add(1, std::memory_order_release);
    Post(direction_ == StreamDirection::Output ? MM_WOM_DONE : MM_WIM_DATA, header);
}

} // namespace platform
