// SPDX-License-Identifier: MIT
#pragma once

// The waveform-audio service's shared vocabulary: result codes, the PCM format record, the
// buffer header and the notification numbers. Backends and stream components agree on these
// exactly, so the same component code runs on the real and on the simulated card.

#include <cstddef>
#include <cstdint>

namespace platform {

// 0 = success, anything else an error code whose text the service gives on request.
using MMResult = std::uint32_t;

inline constexpr MMResult MMSYSERR_NOERROR = 0;
inline constexpr MMResult MMSYSERR_ERROR = 1;
inline constexpr MMResult MMSYSERR_BADDEVICEID = 2;
inline constexpr MMResult MMSYSERR_ALLOCATED = 4;
inline constexpr MMResult MMSYSERR_INVALHANDLE = 5;
inline constexpr MMResult MMSYSERR_NODRIVER = 6;
inline constexpr MMResult MMSYSERR_NOMEM = 7;
inline constexpr MMResult MMSYSERR_BADERRNUM = 9;
inline constexpr MMResult MMSYSERR_INVALPARAM = 11;
inline constexpr MMResult WAVERR_BADFORMAT = 32;
inline constexpr MMResult WAVERR_STILLPLAYING = 33;
inline constexpr MMResult WAVERR_UNPREPARED = 34;

// Longest error text, terminating zero included.
inline constexpr std::size_t MAXERRORLENGTH = 256;

// Device number that selects the system's default device.
inline constexpr std::uint32_t WAVE_MAPPER = 0xFFFFFFFFu;

inline constexpr std::uint16_t WAVE_FORMAT_PCM = 1;

#pragma pack(push, 1)
// The 16-byte PCM format record, handed to the device by address.
struct WaveFormat {
    std::uint16_t formatTag;      // always WAVE_FORMAT_PCM
    std::uint16_t channels;       // 1 or 2
    std::uint32_t samplesPerSec;  // frames per second
    std::uint32_t avgBytesPerSec; // blockAlign * samplesPerSec
    std::uint16_t blockAlign;     // bytes per frame
    std::uint16_t bitsPerSample;  // 8 (unsigned) or 16 (signed little-endian)
};
#pragma pack(pop)
static_assert(sizeof(WaveFormat) == 16);

// Buffer header flags.
inline constexpr std::uint32_t WHDR_DONE = 0x01;
inline constexpr std::uint32_t WHDR_PREPARED = 0x02;
inline constexpr std::uint32_t WHDR_BEGINLOOP = 0x04;
inline constexpr std::uint32_t WHDR_ENDLOOP = 0x08;
inline constexpr std::uint32_t WHDR_INQUEUE = 0x10;

// One buffer as the device sees it: eight fields, the data address pointer-sized. The owner
// keeps header and data at fixed addresses while the device holds them.
struct WaveHeader {
    char* data;
    std::uint32_t bufferLength;  // bytes to play, or room to record into
    std::uint32_t bytesRecorded; // capture: bytes the device wrote
    std::uintptr_t user;
    std::uint32_t flags; // WHDR_*
    std::uint32_t loops;
    WaveHeader* next; // reserved for the device
    std::uintptr_t reserved;
};

// Notification numbers, as a device delivers them to its receiver.
inline constexpr std::uint32_t MM_WOM_OPEN = 0x3BB;
inline constexpr std::uint32_t MM_WOM_CLOSE = 0x3BC;
inline constexpr std::uint32_t MM_WOM_DONE = 0x3BD;
inline constexpr std::uint32_t MM_WIM_OPEN = 0x3BE;
inline constexpr std::uint32_t MM_WIM_CLOSE = 0x3BF;
inline constexpr std::uint32_t MM_WIM_DATA = 0x3C0;

// Opaque device handles; 0 is never a valid handle.
using WaveOutHandle = std::uint32_t;
using WaveInHandle = std::uint32_t;

} // namespace platform
