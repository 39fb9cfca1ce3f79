// SPDX-License-Identifier: MIT
// A PortAudio stream's life on the UI thread: opening the device, starting, resetting, parking
// and closing. The callback side is in PortAudioStreamCallback.cpp, the health watch and the
// notifications in PortAudioStreamHealth.cpp.
#include "platform/portaudio/PortAudioStream.h"

#include "platform/portaudio/HeaderFlags.h"
#include "platform/portaudio/PortAudioErrors.h"
#include "platform/portaudio/PortAudioSession.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <thread>
#include <utility>

namespace platform {

namespace {

// Frames per callback: few callbacks (22 a second) cost little where a sound server sits
// behind the device, and a captured block of 8000 frames fills in exactly four of them, so a
// block returns as soon as its last frame is in. Larger callbacks on either stream, or a
// deeper playback buffer, let a sound server deliver capture in bursts; a block that ends early in
// a burst finds no buffer queued for the rest of it, and the capture loses blocks.
constexpr unsigned long kFramesPerCallback = 2000;

// Capture buffer: room for more than a block, where the device's high latency holds two
// callbacks. It also wakes a sound server's client less often.
constexpr double kCaptureLatencySeconds = 0.2;

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

std::int64_t PortAudioStream::SteadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace platform
