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
    // What drives the services (the simulated card's clock thread); released before them.
    std::shared_ptr<void> keepAlive;
    // One line for the user naming what is in use, e.g. "audio: simulated sound card".
    std::string description;
    // The card whose volumes the services set, for the one-instrument-per-card lock ("hw:0", or
    // "default on unix:/run/user/1000/pulse/native" for a sound server's volume); empty for the
    // simulated card, which any number of instances may use. Made by CardIdentity, so that
    // every spelling of one sound server names one card.
    std::string card;
};

} // namespace platform
