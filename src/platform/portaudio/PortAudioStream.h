// SPDX-License-Identifier: MIT
#pragma once

// One open wave device on a PortAudio stream: the buffer queue, the real-time callback and the
// notifier thread that hands finished buffers to the dispatcher.
//
// Threads: every public member runs on the UI thread. The PortAudio callback runs on the audio
// thread and never blocks, waits or allocates: it takes queued headers from `queued_`, marks
// finished ones done, puts them into `finished_` and wakes the notifier with sem_post. The
// notifier thread posts one notification per finished header to the dispatcher, in the order
// the callback finished them. Reset closes the gate between the running PortAudio stream and the
// buffers and Close stops the stream, so that from then on the UI thread owns the callback's
// state; a mutex among the notifier and the UI thread keeps notifications in device order when
// both drain `finished_`.
//
// A stream outlives the PortAudio stream under it. When the callbacks end by themselves or stall
// (the sound server died), the notifier asks the UI thread to check; the UI thread gives the
// dead PortAudio stream to a reopener, keeps every queued buffer, and adopts the new PortAudio
// stream that the reopener opens once the device is back; that one goes on with the queued
// buffers. A dead PortAudio stream is never stopped or started on the UI thread: PortAudio can
// hang in both. Every PortAudio call is made under the session's PortAudio lock.

#include "platform/Dispatcher.h"
#include "platform/WaveService.h"
#include "platform/portaudio/DeviceHealth.h"
#include "platform/portaudio/HeaderRing.h"
#include "platform/portaudio/PortAudioReopener.h"

#include <portaudio.h>
#include <semaphore.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {

// What the callbacks of all streams of one service count; read on any thread.
struct StreamCounters {
    // Output gaps: a buffer arrived after the queue had run dry while playing, or PortAudio
    // reported an output underflow. The end of the last buffer before close is no gap.
    std::atomic<std::uint64_t> underruns{0};
    // Input that PortAudio lost (input overflow).
    std::atomic<std::uint64_t> overruns{0};
    // Captured frames thrown away because no buffer was queued (normal between bursts).
    std::atomic<std::uint64_t> droppedInputFrames{0};
    std::atomic<std::uint64_t> callbacks{0};
    // Thread CPU time spent in callbacks, counted only while `timeCallbacks` is set.
    std::atomic<bool> timeCallbacks{false};
    std::atomic<std::uint64_t> callbackNanoseconds{0};
};

enum class StreamDirection { Output, Input };

class PortAudioStream {
public:
    PortAudioStream(StreamDirection direction, Dispatcher& dispatcher,
                    WaveNotificationReceiver* receiver, const WaveFormat& format,
                    StreamCounters& counters, DeviceHealth& health, PortAudioLock lock);
    // Stops the stream and the notifier without any further notification.
    ~PortAudioStream();
    PortAudioStream(const PortAudioStream&) = delete;
    PortAudioStream& operator=(const PortAudioStream&) = delete;

    // Opens `device` and posts the open notification; output starts at once (silence until a
    // buffer is queued). A PortAudio failure returns its private code.
    MMResult Open(PaDeviceIndex device);
    // Hands one header to the device (the caller has checked that it is prepared).
    MMResult Queue(WaveHeader* header);
    // Input: starts recording into the queued buffers.
    MMResult Start();
    // Output: while paused the device plays silence and keeps its buffers.
    void SetPaused(bool paused) { paused_.store(paused, std::memory_order_relaxed); }
    // Returns every buffer with its notification in device order; output goes on playing what
    // is queued later (silence until then), input waits for Start.
    MMResult Reset();
    // WAVERR_STILLPLAYING while the device holds buffers; else stops, posts the remaining
    // notifications and the close notification.
    MMResult Close();

    // Input: a capture on a sound server costs a new connection for every open, and the
    // instrument captures in bursts, opening and closing its input each time. So a closed input
    // stream can be parked instead: it posts its close notification, keeps its PortAudio stream
    // running (dropping what it captures) and serves the next open of the same device and
    // format, which gets its open notification as from a new stream.
    bool CanPark() const;
    // A parked stream can serve an open of `device` with `format`.
    bool Serves(PaDeviceIndex device, const WaveFormat& format) const;
    MMResult Park(); // WAVERR_STILLPLAYING while the device holds buffers
    void Unpark(WaveNotificationReceiver* receiver);

    // No callback for this long while the stream should run means that the device is lost.
    static constexpr std::chrono::milliseconds kStallLimit{1000};
    // The longest the UI thread waits for the PortAudio lock; longer means a reopen hangs.
    static constexpr std::chrono::milliseconds kPortAudioWait{200};

private:
    static int Callback(const void* input, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags status,
                        void* link);
    static void CallbacksEnded(void* link);
    static std::int64_t SteadyNanoseconds();
    // What a PortAudio stream's threads reach their owner through. Giving a PortAudio stream up
    // cuts the link first, so that a late callback of the dead stream touches nothing of the
    // owner's; the reopener keeps the cut link alive until the dead stream is closed.
    // A callback announces itself on the link before it loads the owner, and the cut waits
    // until no callback is inside: a callback that loaded the owner just before the cut would
    // otherwise play or record into buffers the UI thread already took back.
    struct CallbackLink {
        explicit CallbackLink(PortAudioStream* stream) : owner(stream) {}
        std::atomic<PortAudioStream*> owner;
        std::atomic<bool> inCallback{false};
    };
    PortAudioReopener::Open OpenRequest() const;
    PaError OpenPaStream();
    PaError StartPaStream();
    PaError StartCallbacks();
    void ClosePaStream();
    std::unique_lock<std::timed_mutex> LockPortAudio() const;
    bool Died() const;
    void CheckHealth();
    void Lose();
    void Adopt(PaStream* stream);
    void PostHealthCheck();
    void Play(char* out, std::size_t bytes, PaStreamCallbackFlags status);
    // The callback's work: play or record through the gate below.
    void Exchange(const void* input, void* output, std::size_t bytes, PaStreamCallbackFlags status);
    void Record(const char* in, std::size_t bytes, PaStreamCallbackFlags status);
    // Closes the gate and waits until the callback is out of the buffers.
    void StopExchange();
    bool TakeNextHeader();
    void FinishCurrent(std::uint32_t bytes);

    void NotifierLoop();
    void PostFinished(); // with postMutex_ held
    void Post(std::uint32_t message, WaveHeader* header);
    void ReturnHeader(WaveHeader* header, std::uint32_t bytes);
    void StopCallback(bool drain);
    void StopNotifier();

    const StreamDirection direction_;
    Dispatcher& dispatcher_;
    std::atomic<WaveNotificationReceiver*> receiver_; // null while parked
    const WaveFormat format_;
    StreamCounters& counters_;
    DeviceHealth& health_;
    const PortAudioLock lock_;
    PaDeviceIndex device_ = paNoDevice;
    PaStream* stream_ = nullptr; // null while the device is lost

    // Health: whether callbacks should arrive, whether they ended, and when the last one ran.
    std::atomic<bool> expectCallbacks_{false};
    std::atomic<bool> callbacksEnded_{false};
    std::atomic<std::int64_t> lastCallbackNs_{0};
    std::atomic<bool> lost_{false};
    std::shared_ptr<CallbackLink> link_ = std::make_shared<CallbackLink>(this);
    std::atomic<bool> checkPosted_{false};
    // The gate between the running PortAudio stream and the queued buffers (closed: output
    // plays silence, input drops what it captures), and whether the callback is at that moment
    // passing it. Output opens it at the open, input at Start; Reset closes it on the UI
    // thread, which then owns the callback state.
    std::atomic<bool> exchanging_{false};
    std::atomic<bool> inExchange_{false};
    std::unique_ptr<PortAudioReopener> reopener_; // while lost
    // False once the stream is gone, for health checks still on their way to the UI thread.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    HeaderRing queued_;         // UI thread -> callback
    HeaderRing finished_;       // callback -> notifier (or the UI thread once the stream stopped)
    std::uint64_t written_ = 0; // headers handed over; UI thread
    std::atomic<std::uint64_t> done_{0};  // headers the device finished or returned
    std::atomic<std::uint64_t> taken_{0}; // headers taken out of `finished_` again

    // Callback state; the UI thread touches it only while the stream is stopped.
    WaveHeader* current_ = nullptr;
    std::uint32_t offset_ = 0;
    bool playing_ = false; // output: data was played since the queue last ran dry
    bool starved_ = false; // output: the queue ran dry while playing
    std::atomic<bool> paused_{false};

    sem_t wake_;
    std::atomic<bool> quit_{false};
    std::mutex postMutex_;
    std::thread notifier_;
};

} // namespace platform
