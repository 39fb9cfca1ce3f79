// SPDX-License-Identifier: MIT
#include "platform/sim/SimPcm.h"

#include "platform/sim/SimulatedCard.h"

#include <algorithm>
#include <cstring>

namespace platform::sim {

namespace {

struct ErrorEntry {
    MMResult code;
    const char* text;
};

// Every text is shorter than MAXERRORLENGTH.
constexpr ErrorEntry kErrorTexts[] = {
    {MMSYSERR_NOERROR, "The operation completed successfully."},
    {MMSYSERR_ERROR, "The simulated sound card reported an unspecified error."},
    {MMSYSERR_BADDEVICEID, "The device number is out of range: the simulated sound card has one "
                           "output and one input device, number 0 (or the default device)."},
    {MMSYSERR_ALLOCATED, "The device is already in use: close it before opening it again."},
    {MMSYSERR_INVALHANDLE, "The device handle is not valid: the device is closed or was never "
                           "opened."},
    {MMSYSERR_NODRIVER, "No sound card driver is present."},
    {MMSYSERR_NOMEM, "There is not enough memory for the sound card operation."},
    {MMSYSERR_INVALPARAM, "A parameter is not valid: a missing header, format, handle or text "
                          "buffer, or a header size smaller than a wave header."},
    {WAVERR_BADFORMAT, "The sound card cannot use this wave format: it takes PCM with 1 or 2 "
                       "channels and 8 or 16 bits per sample at 44100 frames per second, with "
                       "block align and byte rate that match."},
    {WAVERR_STILLPLAYING, "The device still holds buffers: reset it, or wait until they have "
                          "returned, before closing it or unpreparing them."},
    {WAVERR_UNPREPARED,
     "The buffer header is not prepared: prepare it before handing it to the device."},
};

const char* FindErrorText(MMResult code) {
    for (const ErrorEntry& entry : kErrorTexts) {
        if (entry.code == code) {
            return entry.text;
        }
    }
    return nullptr;
}

} // namespace

MMResult CheckFormat(const WaveFormat* format) {
    if (format == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    const bool supported = format->formatTag == WAVE_FORMAT_PCM &&
                           (format->channels == 1 || format->channels == 2) &&
                           (format->bitsPerSample == 8 || format->bitsPerSample == 16) &&
                           format->samplesPerSec == kFrameRate;
    if (!supported) {
        return WAVERR_BADFORMAT;
    }
    const std::uint32_t blockAlign = LayoutOf(*format).BlockAlign();
    if (format->blockAlign != blockAlign || format->avgBytesPerSec != blockAlign * kFrameRate) {
        return WAVERR_BADFORMAT;
    }
    return MMSYSERR_NOERROR;
}

PcmLayout LayoutOf(const WaveFormat& format) {
    return PcmLayout{format.channels, static_cast<std::uint16_t>(format.bitsPerSample / 8)};
}

std::int16_t ReadFirstChannel(const char* frame, const PcmLayout& layout) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(frame);
    if (layout.bytesPerSample == 1) {
        return static_cast<std::int16_t>((bytes[0] - 128) * 256);
    }
    return static_cast<std::int16_t>(bytes[0] | (bytes[1] << 8));
}

void WriteFrame(char* frame, const std::int16_t* pair, const PcmLayout& layout) {
    auto* bytes = reinterpret_cast<unsigned char*>(frame);
    for (std::uint16_t channel = 0; channel < layout.channels; ++channel) {
        const auto value = static_cast<std::uint16_t>(pair[channel]);
        if (layout.bytesPerSample == 1) {
            // Unsigned 8-bit: the top byte of the signed value, offset by half the range.
            *bytes++ = static_cast<unsigned char>((value >> 8) ^ 0x80);
        } else {
            *bytes++ = static_cast<unsigned char>(value & 0xFF);
            *bytes++ = static_cast<unsigned char>(value >> 8);
        }
    }
}

void HeaderQueue::Push(WaveHeader* header) {
    header->next = nullptr;
    if (tail_ == nullptr) {
        head_ = header;
    } else {
        tail_->next = header;
    }
    tail_ = header;
}

WaveHeader* HeaderQueue::Pop() {
    WaveHeader* header = head_;
    if (header != nullptr) {
        head_ = header->next;
        if (head_ == nullptr) {
            tail_ = nullptr;
        }
        header->next = nullptr;
    }
    return header;
}

MMResult CopyErrorText(MMResult code, char* text, std::uint32_t size) {
    if (size > 0 && text == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    if (size > 0) {
        text[0] = '\0';
    }
    const char* source = FindErrorText(code);
    if (source == nullptr) {
        return MMSYSERR_BADERRNUM;
    }
    if (size > 0) {
        const std::size_t length = std::min<std::size_t>(std::strlen(source), size - 1);
        std::memcpy(text, source, length);
        text[length] = '\0';
    }
    return MMSYSERR_NOERROR;
}

} // namespace platform::sim
