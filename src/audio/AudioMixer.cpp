// SPDX-License-Identifier: MIT
#include "audio/AudioMixer.h"

#include <string>

namespace audio {

TAudioMixer::TAudioMixer(platform::MixerDevices& devices)
    : deviceCount_(devices.MixerGetNumDevs()), manager_(std::make_unique<TMixerMan>(*this)) {}

TAudioMixer::~TAudioMixer() = default;

void TAudioMixer::SetMixerID(std::uint32_t id) {
    if (id >= deviceCount_) {
        const long long highest = static_cast<long long>(deviceCount_) - 1;
        throw EMixerID("MixerID maximum for this machine: " + std::to_string(highest));
    }
    mixerId_ = id;
}

void TAudioMixer::MixerControlChange(std::uint32_t D, std::uint32_t S, std::uint32_t C) {
    if (OnMixerControlChange) {
        OnMixerControlChange(this, D, S, C);
    }
}

void TAudioMixer::MixerLineChange(std::uint32_t D, std::uint32_t S) {
    if (OnMixerLineChange) {
        OnMixerLineChange(this, D, S);
    }
}

} // namespace audio
