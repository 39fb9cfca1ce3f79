// SPDX-License-Identifier: MIT
#pragma once

// The simulated card's volume controls and mixer count. The volumes are a table in memory:
// waveform output device 0 and auxiliary devices 1 to 5; any other device reads 0 and ignores
// writes. A volume is 32 bits, low 16 bits left, high 16 bits right, 0xFFFF full.
//
// Start values, chosen to look like a card someone has used (distinct per device and per side,
// so that a save-and-restore that mixes devices up or swaps halves is visible):
//   wave out 0: 0xC000C000 (both sides three quarters)
//   aux 1: 0x80008000   aux 2: 0xFFFFFFFF   aux 3: 0x40006000
//   aux 4: 0x00000000 (muted)   aux 5: 0xA0002000
// The volumes do not change what the simulated card plays. Called on the UI thread.

#include "platform/VolumeService.h"

#include <array>

namespace platform::sim {

class SimVolumes final : public VolumeService {
public:
    static constexpr std::array<std::uint32_t, 6> kStartVolumes = {
        0xC000C000u, 0x80008000u, 0xFFFFFFFFu, 0x40006000u, 0x00000000u, 0xA0002000u};

    std::uint32_t WaveOutGetVolume(std::uint32_t device) override;
    void WaveOutSetVolume(std::uint32_t device, std::uint32_t volume) override;
    std::uint32_t AuxGetVolume(std::uint32_t device) override;
    void AuxSetVolume(std::uint32_t device, std::uint32_t volume) override;

private:
    static bool IsAux(std::uint32_t device) { return device >= 1 && device <= 5; }

    std::array<std::uint32_t, 6> volumes_ = kStartVolumes; // index = device number
};

// The simulated machine's mixer devices: by default one, the simulated card's.
class SimMixerDevices final : public MixerDevices {
public:
    explicit SimMixerDevices(std::uint32_t count = 1) : count_(count) {}
    std::uint32_t MixerGetNumDevs() override { return count_; }

private:
    std::uint32_t count_;
};

} // namespace platform::sim
