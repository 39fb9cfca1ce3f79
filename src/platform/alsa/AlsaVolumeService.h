// SPDX-License-Identifier: MIT
#pragma once

// The volume service and the mixer-device count on ALSA.
//
// Volumes act on the playback volume elements of one ALSA mixer (by default "default", which
// with a sound server is the server's mixer, whose "Master" is the sink volume):
//   waveform output device 0 = "Master", else the first playback volume element;
//   auxiliary devices 1 to 5 = the other playback volume elements, first "PCM", "Line", "CD",
//   "Mic" and "Aux" in that order where present, then the rest in the mixer's order.
// A device without an element reads 0 and ignores writes. Levels map 0..0xFFFF onto the
// element's range; a level written reads back as written while nobody else moves the element.
// A mono element takes the left level and reads back as left only.
// Called on the UI thread.

#include "platform/VolumeService.h"
#include "platform/alsa/AlsaLevel.h"

#include <alsa/asoundlib.h>

#include <array>
#include <memory>
#include <optional>
#include <string>

namespace platform {

class AlsaVolumeService final : public VolumeService {
public:
    explicit AlsaVolumeService(const std::string& mixerName = "default");

    std::uint32_t WaveOutGetVolume(std::uint32_t device) override;
    void WaveOutSetVolume(std::uint32_t device, std::uint32_t volume) override;
    std::uint32_t AuxGetVolume(std::uint32_t device) override;
    void AuxSetVolume(std::uint32_t device, std::uint32_t volume) override;

    // The element behind a device (0 = waveform output, 1..5 auxiliary), empty when none.
    std::string ElementName(std::uint32_t device) const;
    std::string VolumeName(std::uint32_t device) override { return ElementName(device); }
    // False after a write the mixer refused (its sound server is gone).
    bool Answering() override { return answering_; }

private:
    struct Element {
        snd_mixer_elem_t* elem = nullptr;
        long min = 0;
        long max = 0;
        bool mono = false;
        std::array<RememberedLevel, 2> written; // left, right
    };
    static constexpr std::size_t DeviceCount = 6;

    void FindElements();
    Element* At(std::uint32_t device);
    std::uint32_t Read(std::uint32_t device);
    void Write(std::uint32_t device, std::uint32_t volume);

    struct MixerCloser {
        void operator()(snd_mixer_t* mixer) const { snd_mixer_close(mixer); }
    };
    std::unique_ptr<snd_mixer_t, MixerCloser> mixer_;
    std::array<std::optional<Element>, DeviceCount> devices_;
    bool answering_ = true;
};

// The number of ALSA sound cards; 0 without any.
class AlsaMixerDevices final : public MixerDevices {
public:
    std::uint32_t MixerGetNumDevs() override;
};

} // namespace platform
