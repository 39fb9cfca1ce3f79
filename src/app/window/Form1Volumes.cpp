// SPDX-License-Identifier: MIT
// Keeping the user's volumes (in memory and in the journal on disk) and giving them back at
// close, telling the user which ones the card did not take, so that nothing is silently left at
// the instrument's levels, not even after a crash.
//
// The levels a killed instrument left in the journal are given back at this run's close, not at
// once: the instrument sets its own output level the moment it starts anyway, so an immediate
// restore would be overwritten a millisecond later, and keeping them as this run's saved levels
// leaves the journal holding the user's own levels, whatever happens to this run too.

#include "app/window/TForm1.h"
#include "app/window/VolumeNotes.h"

#include <iostream>

namespace app {

namespace {

constexpr std::uint32_t kDevices = 6;

} // namespace

void TForm1::KeepUserVolumes(const std::array<std::uint32_t, 6>& read) {
    savedVolumes = read;
    if (volumeJournal_ && !journalRead_) {
        journalRead_ = true;
        std::string error;
        if (const auto left = volumeJournal_->ReadLeft(error)) {
            savedVolumes = *left;
            std::cerr << "osciloskop: the last instrument on this card was ended before it gave "
                         "the volumes back; the levels it saved are given back when this one "
                         "closes"
                      << std::endl;
        } else if (!error.empty()) {
            std::cerr << "osciloskop: " << error << "; it is removed" << std::endl;
            volumeJournal_->Remove();
        }
    }
    if (volumeJournal_) {
        if (const std::string error = volumeJournal_->Write(savedVolumes); !error.empty()) {
            std::cerr << "osciloskop: " << error
                      << "; if the instrument is killed, set the volumes back by hand" << std::endl;
        }
    }
    volumesTaken_ = true;
    PublishVolumeNote();
}

void TForm1::ForgetUserVolumes() {
    if (!volumeJournal_) {
        return;
    }
    if (const std::string error = volumeJournal_->Remove(); !error.empty()) {
        std::cerr << "osciloskop: " << error << std::endl;
    }
}

bool TForm1::RestoreVolume(std::uint32_t device) {
    if (volume_.Answering()) {
        if (device == 0) {
            volume_.WaveOutSetVolume(0, savedVolumes[0]);
        } else {
            volume_.AuxSetVolume(device, savedVolumes[device]);
        }
        if (volume_.Answering()) {
            return true;
        }
    }
    if (const std::string name = volume_.VolumeName(device); !name.empty()) {
        std::cerr << UnrestoredVolumeLine(name, savedVolumes[device],
                                          "the sound server does not answer")
                  << std::endl;
    }
    return false;
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
