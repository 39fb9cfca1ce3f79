// SPDX-License-Identifier: MIT
#include "platform/sim/SimulatedSystem.h"

#include "platform/sim/SimVolumes.h"

namespace platform::sim {

AudioSystem OpenSimulatedSystem(Dispatcher& dispatcher, std::unique_ptr<CaptureSource> source) {
    auto card = std::make_unique<SimulatedCard>(dispatcher);
    if (source != nullptr) {
        card->SetSource(std::move(source));
    }
    // The system releases keepAlive before the card, so the clock stops before the card goes.
    auto clock = std::make_shared<RealTimeClock>(*card);
    AudioSystem system;
    system.wave = std::move(card);
    system.volume = std::make_unique<SimVolumes>();
    system.mixer = std::make_unique<SimMixerDevices>();
    system.keepAlive = std::move(clock);
    system.description = "audio: simulated sound card";
    return system;
}

} // namespace platform::sim
