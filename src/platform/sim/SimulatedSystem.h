// SPDX-License-Identifier: MIT
#pragma once

// The program's sound services on the simulated card: the card driven in real time by its own
// clock thread, the in-memory volumes and one mixer device. Called once at start-up on the UI
// thread; the clock starts at once and stops when the returned system is destroyed.

#include "platform/AudioSystem.h"
#include "platform/Dispatcher.h"
#include "platform/sim/SimulatedCard.h"

#include <memory>

namespace platform::sim {

// `source` is what the card's input hears; null means the default MeasuringUnit. The
// description is "audio: simulated sound card"; naming a file played into it is the caller's.
// The dispatcher must outlive the system.
AudioSystem OpenSimulatedSystem(Dispatcher& dispatcher,
                                std::unique_ptr<CaptureSource> source = nullptr);

} // namespace platform::sim
