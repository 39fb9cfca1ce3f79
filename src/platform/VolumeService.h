// SPDX-License-Identifier: MIT
#pragma once

// The sound card's output volumes: waveform output device 0 and auxiliary devices 1 to 5.
// A volume is 32 bits, low 16 bits the left channel, high 16 bits the right, 0xFFFF full.
// A device that does not exist reads 0 and ignores writes. Called on the UI thread.

#include <cstdint>
#include <string>

namespace platform {

class VolumeService {
public:
    virtual ~VolumeService() = default;
    virtual std::uint32_t WaveOutGetVolume(std::uint32_t device) = 0;
    virtual void WaveOutSetVolume(std::uint32_t device, std::uint32_t volume) = 0;
    virtual std::uint32_t AuxGetVolume(std::uint32_t device) = 0;
    virtual void AuxSetVolume(std::uint32_t device, std::uint32_t volume) = 0;

    // The name of the control behind a device, for messages to the user ("Master"); empty
    // when the device has none.
    virtual std::string VolumeName(std::uint32_t /*device*/) { return {}; }
    // False when the last call did not reach the card (a sound server that does not answer or
    // is gone): what it read is 0 and what it wrote may be lost.
    virtual bool Answering() { return true; }
    // Connects to the card again (a restarted sound server); false when that failed.
    virtual bool Reconnect() { return true; }
};

// Number of mixer devices in the machine.
class MixerDevices {
public:
    virtual ~MixerDevices() = default;
    virtual std::uint32_t MixerGetNumDevs() = 0;
};

} // namespace platform
