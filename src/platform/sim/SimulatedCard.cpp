// SPDX-License-Identifier: MIT
#include "platform/sim/SimulatedCard.h"

#include "platform/sim/MeasuringUnit.h"

#include <algorithm>
#include <utility>

namespace platform::sim {

namespace {

// Frames per locked step of AdvanceFrames: short enough that the UI thread never waits long
// for the lock, and the size of the preallocated scratch.
constexpr std::size_t kStepFrames = 1024;

bool ValidHeader(const WaveHeader* header, std::uint32_t headerSize) {
    return header != nullptr && headerSize >= sizeof(WaveHeader);
}

} // namespace

SimulatedCard::SimulatedCard(Dispatcher& dispatcher)
    : dispatcher_(dispatcher), source_(std::make_unique<MeasuringUnit>()), played_(kStepFrames),
      stereo_(2 * kStepFrames) {
    out_.openMessage = MM_WOM_OPEN;
    out_.closeMessage = MM_WOM_CLOSE;
    out_.bufferMessage = MM_WOM_DONE;
    in_.openMessage = MM_WIM_OPEN;
    in_.closeMessage = MM_WIM_CLOSE;
    in_.bufferMessage = MM_WIM_DATA;
}

SimulatedCard::~SimulatedCard() = default;

void SimulatedCard::SetSource(std::unique_ptr<CaptureSource> source) {
    if (source == nullptr) {
        source = std::make_unique<MeasuringUnit>();
    }
    std::lock_guard lock(mutex_);
    source_.swap(source);
}

void SimulatedCard::FailNext(SimOperation operation, MMResult code) {
    std::lock_guard lock(mutex_);
    failNext_[static_cast<std::size_t>(operation)] = code;
}

std::uint64_t SimulatedCard::ElapsedFrames() const {
    std::lock_guard lock(mutex_);
    return elapsedFrames_;
}

std::optional<std::uint64_t> SimulatedCard::FramesToNextReturn() const {
    std::lock_guard lock(mutex_);
    std::optional<std::uint64_t> next;
    for (const Device* device : {&out_, &in_}) {
        const WaveHeader* front = device->queue.Front();
        if (device->handle == 0 || !device->running || front == nullptr) {
            continue;
        }
        // A buffer comes back once it has no room for a whole frame more.
        const std::uint32_t done = device == &out_ ? out_.playedBytes : front->bytesRecorded;
        const std::uint32_t blockAlign = std::max(device->layout.BlockAlign(), 1u);
        const std::uint64_t left =
            front->bufferLength > done ? (front->bufferLength - done) / blockAlign : 0;
        next = std::min(next.value_or(left), left);
    }
    if (next) {
        next = std::max<std::uint64_t>(*next, 1);
    }
    return next;
}

void SimulatedCard::SetScheduleListener(std::function<void()> listener) {
    std::lock_guard lock(mutex_);
    scheduleListener_ = std::move(listener);
}

// ---- output and input operations: twins over one Device each ----

MMResult SimulatedCard::WaveOutOpen(WaveOutHandle* handle, std::uint32_t deviceId,
                                    const WaveFormat* format, WaveNotificationReceiver* receiver) {
    return Open(out_, SimOperation::OutOpen, handle, deviceId, format, receiver);
}
MMResult SimulatedCard::WaveOutPrepareHeader(WaveOutHandle handle, WaveHeader* header,
                                             std::uint32_t headerSize) {
    return Prepare(out_, SimOperation::OutPrepare, handle, header, headerSize);
}
MMResult SimulatedCard::WaveOutUnprepareHeader(WaveOutHandle handle, WaveHeader* header,
                                               std::uint32_t headerSize) {
    return Unprepare(out_, handle, header, headerSize);
}
MMResult SimulatedCard::WaveOutWrite(WaveOutHandle handle, WaveHeader* header,
                                     std::uint32_t headerSize) {
    return Enqueue(out_, SimOperation::OutWrite, handle, header, headerSize);
}
MMResult SimulatedCard::WaveOutPause(WaveOutHandle handle) {
    return SetRunning(out_, std::nullopt, handle, false);
}
MMResult SimulatedCard::WaveOutRestart(WaveOutHandle handle) {
    return SetRunning(out_, std::nullopt, handle, true);
}
MMResult SimulatedCard::WaveOutReset(WaveOutHandle handle) {
    return Reset(out_, handle, true);
}
MMResult SimulatedCard::WaveOutClose(WaveOutHandle handle) {
    return Close(out_, handle);
}
MMResult SimulatedCard::WaveOutGetErrorText(MMResult error, char* text, std::uint32_t size) {
    return CopyErrorText(error, text, size);
}

MMResult SimulatedCard::WaveInOpen(WaveInHandle* handle, std::uint32_t deviceId,
                                   const WaveFormat* format, WaveNotificationReceiver* receiver) {
    return Open(in_, SimOperation::InOpen, handle, deviceId, format, receiver);
}
MMResult SimulatedCard::WaveInPrepareHeader(WaveInHandle handle, WaveHeader* header,
                                            std::uint32_t headerSize) {
    return Prepare(in_, SimOperation::InPrepare, handle, header, headerSize);
}
MMResult SimulatedCard::WaveInUnprepareHeader(WaveInHandle handle, WaveHeader* header,
                                              std::uint32_t headerSize) {
    return Unprepare(in_, handle, header, headerSize);
}
MMResult SimulatedCard::WaveInAddBuffer(WaveInHandle handle, WaveHeader* header,
                                        std::uint32_t headerSize) {
    return Enqueue(in_, SimOperation::InAddBuffer, handle, header, headerSize);
}
MMResult SimulatedCard::WaveInStart(WaveInHandle handle) {
    return SetRunning(in_, SimOperation::InStart, handle, true);
}
MMResult SimulatedCard::WaveInReset(WaveInHandle handle) {
    return Reset(in_, handle, false);
}
MMResult SimulatedCard::WaveInClose(WaveInHandle handle) {
    return Close(in_, handle);
}
MMResult SimulatedCard::WaveInGetErrorText(MMResult error, char* text, std::uint32_t size) {
    return CopyErrorText(error, text, size);
}

// ---- shared implementation ----

MMResult SimulatedCard::Open(Device& device, SimOperation operation, std::uint32_t* handle,
                             std::uint32_t deviceId, const WaveFormat* format,
                             WaveNotificationReceiver* receiver) {
    std::lock_guard lock(mutex_);
    MMResult code = MMSYSERR_NOERROR;
    if (TakeFailure(operation, code)) {
        return code;
    }
    if (handle == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    if (deviceId != 0 && deviceId != WAVE_MAPPER) {
        return MMSYSERR_BADDEVICEID;
    }
    if (device.handle != 0) {
        return MMSYSERR_ALLOCATED;
    }
    if (code = CheckFormat(format); code != MMSYSERR_NOERROR) {
        return code;
    }
    // Handles are never reused, so a stale handle of a closed device stays invalid.
    device.handle = ++lastHandle_;
    device.receiver = receiver;
    device.layout = LayoutOf(*format);
    device.playedBytes = 0;
    device.running = (&device == &out_); // output plays at once, input waits for its start
    *handle = device.handle;
    Notify(device, device.openMessage, nullptr);
    return MMSYSERR_NOERROR;
}

MMResult SimulatedCard::Prepare(Device& device, SimOperation operation, std::uint32_t handle,
                                WaveHeader* header, std::uint32_t headerSize) {
    std::lock_guard lock(mutex_);
    MMResult code = MMSYSERR_NOERROR;
    if (TakeFailure(operation, code)) {
        return code;
    }
    if (handle == 0 || handle != device.handle) {
        return MMSYSERR_INVALHANDLE;
    }
    if (!ValidHeader(header, headerSize) ||
        (header->data == nullptr && header->bufferLength != 0)) {
        return MMSYSERR_INVALPARAM;
    }
    header->flags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMResult SimulatedCard::Unprepare(Device& device, std::uint32_t handle, WaveHeader* header,
                                  std::uint32_t headerSize) {
    std::lock_guard lock(mutex_);
    if (handle == 0 || handle != device.handle) {
        return MMSYSERR_INVALHANDLE;
    }
    if (!ValidHeader(header, headerSize)) {
        return MMSYSERR_INVALPARAM;
    }
    if ((header->flags & WHDR_INQUEUE) != 0) {
        return WAVERR_STILLPLAYING;
    }
    header->flags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMResult SimulatedCard::Enqueue(Device& device, SimOperation operation, std::uint32_t handle,
                                WaveHeader* header, std::uint32_t headerSize) {
    std::lock_guard lock(mutex_);
    MMResult code = MMSYSERR_NOERROR;
    if (TakeFailure(operation, code)) {
        return code;
    }
    if (handle == 0 || handle != device.handle) {
        return MMSYSERR_INVALHANDLE;
    }
    if (!ValidHeader(header, headerSize)) {
        return MMSYSERR_INVALPARAM;
    }
    if ((header->flags & WHDR_PREPARED) == 0) {
        return WAVERR_UNPREPARED;
    }
    // Queueing a header twice would tie the queue into a loop.
    if ((header->flags & WHDR_INQUEUE) != 0) {
        return WAVERR_STILLPLAYING;
    }
    header->flags = (header->flags | WHDR_INQUEUE) & ~WHDR_DONE;
    if (&device == &in_) {
        header->bytesRecorded = 0;
    }
    device.queue.Push(header);
    if (scheduleListener_) {
        scheduleListener_();
    }
    return MMSYSERR_NOERROR;
}

MMResult SimulatedCard::SetRunning(Device& device, std::optional<SimOperation> operation,
                                   std::uint32_t handle, bool running) {
    std::lock_guard lock(mutex_);
    MMResult code = MMSYSERR_NOERROR;
    if (operation && TakeFailure(*operation, code)) {
        return code;
    }
    if (handle == 0 || handle != device.handle) {
        return MMSYSERR_INVALHANDLE;
    }
    device.running = running;
    if (scheduleListener_) {
        scheduleListener_();
    }
    return MMSYSERR_NOERROR;
}

MMResult SimulatedCard::Reset(Device& device, std::uint32_t handle, bool runningAfter) {
    std::lock_guard lock(mutex_);
    if (handle == 0 || handle != device.handle) {
        return MMSYSERR_INVALHANDLE;
    }
    while (!device.queue.Empty()) {
        ReturnFront(device);
    }
    device.running = runningAfter;
    return MMSYSERR_NOERROR;
}

MMResult SimulatedCard::Close(Device& device, std::uint32_t handle) {
    std::lock_guard lock(mutex_);
    if (handle == 0 || handle != device.handle) {
        return MMSYSERR_INVALHANDLE;
    }
    if (!device.queue.Empty()) {
        return WAVERR_STILLPLAYING;
    }
    Notify(device, device.closeMessage, nullptr);
    device.handle = 0;
    device.receiver = nullptr;
    device.running = false;
    return MMSYSERR_NOERROR;
}

bool SimulatedCard::TakeFailure(SimOperation operation, MMResult& code) {
    std::optional<MMResult>& failure = failNext_[static_cast<std::size_t>(operation)];
    if (!failure) {
        return false;
    }
    code = *failure;
    failure.reset();
    return true;
}

void SimulatedCard::ReturnFront(Device& device) {
    WaveHeader* header = device.queue.Pop();
    header->flags = (header->flags & ~WHDR_INQUEUE) | WHDR_DONE;
    device.playedBytes = 0;
    Notify(device, device.bufferMessage, header);
}

// Posting under the lock keeps the notifications of both threads in the card's order; the
// dispatcher only queues the work, which runs later on the UI thread.
void SimulatedCard::Notify(const Device& device, std::uint32_t message, WaveHeader* header) {
    if (device.receiver == nullptr) {
        return;
    }
    WaveNotificationReceiver* receiver = device.receiver;
    dispatcher_.Post([receiver, message, header] { receiver->OnWaveMessage(message, header); });
}

// ---- card time ----

void SimulatedCard::AdvanceFrames(std::size_t frames) {
    while (frames > 0) {
        const std::size_t step = std::min(frames, kStepFrames);
        std::lock_guard lock(mutex_);
        PlayChunk(step);
        source_->Render(played_.data(), step, stereo_.data());
        RecordChunk(step);
        elapsedFrames_ += step;
        frames -= step;
    }
}

void SimulatedCard::PlayChunk(std::size_t frames) {
    std::fill_n(played_.begin(), frames, std::int16_t{0});
    if (out_.handle == 0 || !out_.running) {
        return;
    }
    const std::uint32_t blockAlign = out_.layout.BlockAlign();
    for (std::size_t i = 0; i < frames; ++i) {
        ReturnPlayedBuffers();
        WaveHeader* front = out_.queue.Front();
        if (front == nullptr) {
            return; // the rest of the step is silence
        }
        played_[i] = ReadFirstChannel(front->data + out_.playedBytes, out_.layout);
        out_.playedBytes += blockAlign;
    }
    ReturnPlayedBuffers();
}

// Returns the buffers at the front that hold no whole frame more to play (a trailing partial
// frame is never played).
void SimulatedCard::ReturnPlayedBuffers() {
    const std::uint32_t blockAlign = out_.layout.BlockAlign();
    while (!out_.queue.Empty() &&
           std::uint64_t{out_.playedBytes} + blockAlign > out_.queue.Front()->bufferLength) {
        ReturnFront(out_);
    }
}

void SimulatedCard::RecordChunk(std::size_t frames) {
    if (in_.handle == 0 || !in_.running) {
        return;
    }
    const std::uint32_t blockAlign = in_.layout.BlockAlign();
    for (std::size_t i = 0; i < frames; ++i) {
        ReturnRecordedBuffers();
        WaveHeader* front = in_.queue.Front();
        if (front == nullptr) {
            return; // nothing to record into: the input is dropped
        }
        WriteFrame(front->data + front->bytesRecorded, &stereo_[2 * i], in_.layout);
        front->bytesRecorded += blockAlign;
    }
    ReturnRecordedBuffers();
}

void SimulatedCard::ReturnRecordedBuffers() {
    const std::uint32_t blockAlign = in_.layout.BlockAlign();
    while (!in_.queue.Empty() && std::uint64_t{in_.queue.Front()->bytesRecorded} + blockAlign >
                                     in_.queue.Front()->bufferLength) {
        ReturnFront(in_);
    }
}

} // namespace platform::sim
