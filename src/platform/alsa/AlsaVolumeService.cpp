// SPDX-License-Identifier: MIT
#include "platform/alsa/AlsaVolumeService.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace platform {

namespace {

constexpr std::array<std::string_view, 5> AuxPreference = {"PCM", "Line", "CD", "Mic", "Aux"};

std::string_view NameOf(snd_mixer_elem_t* elem) {
    return snd_mixer_selem_get_name(elem);
}

std::vector<snd_mixer_elem_t*> PlaybackVolumeElements(snd_mixer_t* mixer) {
    std::vector<snd_mixer_elem_t*> elements;
    for (snd_mixer_elem_t* elem = snd_mixer_first_elem(mixer); elem != nullptr;
         elem = snd_mixer_elem_next(elem)) {
        if (snd_mixer_selem_is_active(elem) && snd_mixer_selem_has_playback_volume(elem)) {
            elements.push_back(elem);
        }
    }
    return elements;
}

// Moves the element called `name` (first of that name) from `pool` to the end of `order`.
void TakeByName(std::vector<snd_mixer_elem_t*>& pool, std::string_view name,
                std::vector<snd_mixer_elem_t*>& order) {
    const auto found =
        std::find_if(pool.begin(), pool.end(), [&](auto* elem) { return NameOf(elem) == name; });
    if (found != pool.end()) {
        order.push_back(*found);
        pool.erase(found);
    }
}

} // namespace

AlsaVolumeService::AlsaVolumeService(const std::string& mixerName) {
    snd_mixer_t* mixer = nullptr;
    if (snd_mixer_open(&mixer, 0) < 0) {
        return;
    }
    mixer_.reset(mixer);
    if (snd_mixer_attach(mixer, mixerName.c_str()) < 0 ||
        snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 || snd_mixer_load(mixer) < 0) {
        mixer_.reset();
        return;
    }
    FindElements();
}

void AlsaVolumeService::FindElements() {
    std::vector<snd_mixer_elem_t*> pool = PlaybackVolumeElements(mixer_.get());
    std::vector<snd_mixer_elem_t*> order;
    TakeByName(pool, "Master", order);
    if (order.empty() && !pool.empty()) {
        order.push_back(pool.front());
        pool.erase(pool.begin());
    }
    for (std::string_view name : AuxPreference) {
        TakeByName(pool, name, order);
    }
    order.insert(order.end(), pool.begin(), pool.end());
    for (std::size_t device = 0; device < std::min(order.size(), DeviceCount); ++device) {
        Element element;
        element.elem = order[device];
        snd_mixer_selem_get_playback_volume_range(element.elem, &element.min, &element.max);
        element.mono =
            !snd_mixer_selem_has_playback_channel(element.elem, SND_MIXER_SCHN_FRONT_RIGHT);
        devices_[device] = element;
    }
}

std::string AlsaVolumeService::ElementName(std::uint32_t device) const {
    if (device >= DeviceCount || !devices_[device]) {
        return {};
    }
    return std::string(NameOf(devices_[device]->elem));
}

AlsaVolumeService::Element* AlsaVolumeService::At(std::uint32_t device) {
    if (device >= DeviceCount || !devices_[device]) {
        return nullptr;
    }
    return &*devices_[device];
}

std::uint32_t AlsaVolumeService::Read(std::uint32_t device) {
    Element* element = At(device);
    if (element == nullptr) {
        return 0;
    }
    // Takes in what others (the sound server, a mixer program) changed meanwhile.
    snd_mixer_handle_events(mixer_.get());
    const int channels = element->mono ? 1 : 2;
    std::uint32_t volume = 0;
    for (int channel = 0; channel < channels; ++channel) {
        long raw = element->min;
        snd_mixer_selem_get_playback_volume(
            element->elem, static_cast<snd_mixer_selem_channel_id_t>(channel), &raw);
        const std::uint16_t level = element->written[channel].Read(raw, element->min, element->max);
        volume |= static_cast<std::uint32_t>(level) << (16 * channel);
    }
    return volume;
}

void AlsaVolumeService::Write(std::uint32_t device, std::uint32_t volume) {
    Element* element = At(device);
    if (element == nullptr) {
        return;
    }
    const int channels = element->mono ? 1 : 2;
    answering_ = true;
    for (int channel = 0; channel < channels; ++channel) {
        const auto level = static_cast<std::uint16_t>(volume >> (16 * channel));
        const long raw = LevelToRaw(level, element->min, element->max);
        const auto id = static_cast<snd_mixer_selem_channel_id_t>(channel);
        if (snd_mixer_selem_set_playback_volume(element->elem, id, raw) < 0) {
            element->written[channel].valid = false;
            answering_ = false;
            continue;
        }
        long now = raw;
        snd_mixer_selem_get_playback_volume(element->elem, id, &now);
        element->written[channel] = {true, now, level};
    }
}

std::uint32_t AlsaVolumeService::WaveOutGetVolume(std::uint32_t device) {
    return device == 0 ? Read(0) : 0;
}

void AlsaVolumeService::WaveOutSetVolume(std::uint32_t device, std::uint32_t volume) {
    if (device == 0) {
        Write(0, volume);
    }
}

std::uint32_t AlsaVolumeService::AuxGetVolume(std::uint32_t device) {
    return device >= 1 ? Read(device) : 0;
}

void AlsaVolumeService::AuxSetVolume(std::uint32_t device, std::uint32_t volume) {
    if (device >= 1) {
        Write(device, volume);
    }
}

std::uint32_t AlsaMixerDevices::MixerGetNumDevs() {
    std::uint32_t count = 0;
    int card = -1;
    while (snd_card_next(&card) == 0 && card >= 0) {
        ++count;
    }
    return count;
}

} // namespace platform
