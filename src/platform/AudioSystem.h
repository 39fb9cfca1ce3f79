// SPDX-License-Identifier: MIT
#pragma once

// The set of sound services the program runs on: a real card or the simulated one. Whoever opens
// it keeps it alive for as long as any component uses its services.

#include "platform/VolumeService.h"
#include "platform/WaveService.h"

#include <memory>
#include <string>

namespace platform {

struct AudioSystem {
    std::unique_ptr<WaveService> wave;
    std::unique_ptr<VolumeService> volume;
    std::unique_ptr<MixerDevices> mixer;
    // Whatever else must live as long as the services (a clock thread, a library session);
    // released last.
    std::shared_ptr<void> keepAlive;
    // One line for the user naming what is in use, e.g. "audio: simulated sound card".
    std::string description;
};

} // namespace platform
