// SPDX-License-Identifier: MIT
#include "platform/portaudio/PortAudioErrors.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace platform {

namespace {

// PortAudio numbers its errors upwards from paNotInitialized; the private codes follow suit.
constexpr int PaErrorSpan = 100;

std::string_view SharedText(MMResult code) {
    switch (code) {
    case MMSYSERR_NOERROR:
        return "The operation completed successfully.";
    case MMSYSERR_ERROR:
        return "Unspecified error.";
    case MMSYSERR_BADDEVICEID:
        return "The device identifier is out of range.";
    case MMSYSERR_ALLOCATED:
        return "The device is already allocated.";
    case MMSYSERR_INVALHANDLE:
        return "The device handle is invalid.";
    case MMSYSERR_NODRIVER:
        return "No sound driver is present.";
    case MMSYSERR_NOMEM:
        return "The device cannot take more buffers.";
    case MMSYSERR_BADERRNUM:
        return "The error number is out of range.";
    case MMSYSERR_INVALPARAM:
        return "An invalid parameter was passed.";
    case WAVERR_BADFORMAT:
        return "The wave format is not supported: PCM with 8 or 16 bits per sample and 1 or 2 "
               "channels is required.";
    case WAVERR_STILLPLAYING:
        return "Buffers are still queued on the device.";
    case WAVERR_UNPREPARED:
        return "The wave header is not prepared.";
    default:
        return {};
    }
}

std::string_view TextFor(MMResult code) {
    if (code >= PortAudioErrorBase && code < PortAudioErrorBase + PaErrorSpan) {
        const auto error = static_cast<PaError>(paNotInitialized + (code - PortAudioErrorBase));
        const char* text = Pa_GetErrorText(error);
        // PortAudio answers an unknown number with this text instead of failing.
        if (text != nullptr && std::string_view(text) != "Invalid error code") {
            return text;
        }
        return {};
    }
    return SharedText(code);
}

} // namespace

MMResult FromPaError(PaError error) {
    if (error == paNoError) {
        return MMSYSERR_NOERROR;
    }
    if (error < paNotInitialized || error >= paNotInitialized + PaErrorSpan) {
        return MMSYSERR_ERROR;
    }
    return PortAudioErrorBase + static_cast<MMResult>(error - paNotInitialized);
}

MMResult CopyErrorText(MMResult code, char* text, std::uint32_t size) {
    if (text == nullptr || size == 0) {
        return MMSYSERR_INVALPARAM;
    }
    const std::string_view message = TextFor(code);
    if (message.empty()) {
        text[0] = '\0';
        return MMSYSERR_BADERRNUM;
    }
    const std::size_t room = std::min<std::size_t>(size, MAXERRORLENGTH) - 1;
    const std::size_t length = std::min(room, message.size());
    std::memcpy(text, message.data(), length);
    text[length] = '\0';
    return MMSYSERR_NOERROR;
}

} // namespace platform
