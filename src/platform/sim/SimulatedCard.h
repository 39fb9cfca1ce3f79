// SPDX-License-Identifier: MIT
#pragma once

// The simulated sound card: one output and one input device (number 0, or the default device)
// behind the wave service, running at 44 100 frames per second of card time. The output plays
// the buffers queued to it in order, the input records into its queued buffers what a capture
// source delivers, and the source hears what the output plays in the same frames, so the
// instrument measures its own generator through the simulated measuring unit. Every
// notification goes through the dispatcher, in the order the card issues it.
//
// Card time is virtual: it moves only when AdvanceFrames is called, by tests explicitly or by a
// RealTimeClock in the program. The wave operations are called on the UI thread, AdvanceFrames
// on any one thread; all of them may overlap, the card's state sits behind one short-held lock.

#include "platform/Dispatcher.h"
#include "platform/WaveService.h"
#include "platform/sim/SimPcm.h"

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace platform::sim {

inline constexpr std::uint32_t kFrameRate = 44100; // the card's only rate, frames per second

// What reaches the card's input. Called by the card, under its lock, on the thread that
// advances the card; must not block, allocate or do I/O.
class CaptureSource {
public:
    virtual ~CaptureSource() = default;
    // Writes `frames` stereo 16-bit frames into `stereo` (2*frames values; first value of each
    // frame = channel R, the voltage; second = channel L, the current) given the mono signal
    // `played` that the output played during the same frames (silence where nothing played).
    virtual void Render(const std::int16_t* played, std::size_t frames, std::int16_t* stereo) = 0;
};

enum class SimOperation { OutOpen, OutPrepare, OutWrite, InOpen, InPrepare, InAddBuffer, InStart };

// Buffer headers are accepted with a size of at least sizeof(WaveHeader); the card links queued
// headers through their `next` field, which belongs to the device while it holds a header. A
// device opened with a null receiver notifies nobody. Handles are never reused, so the handle of
// a closed device stays invalid (MMSYSERR_INVALHANDLE).
class SimulatedCard final : public WaveService {
public:
    // The source is the default MeasuringUnit.
    explicit SimulatedCard(Dispatcher& dispatcher);
    ~SimulatedCard() override;
    SimulatedCard(const SimulatedCard&) = delete;
    SimulatedCard& operator=(const SimulatedCard&) = delete;

    // Replaces what the input hears; null puts back the default MeasuringUnit.
    void SetSource(std::unique_ptr<CaptureSource> source);
    // Plays and records `frames` frames of card time now, posting the notifications of every
    // buffer finished meanwhile to the dispatcher (in device order).
    void AdvanceFrames(std::size_t frames);
    // The next call of that operation fails with `code` (once) and changes nothing; for tests
    // of error paths.
    void FailNext(SimOperation operation, MMResult code);
    // Frames of card time advanced since construction.
    std::uint64_t ElapsedFrames() const;
    // Frames of card time until the next queued buffer comes back (at least 1); none while no
    // device plays or records into a buffer.
    std::optional<std::uint64_t> FramesToNextReturn() const;
    // Called, under the card's lock, whenever a wave operation may bring the next return
    // closer (a buffer queued, a device started); it must not call the card. Empty = nobody.
    void SetScheduleListener(std::function<void()> listener);

    MMResult WaveOutOpen(WaveOutHandle* handle, std::uint32_t deviceId, const WaveFormat* format,
                         WaveNotificationReceiver* receiver) override;
    MMResult WaveOutPrepareHeader(WaveOutHandle handle, WaveHeader* header,
                                  std::uint32_t headerSize) override;
    MMResult WaveOutUnprepareHeader(WaveOutHandle handle, WaveHeader* header,
                                    std::uint32_t headerSize) override;
    MMResult WaveOutWrite(WaveOutHandle handle, WaveHeader* header,
                          std::uint32_t headerSize) override;
    MMResult WaveOutPause(WaveOutHandle handle) override;
    MMResult WaveOutRestart(WaveOutHandle handle) override;
    MMResult WaveOutReset(WaveOutHandle handle) override;
    MMResult WaveOutClose(WaveOutHandle handle) override;
    MMResult WaveOutGetErrorText(MMResult error, char* text, std::uint32_t size) override;

    MMResult WaveInOpen(WaveInHandle* handle, std::uint32_t deviceId, const WaveFormat* format,
                        WaveNotificationReceiver* receiver) override;
    MMResult WaveInPrepareHeader(WaveInHandle handle, WaveHeader* header,
                                 std::uint32_t headerSize) override;
    MMResult WaveInUnprepareHeader(WaveInHandle handle, WaveHeader* header,
                                   std::uint32_t headerSize) override;
    MMResult WaveInAddBuffer(WaveInHandle handle, WaveHeader* header,
                             std::uint32_t headerSize) override;
    MMResult WaveInStart(WaveInHandle handle) override;
    MMResult WaveInReset(WaveInHandle handle) override;
    MMResult WaveInClose(WaveInHandle handle) override;
    MMResult WaveInGetErrorText(MMResult error, char* text, std::uint32_t size) override;

private:
    // One direction's device.
    struct Device {
        std::uint32_t handle = 0; // 0 while closed
        WaveNotificationReceiver* receiver = nullptr;
        PcmLayout layout;
        HeaderQueue queue;
        std::uint32_t playedBytes = 0; // output: bytes of the front buffer already played
        bool running = false;          // output: not paused; input: recording started
        std::uint32_t openMessage = 0, closeMessage = 0, bufferMessage = 0; // MM_WOM_* or MM_WIM_*
    };

    MMResult Open(Device& device, SimOperation operation, std::uint32_t* handle,
                  std::uint32_t deviceId, const WaveFormat* format,
                  WaveNotificationReceiver* receiver);
    MMResult Prepare(Device& device, SimOperation operation, std::uint32_t handle,
                     WaveHeader* header, std::uint32_t headerSize);
    MMResult Unprepare(Device& device, std::uint32_t handle, WaveHeader* header,
                       std::uint32_t headerSize);
    MMResult Enqueue(Device& device, SimOperation operation, std::uint32_t handle,
                     WaveHeader* header, std::uint32_t headerSize);
    MMResult Close(Device& device, std::uint32_t handle);
    MMResult SetRunning(Device& device, std::optional<SimOperation> operation, std::uint32_t handle,
                        bool running);
    MMResult Reset(Device& device, std::uint32_t handle, bool runningAfter);

    // Helpers below run under the lock.
    bool TakeFailure(SimOperation operation, MMResult& code);
    void ReturnFront(Device& device);
    void Notify(const Device& device, std::uint32_t message, WaveHeader* header);
    void PlayChunk(std::size_t frames);
    void ReturnPlayedBuffers();
    void RecordChunk(std::size_t frames);
    void ReturnRecordedBuffers();

    Dispatcher& dispatcher_;
    mutable std::mutex mutex_;
    std::unique_ptr<CaptureSource> source_;
    Device out_;
    Device in_;
    std::array<std::optional<MMResult>, 7> failNext_{};
    std::uint32_t lastHandle_ = 0;
    std::uint64_t elapsedFrames_ = 0;
    std::vector<std::int16_t> played_; // scratch of one step: what the output played
    std::vector<std::int16_t> stereo_; // scratch of one step: what the input heard
    std::function<void()> scheduleListener_;
};

// Advances a card in real time on its own thread, by the frames that really elapsed, waking when
// the next buffer is due to come back, when a wave operation may bring that closer, and at
// least ten times a second. A stall longer than a second (the machine suspended) is skipped,
// not made up in one burst. Stops and joins its thread in the destructor; the card must outlive
// it.
class RealTimeClock {
public:
    explicit RealTimeClock(SimulatedCard& card);
    ~RealTimeClock();
    RealTimeClock(const RealTimeClock&) = delete;
    RealTimeClock& operator=(const RealTimeClock&) = delete;

private:
    void Run();
    void Reschedule();

    SimulatedCard& card_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool rescheduled_ = false; // a wave operation changed the card since the wait was planned
    std::thread thread_;
};

} // namespace platform::sim
