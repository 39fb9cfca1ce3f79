// SPDX-License-Identifier: MIT
#include "platform/portaudio/PortAudioStream.h"

#include "platform/portaudio/PortAudioErrors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

namespace platform {

namespace {

// The device marks a finished header while the UI thread may look at the flags of the headers
// it still holds, so the backend touches the flags of a queued header only atomically.
void MarkQueued(WaveHeader* header) {
    std::atomic_ref<std::uint32_t> flags(header->flags);
    flags.store((flags.load() & ~WHDR_DONE) | WHDR_INQUEUE);
}

// One step, so that the UI thread never sees a header that is neither queued nor done.
void MarkDone(WaveHeader* header) {
    std::atomic_ref<std::uint32_t> flags(header->flags);
    std::uint32_t old = flags.load();
    while (!flags.compare_exchange_weak(old, (old & ~WHDR_INQUEUE) | WHDR_DONE)) {
    }
}

std::uint64_t ThreadCpuNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1'000'000'000u +
           static_cast<std::uint64_t>(now.tv_nsec);
}

} // namespace

PortAudioStream::PortAudioStream(StreamDirection direction, Dispatcher& dispatcher,
                                 WaveNotificationReceiver* receiver, const WaveFormat& format,
                                 StreamCounters& counters)
    : direction_(direction), dispatcher_(dispatcher), receiver_(receiver), format_(format),
      counters_(counters) {
    sem_init(&wake_, 0, 0);
}

PortAudioStream::~PortAudioStream() {
    if (stream_ != nullptr) {
        StopCallback(false);
        Pa_CloseStream(stream_);
    }
    StopNotifier();
    sem_destroy(&wake_);
}

MMResult PortAudioStream::Open(PaDeviceIndex device) {
    const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
    if (info == nullptr) {
        return FromPaError(paInvalidDevice);
    }
    const bool output = direction_ == StreamDirection::Output;
    PaStreamParameters parameters{};
    parameters.device = device;
    parameters.channelCount = format_.channels;
    parameters.sampleFormat = format_.bitsPerSample == 8 ? paUInt8 : paInt16;
    // The instrument needs no short latency, but no gap either: take the safe end.
    parameters.suggestedLatency =
        output ? info->defaultHighOutputLatency : info->defaultHighInputLatency;
    PaError error = Pa_OpenStream(&stream_, output ? nullptr : &parameters,
                                  output ? &parameters : nullptr, format_.samplesPerSec,
                                  paFramesPerBufferUnspecified, paNoFlag, &Callback, this);
    if (error != paNoError) {
        stream_ = nullptr;
        return FromPaError(error);
    }
    if (output && (error = Pa_StartStream(stream_)) != paNoError) {
        Pa_CloseStream(stream_);
        stream_ = nullptr;
        return FromPaError(error);
    }
    notifier_ = std::thread([this] { NotifierLoop(); });
    Post(output ? MM_WOM_OPEN : MM_WIM_OPEN, nullptr);
    return MMSYSERR_NOERROR;
}

MMResult PortAudioStream::Queue(WaveHeader* header) {
    if (written_ - taken_.load(std::memory_order_acquire) >= HeaderRing::Capacity) {
        return MMSYSERR_NOMEM;
    }
    header->bytesRecorded = 0;
    MarkQueued(header);
    queued_.Push(header);
    ++written_;
    return MMSYSERR_NOERROR;
}

MMResult PortAudioStream::Start() {
    const PaError stopped = Pa_IsStreamStopped(stream_);
    if (stopped < 0) {
        return FromPaError(stopped);
    }
    return stopped == 0 ? MMSYSERR_NOERROR : FromPaError(Pa_StartStream(stream_));
}

MMResult PortAudioStream::Reset() {
    StopCallback(false);
    {
        std::lock_guard lock(postMutex_);
        PostFinished();
        if (current_ != nullptr) {
            ReturnHeader(current_, offset_);
            current_ = nullptr;
            offset_ = 0;
        }
        while (WaveHeader* header = queued_.Pop()) {
            ReturnHeader(header, 0);
        }
    }
    playing_ = false;
    starved_ = false;
    if (direction_ == StreamDirection::Output) {
        return FromPaError(Pa_StartStream(stream_));
    }
    return MMSYSERR_NOERROR;
}

MMResult PortAudioStream::Close() {
    if (written_ != done_.load(std::memory_order_acquire)) {
        return WAVERR_STILLPLAYING;
    }
    // Output plays out what PortAudio already holds, so the last buffer is heard in full.
    StopCallback(direction_ == StreamDirection::Output);
    Pa_CloseStream(stream_);
    stream_ = nullptr;
    StopNotifier();
    std::lock_guard lock(postMutex_);
    PostFinished();
    Post(direction_ == StreamDirection::Output ? MM_WOM_CLOSE : MM_WIM_CLOSE, nullptr);
    return MMSYSERR_NOERROR;
}

int PortAudioStream::Callback(const void* input, void* output, unsigned long frames,
                              const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags status,
                              void* self) {
    auto& stream = *static_cast<PortAudioStream*>(self);
    StreamCounters& counters = stream.counters_;
    const bool timed = counters.timeCallbacks.load(std::memory_order_relaxed);
    const std::uint64_t start = timed ? ThreadCpuNanoseconds() : 0;
    const std::size_t bytes = frames * stream.format_.blockAlign;
    if (stream.direction_ == StreamDirection::Output) {
        stream.Play(static_cast<char*>(output), bytes, status);
    } else {
        stream.Record(static_cast<const char*>(input), bytes, status);
    }
    counters.callbacks.fetch_add(1, std::memory_order_relaxed);
    if (timed) {
        counters.callbackNanoseconds.fetch_add(ThreadCpuNanoseconds() - start,
                                               std::memory_order_relaxed);
    }
    return paContinue;
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

void PortAudioStream::NotifierLoop() {
    for (;;) {
        while (sem_wait(&wake_) != 0 && errno == EINTR) {
        }
        if (quit_.load()) {
            return;
        }
        std::lock_guard lock(postMutex_);
        PostFinished();
    }
}

void PortAudioStream::PostFinished() {
    const std::uint32_t message = direction_ == StreamDirection::Output ? MM_WOM_DONE : MM_WIM_DATA;
    while (WaveHeader* header = finished_.Pop()) {
        taken_.fetch_add(1, std::memory_order_release);
        Post(message, header);
    }
}

void PortAudioStream::Post(std::uint32_t message, WaveHeader* header) {
    WaveNotificationReceiver* receiver = receiver_;
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

void PortAudioStream::StopCallback(bool drain) {
    if (Pa_IsStreamStopped(stream_) == 0) {
        if (drain) {
            Pa_StopStream(stream_);
        } else {
            Pa_AbortStream(stream_);
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

} // namespace platform
