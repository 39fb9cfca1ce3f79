// SPDX-License-Identifier: MIT
#include "platform/portaudio/PortAudioWaveService.h"

#include "platform/portaudio/PortAudioErrors.h"

#include <atomic>

namespace platform {

namespace {

bool IsSupportedPcm(const WaveFormat& format) {
    return format.formatTag == WAVE_FORMAT_PCM && (format.channels == 1 || format.channels == 2) &&
           (format.bitsPerSample == 8 || format.bitsPerSample == 16) &&
           format.blockAlign == format.channels * format.bitsPerSample / 8 &&
           format.samplesPerSec > 0;
}

bool IsHeader(const WaveHeader* header, std::uint32_t headerSize) {
    return header != nullptr && headerSize >= sizeof(WaveHeader);
}

std::uint32_t Flags(WaveHeader* header) {
    return std::atomic_ref(header->flags).load();
}

} // namespace

PortAudioWaveService::PortAudioWaveService(Dispatcher& dispatcher, PaDeviceIndex device)
    : dispatcher_(dispatcher), device_(device) {}

PortAudioWaveService::~PortAudioWaveService() = default;

MMResult PortAudioWaveService::Open(StreamDirection direction, std::uint32_t* handle,
                                    std::uint32_t deviceId, const WaveFormat* format,
                                    WaveNotificationReceiver* receiver) {
    if (handle == nullptr || format == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    if (deviceId != 0 && deviceId != WAVE_MAPPER) {
        return MMSYSERR_BADDEVICEID;
    }
    if (!IsSupportedPcm(*format)) {
        return WAVERR_BADFORMAT;
    }
    if (session_.Status() != paNoError) {
        return FromPaError(session_.Status());
    }
    PaDeviceIndex device = device_;
    if (device == paNoDevice) {
        device = direction == StreamDirection::Output ? Pa_GetDefaultOutputDevice()
                                                      : Pa_GetDefaultInputDevice();
    }
    if (health_.Reopening()) {
        // The device is being brought back; another attempt now would only wait on it.
        return FromPaError(paDeviceUnavailable);
    }
    auto& streams = direction == StreamDirection::Output ? outputs_ : inputs_;
    if (direction == StreamDirection::Input && parkedInput_ &&
        parkedInput_->Serves(device, *format)) {
        parkedInput_->Unpark(receiver);
        *handle = nextHandle_++;
        streams.emplace(*handle, std::move(parkedInput_));
        return MMSYSERR_NOERROR;
    }
    if (direction == StreamDirection::Input) {
        parkedInput_.reset(); // another device or format: free the device first
    }
    auto stream = std::make_unique<PortAudioStream>(direction, dispatcher_, receiver, *format,
                                                    counters_, health_, session_.Lock());
    if (const MMResult result = stream->Open(device); result != MMSYSERR_NOERROR) {
        char text[256];
        CopyErrorText(result, text, sizeof text);
        health_.OpenFailed(text);
        return result;
    }
    health_.OpenSucceeded();
    *handle = nextHandle_++;
    streams.emplace(*handle, std::move(stream));
    return MMSYSERR_NOERROR;
}

PortAudioStream* PortAudioWaveService::Find(const Streams& streams, std::uint32_t handle) const {
    const auto found = streams.find(handle);
    return found == streams.end() ? nullptr : found->second.get();
}

MMResult PortAudioWaveService::Prepare(const Streams& streams, std::uint32_t handle,
                                       WaveHeader* header, std::uint32_t headerSize, bool prepare) {
    if (Find(streams, handle) == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    if (!IsHeader(header, headerSize)) {
        return MMSYSERR_INVALPARAM;
    }
    if ((Flags(header) & WHDR_INQUEUE) != 0) {
        // A queued header is prepared already and stays so until the device returns it.
        return prepare ? MMSYSERR_NOERROR : WAVERR_STILLPLAYING;
    }
    header->flags = prepare ? header->flags | WHDR_PREPARED : header->flags & ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMResult PortAudioWaveService::Queue(const Streams& streams, std::uint32_t handle,
                                     WaveHeader* header, std::uint32_t headerSize) {
    PortAudioStream* stream = Find(streams, handle);
    if (stream == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    if (!IsHeader(header, headerSize) || (header->data == nullptr && header->bufferLength > 0)) {
        return MMSYSERR_INVALPARAM;
    }
    const std::uint32_t flags = Flags(header);
    if ((flags & WHDR_PREPARED) == 0) {
        return WAVERR_UNPREPARED;
    }
    if ((flags & WHDR_INQUEUE) != 0) {
        return WAVERR_STILLPLAYING;
    }
    return stream->Queue(header);
}

MMResult PortAudioWaveService::Close(Streams& streams, std::uint32_t handle) {
    PortAudioStream* stream = Find(streams, handle);
    if (stream == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    const bool park = stream->CanPark();
    const MMResult result = park ? stream->Park() : stream->Close();
    if (result == MMSYSERR_NOERROR) {
        if (park) {
            parkedInput_ = std::move(streams.at(handle));
        }
        streams.erase(handle);
    }
    return result;
}

MMResult PortAudioWaveService::WaveOutOpen(WaveOutHandle* handle, std::uint32_t deviceId,
                                           const WaveFormat* format,
                                           WaveNotificationReceiver* receiver) {
    return Open(StreamDirection::Output, handle, deviceId, format, receiver);
}

MMResult PortAudioWaveService::WaveOutPrepareHeader(WaveOutHandle handle, WaveHeader* header,
                                                    std::uint32_t headerSize) {
    return Prepare(outputs_, handle, header, headerSize, true);
}

MMResult PortAudioWaveService::WaveOutUnprepareHeader(WaveOutHandle handle, WaveHeader* header,
                                                      std::uint32_t headerSize) {
    return Prepare(outputs_, handle, header, headerSize, false);
}

MMResult PortAudioWaveService::WaveOutWrite(WaveOutHandle handle, WaveHeader* header,
                                            std::uint32_t headerSize) {
    return Queue(outputs_, handle, header, headerSize);
}

MMResult PortAudioWaveService::SetOutputPaused(WaveOutHandle handle, bool paused) {
    PortAudioStream* stream = Find(outputs_, handle);
    if (stream == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    stream->SetPaused(paused);
    return MMSYSERR_NOERROR;
}

MMResult PortAudioWaveService::WaveOutPause(WaveOutHandle handle) {
    return SetOutputPaused(handle, true);
}

MMResult PortAudioWaveService::WaveOutRestart(WaveOutHandle handle) {
    return SetOutputPaused(handle, false);
}

MMResult PortAudioWaveService::WaveOutReset(WaveOutHandle handle) {
    PortAudioStream* stream = Find(outputs_, handle);
    return stream == nullptr ? MMSYSERR_INVALHANDLE : stream->Reset();
}

MMResult PortAudioWaveService::WaveOutClose(WaveOutHandle handle) {
    return Close(outputs_, handle);
}

MMResult PortAudioWaveService::WaveOutGetErrorText(MMResult error, char* text, std::uint32_t size) {
    return CopyErrorText(error, text, size);
}

MMResult PortAudioWaveService::WaveInOpen(WaveInHandle* handle, std::uint32_t deviceId,
                                          const WaveFormat* format,
                                          WaveNotificationReceiver* receiver) {
    return Open(StreamDirection::Input, handle, deviceId, format, receiver);
}

MMResult PortAudioWaveService::WaveInPrepareHeader(WaveInHandle handle, WaveHeader* header,
                                                   std::uint32_t headerSize) {
    return Prepare(inputs_, handle, header, headerSize, true);
}

MMResult PortAudioWaveService::WaveInUnprepareHeader(WaveInHandle handle, WaveHeader* header,
                                                     std::uint32_t headerSize) {
    return Prepare(inputs_, handle, header, headerSize, false);
}

MMResult PortAudioWaveService::WaveInAddBuffer(WaveInHandle handle, WaveHeader* header,
                                               std::uint32_t headerSize) {
    return Queue(inputs_, handle, header, headerSize);
}

MMResult PortAudioWaveService::WaveInStart(WaveInHandle handle) {
    PortAudioStream* stream = Find(inputs_, handle);
    return stream == nullptr ? MMSYSERR_INVALHANDLE : stream->Start();
}

MMResult PortAudioWaveService::WaveInReset(WaveInHandle handle) {
    PortAudioStream* stream = Find(inputs_, handle);
    return stream == nullptr ? MMSYSERR_INVALHANDLE : stream->Reset();
}

MMResult PortAudioWaveService::WaveInClose(WaveInHandle handle) {
    return Close(inputs_, handle);
}

MMResult PortAudioWaveService::WaveInGetErrorText(MMResult error, char* text, std::uint32_t size) {
    return CopyErrorText(error, text, size);
}

void PortAudioWaveService::SetDeviceStatusListener(DeviceStatusListener listener) {
    health_.SetListener(std::move(listener));
}

StreamStatistics PortAudioWaveService::Statistics() const {
    StreamStatistics statistics;
    statistics.underruns = counters_.underruns.load();
    statistics.overruns = counters_.overruns.load();
    statistics.droppedInputFrames = counters_.droppedInputFrames.load();
    statistics.callbacks = counters_.callbacks.load();
    statistics.callbackNanoseconds = counters_.callbackNanoseconds.load();
    return statistics;
}

WaveService::LostBlocks PortAudioWaveService::Lost() const {
    return {.overruns = counters_.overruns.load(), .underruns = counters_.underruns.load()};
}

} // namespace platform
