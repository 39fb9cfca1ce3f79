// SPDX-License-Identifier: MIT
#pragma once

// The waveform-audio service: the sound card's output and input streams as the stream
// components use them. All operations are called on the UI thread and return at once; a device
// reports what happens to its buffers through notifications that the backend delivers on the UI
// thread, through the dispatcher, in the order the device issued them.

#include "platform/WaveTypes.h"

#include <functional>
#include <string>

namespace platform {

// Hears when the sound device stops working (`working` false, `reason` says why) and when it
// works again; called on the UI thread.
using DeviceStatusListener = std::function<void(bool working, const std::string& reason)>;

// Receives a device's notifications (MM_WOM_* or MM_WIM_*). `header` is the buffer concerned
// for DONE and DATA, null otherwise. Called on the UI thread only; the receiver must stay alive
// until the device's close notification has been delivered.
class WaveNotificationReceiver {
public:
    virtual ~WaveNotificationReceiver() = default;
    virtual void OnWaveMessage(std::uint32_t message, WaveHeader* header) = 0;
};

class WaveService {
public:
    virtual ~WaveService() = default;

    // Output. Open posts MM_WOM_OPEN, Write queues one prepared header (MM_WOM_DONE when
    // played), Reset returns every queued buffer at once (each with MM_WOM_DONE), Close posts
    // MM_WOM_CLOSE and fails with WAVERR_STILLPLAYING while buffers are queued.
    virtual MMResult WaveOutOpen(WaveOutHandle* handle, std::uint32_t deviceId,
                                 const WaveFormat* format, WaveNotificationReceiver* receiver) = 0;
    virtual MMResult WaveOutPrepareHeader(WaveOutHandle handle, WaveHeader* header,
                                          std::uint32_t headerSize) = 0;
    virtual MMResult WaveOutUnprepareHeader(WaveOutHandle handle, WaveHeader* header,
                                            std::uint32_t headerSize) = 0;
    virtual MMResult WaveOutWrite(WaveOutHandle handle, WaveHeader* header,
                                  std::uint32_t headerSize) = 0;
    virtual MMResult WaveOutPause(WaveOutHandle handle) = 0;
    virtual MMResult WaveOutRestart(WaveOutHandle handle) = 0;
    virtual MMResult WaveOutReset(WaveOutHandle handle) = 0;
    virtual MMResult WaveOutClose(WaveOutHandle handle) = 0;
    // Text for an error code, zero-terminated, into `text` of `size` characters (at most
    // MAXERRORLENGTH); MMSYSERR_BADERRNUM for a code it does not know.
    virtual MMResult WaveOutGetErrorText(MMResult error, char* text, std::uint32_t size) = 0;

    // Input. Open posts MM_WIM_OPEN, AddBuffer queues one prepared header, Start begins
    // recording into the queued buffers in order (MM_WIM_DATA for each full buffer; input is
    // dropped while none is queued), Reset stops and returns every queued buffer (each with
    // MM_WIM_DATA), Close posts MM_WIM_CLOSE.
    virtual MMResult WaveInOpen(WaveInHandle* handle, std::uint32_t deviceId,
                                const WaveFormat* format, WaveNotificationReceiver* receiver) = 0;
    virtual MMResult WaveInPrepareHeader(WaveInHandle handle, WaveHeader* header,
                                         std::uint32_t headerSize) = 0;
    virtual MMResult WaveInUnprepareHeader(WaveInHandle handle, WaveHeader* header,
                                           std::uint32_t headerSize) = 0;
    virtual MMResult WaveInAddBuffer(WaveInHandle handle, WaveHeader* header,
                                     std::uint32_t headerSize) = 0;
    virtual MMResult WaveInStart(WaveInHandle handle) = 0;
    virtual MMResult WaveInReset(WaveInHandle handle) = 0;
    virtual MMResult WaveInClose(WaveInHandle handle) = 0;
    virtual MMResult WaveInGetErrorText(MMResult error, char* text, std::uint32_t size) = 0;

    // A device that can be lost while open (a real card behind a sound server) tells the
    // listener; one that cannot, such as the simulated card, ignores it.
    virtual void SetDeviceStatusListener(DeviceStatusListener /*listener*/) {}

    // Blocks lost since the service was made: capture overruns (input the device dropped) and
    // playback underruns (gaps in the output). A device that loses none reports none.
    struct LostBlocks {
        std::uint64_t overruns = 0;
        std::uint64_t underruns = 0;
    };
    virtual LostBlocks Lost() const { return {}; }
};

} // namespace platform
