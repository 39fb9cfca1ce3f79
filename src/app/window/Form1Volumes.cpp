// SPDX-License-Identifier: MIT
// Giving the user's volumes back at close, and telling the user which ones the card did not
// take, so that nothing is silently left at the instrument's levels.

#include "app/window/TForm1.h"
#include "app/window/VolumeNotes.h"

#include <iostream>

namespace app {

namespace {

constexpr std::uint32_t kDevices = 6;

} // namespace

void TForm1::RestoreVolume(std::uint32_t device) {
    if (volume_.Answering()) {
        if (device == 0) {
            volume_.WaveOutSetVolume(0, savedVolumes[0]);
        } else {
            volume_.AuxSetVolume(device, savedVolumes[device]);
        }
        if (volume_.Answering()) {
            return;
        }
    }
    if (const std::string name = volume_.VolumeName(device); !name.empty()) {
        std::cerr << UnrestoredVolumeLine(name, savedVolumes[device],
                                          "the sound server does not answer")
                  << std::endl;
    }
}

void TForm1::PublishVolumeNote() {
    std::string note;
    for (std::uint32_t device = 0; device < kDevices; ++device) {
        if (const std::string name = volume_.VolumeName(device); !name.empty()) {
            note += UnrestoredVolumeLine(name, savedVolumes[device],
                                         "the program was ended before it could") +
                    '\n';
        }
    }
    SetImmediateExitNote(std::move(note));
}

} // namespace app
