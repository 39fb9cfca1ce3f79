// SPDX-License-Identifier: MIT
#include "platform/sim/SimVolumes.h"

namespace platform::sim {

std::uint32_t SimVolumes::WaveOutGetVolume(std::uint32_t device) {
    return device == 0 ? volumes_[0] : 0;
}

void SimVolumes::WaveOutSetVolume(std::uint32_t device, std::uint32_t volume) {
    if (device == 0) {
        volumes_[0] = volume;
    }
}

std::uint32_t SimVolumes::AuxGetVolume(std::uint32_t device) {
    return IsAux(device) ? volumes_[device] : 0;
}

void SimVolumes::AuxSetVolume(std::uint32_t device, std::uint32_t volume) {
    if (IsAux(device)) {
        volumes_[device] = volume;
    }
}

} // namespace platform::sim
