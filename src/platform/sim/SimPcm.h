// SPDX-License-Identifier: MIT
#pragma once

// Building blocks of the simulated sound card: the formats it takes, the PCM layout of the
// buffers it plays and records, the queue of buffers a device holds and the texts of its error
// codes. Used by SimulatedCard only, under its lock.

#include "platform/WaveTypes.h"

#include <cstdint>

namespace platform::sim {

// Frame layout of an open device's buffers.
struct PcmLayout {
    std::uint16_t channels = 1;
    std::uint16_t bytesPerSample = 2;

    std::uint32_t BlockAlign() const { return std::uint32_t{channels} * bytesPerSample; }
};

// MMSYSERR_NOERROR when the card takes `format` (PCM, 1 or 2 channels, 8 or 16 bits, the card's
// frame rate, consistent block align and byte rate); MMSYSERR_INVALPARAM for a null format;
// WAVERR_BADFORMAT otherwise.
MMResult CheckFormat(const WaveFormat* format);
PcmLayout LayoutOf(const WaveFormat& format);

// The first channel of one frame as a signed 16-bit value (8-bit samples are unsigned and are
// scaled up to the 16-bit range).
std::int16_t ReadFirstChannel(const char* frame, const PcmLayout& layout);
// Writes one frame from a captured pair (channel R, channel L): a stereo frame takes both in
// that order, a mono frame takes channel R.
void WriteFrame(char* frame, const std::int16_t* pair, const PcmLayout& layout);

// The buffers a device holds, oldest first. Linked through the headers' `next` field, which the
// header reserves for the device, so queueing never allocates.
class HeaderQueue {
public:
    bool Empty() const { return head_ == nullptr; }
    WaveHeader* Front() const { return head_; }
    void Push(WaveHeader* header);
    WaveHeader* Pop();

private:
    WaveHeader* head_ = nullptr;
    WaveHeader* tail_ = nullptr;
};

// Copies the text for `code` into `text` (`size` characters with the terminating zero,
// truncated to fit); MMSYSERR_BADERRNUM for a code the card does not know, MMSYSERR_INVALPARAM
// for a null `text` with a nonzero `size`.
MMResult CopyErrorText(MMResult code, char* text, std::uint32_t size);

} // namespace platform::sim
