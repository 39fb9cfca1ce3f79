// SPDX-License-Identifier: MIT
#pragma once

// The wave service on a real sound card through PortAudio. Device 0 and WAVE_MAPPER stand for
// one PortAudio device, chosen at construction (by default the system's default output and
// input devices); other device numbers are MMSYSERR_BADDEVICEID. Formats: PCM, 8 or 16 bits,
// 1 or 2 channels; a rate or channel count that the device refuses fails with PortAudio's own
// message as error text. Notifications go through the dispatcher. All operations are called
// on the UI thread; the service outlives every device it opened.

#include "platform/Dispatcher.h"
#include "platform/WaveService.h"
#include "platform/portaudio/PortAudioSession.h"
#include "platform/portaudio/PortAudioStream.h"

#include <map>
#include <memory>

namespace platform {

// Snapshot of what the callbacks counted since the service was made.
struct StreamStatistics {
    std::uint64_t underruns = 0;
    std::uint64_t overruns = 0;
    std::uint64_t droppedInputFrames = 0;
    std::uint64_t callbacks = 0;
    std::uint64_t callbackNanoseconds = 0; // thread CPU time, while timing is on
};

class PortAudioWaveService final : public WaveService {
public:
    // `device` = paNoDevice: the system's default output and input devices at open time.
    explicit PortAudioWaveService(Dispatcher& dispatcher, PaDeviceIndex device = paNoDevice);
    ~PortAudioWaveService() override;

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

    void SetDeviceStatusListener(DeviceStatusListener listener) override;

    StreamStatistics Statistics() const;
    LostBlocks Lost() const override;
    // Measures the callbacks' CPU time from now on (costs two clock reads per callback).
    void TimeCallbacks(bool on) { counters_.timeCallbacks.store(on); }

private:
    using Streams = std::map<std::uint32_t, std::unique_ptr<PortAudioStream>>;

    MMResult Open(StreamDirection direction, std::uint32_t* handle, std::uint32_t deviceId,
                  const WaveFormat* format, WaveNotificationReceiver* receiver);
    PortAudioStream* Find(const Streams& streams, std::uint32_t handle) const;
    MMResult Prepare(const Streams& streams, std::uint32_t handle, WaveHeader* header,
                     std::uint32_t headerSize, bool prepare);
    MMResult Queue(const Streams& streams, std::uint32_t handle, WaveHeader* header,
                   std::uint32_t headerSize);
    MMResult Close(Streams& streams, std::uint32_t handle);
    MMResult SetOutputPaused(WaveOutHandle handle, bool paused);

    Dispatcher& dispatcher_;
    PortAudioSession session_;
    const PaDeviceIndex device_;
    StreamCounters counters_;
    DeviceHealth health_; // before the streams, which tell it when they close
    Streams outputs_;
    Streams inputs_;
    std::unique_ptr<PortAudioStream> parkedInput_; // the last closed input, still running
    std::uint32_t nextHandle_ = 1;
};

} // namespace platform
