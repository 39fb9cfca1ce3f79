// SPDX-License-Identifier: MIT
#pragma once

// The window on the simulated card, on virtual time, with the card's volume table behind a
// recorder of the volume calls. Widgets need one application object per process; it is made
// on first use and kept until the process ends.

#include "app/widgets/DoubleClickEdit.h"
#include "app/widgets/FramebufferCanvas.h"
#include "app/window/TForm1.h"
#include "platform/BufferMemory.h"
#include "platform/Dispatcher.h"
#include "platform/sim/SimVolumes.h"
#include "platform/sim/SimulatedCard.h"

#include <QApplication>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace app::test {

inline void EnsureApplication() {
    if (QApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv); // lives until the process ends
    }
}

// Passes every call to the simulated card's volume table and notes it, e.g. "get aux 3" or
// "set wave 0 0000FFFF".
class RecordingVolumes final : public platform::VolumeService {
public:
    std::uint32_t WaveOutGetVolume(std::uint32_t device) override {
        calls.push_back("get wave " + std::to_string(device));
        return table.WaveOutGetVolume(device);
    }
    void WaveOutSetVolume(std::uint32_t device, std::uint32_t volume) override {
        calls.push_back("set wave " + std::to_string(device) + " " + Hex(volume));
        table.WaveOutSetVolume(device, volume);
    }
    std::uint32_t AuxGetVolume(std::uint32_t device) override {
        calls.push_back("get aux " + std::to_string(device));
        return table.AuxGetVolume(device);
    }
    void AuxSetVolume(std::uint32_t device, std::uint32_t volume) override {
        calls.push_back("set aux " + std::to_string(device) + " " + Hex(volume));
        table.AuxSetVolume(device, volume);
    }

    static std::string Hex(std::uint32_t value) {
        char text[9];
        std::snprintf(text, sizeof text, "%08X", value);
        return text;
    }

    platform::sim::SimVolumes table;
    std::vector<std::string> calls;
};

struct Form1Rig {
    explicit Form1Rig(measure::LevelCalibration calibration = {}) {
        EnsureApplication();
        form = std::make_unique<TForm1>(FormServices{card, volumes, memory, mixers}, nullptr,
                                        calibration);
    }
    // The window's streams close with it; delivering their close notifications afterwards
    // releases the receivers they leave behind.
    ~Form1Rig() {
        form.reset();
        dispatcher.Drain();
    }

    platform::QueueDispatcher dispatcher;
    platform::sim::SimulatedCard card{dispatcher};
    RecordingVolumes volumes;
    platform::HeapBufferMemory memory;
    platform::sim::SimMixerDevices mixers;
    std::unique_ptr<TForm1> form;
};

} // namespace app::test
