// SPDX-License-Identifier: MIT
#include "platform/portaudio/PortAudioStream.h"

#include "platform/portaudio/PortAudioErrors.h"
#include "platform/portaudio/PortAudioSession.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <optional>
#include <thread>
#include <utility>

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

std::int64_t SteadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Frames per callback: few callbacks (22 a second) cost little where a sound server sits
// behind the device, and a captured block of 8000 frames fills in exactly four of them, so a
// block returns as soon as its last frame is in. Larger callbacks on either stream, or a
// deeper playback buffer, let a sound server deliver capture in bursts; a block that ends early in
// a burst finds no buffer queued for the rest of it, and the capture loses blocks.
constexpr unsigned long kFramesPerCallback = 2000;

// Capture buffer: room for more than a block, where the device's high latency holds two
// callbacks. It also wakes a sound server's client less often.
constexpr double kCaptureLatencySeconds = 0.2;

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

std::uint64_t ThreadCpuNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1'000'000'000u +
           static_cast<std::uint64_t>(now.tv_nsec);
}

} // namespace

PortAudioStream::PortAudioStream(StreamDirection direction, Dispatcher& dispatcher,
                                 WaveNotificationReceiver* receiver, const WaveFormat& format,
                                 StreamCounters& counters, DeviceHealth& health, PortAudioLock lock)
    : direction_(direction), dispatcher_(dispatcher), receiver_(receiver), format_(format),
      counters_(counters), health_(health), lock_(std::move(lock)) {
    sem_init(&wake_, 0, 0);
}

PortAudioStream::~PortAudioStream() {
    reopener_.reset();
    *alive_ = false;
    link_->owner.store(nullptr);
    StopCallback(false);
    ClosePaStream();
    StopNotifier();
    sem_destroy(&wake_);
    if (lost_.load()) {
        health_.StreamClosed(this);
    }
}

MMResult PortAudioStream::Open(PaDeviceIndex device) {
    device_ = device;
    exchanging_.store(direction_ == StreamDirection::Output);
    if (const PaError error = OpenPaStream(); error != paNoError) {
        return FromPaError(error);
    }
    notifier_ = std::thread([this] { NotifierLoop(); });
    Post(direction_ == StreamDirection::Output ? MM_WOM_OPEN : MM_WIM_OPEN, nullptr);
    return MMSYSERR_NOERROR;
}

// What opens this stream's device, for the first open and for every reopen.
PortAudioReopener::Open PortAudioStream::OpenRequest() const {
    const PaDeviceInfo* info = device_ == paNoDevice ? nullptr : Pa_GetDeviceInfo(device_);
    if (info == nullptr) {
        return [](PaStream**) { return paInvalidDevice; };
    }
    const bool output = direction_ == StreamDirection::Output;
    PaStreamParameters parameters{};
    parameters.device = device_;
    parameters.channelCount = format_.channels;
    parameters.sampleFormat = format_.bitsPerSample == 8 ? paUInt8 : paInt16;
    // The instrument needs no short latency, but no gap either: take the safe end, and for
    // capture a buffer that rides out a callback thread delayed by a busy machine.
    parameters.suggestedLatency =
        output ? info->defaultHighOutputLatency
               : std::max(info->defaultHighInputLatency, kCaptureLatencySeconds);
    const double rate = format_.samplesPerSec;
    return [parameters, output, rate, link = link_](PaStream** stream) {
        return Pa_OpenStream(stream, output ? nullptr : &parameters, output ? &parameters : nullptr,
                             rate, kFramesPerCallback, paNoFlag, &Callback, link.get());
    };
}

PaError PortAudioStream::OpenPaStream() {
    PaError error = paDeviceUnavailable;
    if (auto lock = LockPortAudio(); lock.owns_lock()) {
        // While the device is gone, PortAudio prints its failed attempts on standard error;
        // the user has been told once already.
        std::optional<QuietStderr> quiet;
        if (!health_.Working()) {
            quiet.emplace();
        }
        error = OpenRequest()(&stream_);
    }
    if (error != paNoError) {
        stream_ = nullptr;
        return error;
    }
    if ((error = StartPaStream()) != paNoError) {
        ClosePaStream();
    }
    return error;
}

// Both directions run from the open on; input drops what it captures until started.
PaError PortAudioStream::StartPaStream() {
    Pa_SetStreamFinishedCallback(stream_, &CallbacksEnded);
    return StartCallbacks();
}

PaError PortAudioStream::StartCallbacks() {
    callbacksEnded_.store(false);
    lastCallbackNs_.store(SteadyNanoseconds());
    auto lock = LockPortAudio();
    const PaError error = lock.owns_lock() ? Pa_StartStream(stream_) : paDeviceUnavailable;
    expectCallbacks_.store(error == paNoError);
    return error;
}

// The callbacks ended without being stopped, or stalled: the device is gone.
bool PortAudioStream::Died() const {
    const auto silentFor = std::chrono::nanoseconds(SteadyNanoseconds() - lastCallbackNs_.load());
    return expectCallbacks_.load() && (callbacksEnded_.load() || silentFor > kStallLimit);
}

void PortAudioStream::CallbacksEnded(void* link) {
    if (PortAudioStream* stream = static_cast<CallbackLink*>(link)->owner.load()) {
        stream->callbacksEnded_.store(true);
        sem_post(&stream->wake_);
    }
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
    exchanging_.store(true);
    if (stream_ == nullptr || expectCallbacks_.load()) {
        return MMSYSERR_NOERROR; // a lost stream starts with its reopen
    }
    return FromPaError(StartCallbacks());
}

void PortAudioStream::StopExchange() {
    exchanging_.store(false);
    // The callback reads `exchanging_` after announcing itself, so once it is seen outside the
    // exchange, it stays out until the gate opens again.
    while (inExchange_.load()) {
        std::this_thread::yield();
    }
}

MMResult PortAudioStream::Reset() {
    // A dead stream is handed over at once: stopping it could hang.
    if (Died()) {
        Lose();
    }
    // The PortAudio stream keeps running: input records again at the next Start, output
    // plays what is queued later. Stopping and starting it again would cost a round trip to
    // a sound server each time, and PortAudio can hang in a start on a server that died.
    StopExchange();
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
    exchanging_.store(direction_ == StreamDirection::Output);
    return MMSYSERR_NOERROR;
}

MMResult PortAudioStream::Close() {
    if (written_ != done_.load(std::memory_order_acquire)) {
        return WAVERR_STILLPLAYING;
    }
    if (Died()) {
        Lose();
    }
    // Output plays out what PortAudio already holds, so the last buffer is heard in full.
    StopCallback(direction_ == StreamDirection::Output);
    ClosePaStream();
    reopener_.reset();
    StopNotifier();
    std::lock_guard lock(postMutex_);
    PostFinished();
    Post(direction_ == StreamDirection::Output ? MM_WOM_CLOSE : MM_WIM_CLOSE, nullptr);
    return MMSYSERR_NOERROR;
}

bool PortAudioStream::CanPark() const {
    return direction_ == StreamDirection::Input && stream_ != nullptr && !lost_.load();
}

bool PortAudioStream::Serves(PaDeviceIndex device, const WaveFormat& format) const {
    return CanPark() && device == device_ && std::memcmp(&format, &format_, sizeof format) == 0;
}

MMResult PortAudioStream::Park() {
    if (written_ != done_.load(std::memory_order_acquire)) {
        return WAVERR_STILLPLAYING;
    }
    StopExchange();
    std::lock_guard lock(postMutex_);
    PostFinished();
    Post(MM_WIM_CLOSE, nullptr);
    receiver_.store(nullptr);
    return MMSYSERR_NOERROR;
}

void PortAudioStream::Unpark(WaveNotificationReceiver* receiver) {
    receiver_.store(receiver);
    Post(MM_WIM_OPEN, nullptr);
}

int PortAudioStream::Callback(const void* input, void* output, unsigned long frames,
                              const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags status,
                              void* link) {
    PortAudioStream* owner = static_cast<CallbackLink*>(link)->owner.load();
    if (owner == nullptr) {
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

void PortAudioStream::StopCallback(bool drain) {
    expectCallbacks_.store(false);
    if (stream_ == nullptr) {
        return;
    }
    auto lock = LockPortAudio();
    if (!lock.owns_lock()) {
        Lose(); // PortAudio hangs in a reopen: this stream cannot be reached either
        return;
    }
    if (Pa_IsStreamStopped(stream_) == 0) {
        if (drain) {
            Pa_StopStream(stream_);
        } else {
            Pa_AbortStream(stream_);
        }
    }
    // Stopping ends the callbacks too; only an end without a stop means a lost device.
    callbacksEnded_.store(false);
}

void PortAudioStream::ClosePaStream() {
    if (stream_ == nullptr) {
        return;
    }
    if (auto lock = LockPortAudio(); lock.owns_lock()) {
        Pa_CloseStream(stream_);
    }
    stream_ = nullptr;
}

std::unique_lock<std::timed_mutex> PortAudioStream::LockPortAudio() const {
    return std::unique_lock(*lock_, kPortAudioWait);
}

void PortAudioStream::StopNotifier() {
    if (notifier_.joinable()) {
        quit_.store(true);
        sem_post(&wake_);
        notifier_.join();
    }
}

} // namespace platform
