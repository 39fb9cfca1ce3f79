// SPDX-License-Identifier: MIT
#pragma once

// Chooses the sound card the program runs on, from the command line's choice:
//   "sim"          the simulated sound card (real-time clock);
//   "" or "auto"   the system's default PortAudio device when it has both input and output
//                  channels, else the simulated card;
//   a name         the PortAudio device of exactly that name (as PortAudio lists it);
//   a number       the PortAudio device with that index.
// A real device comes with the ALSA volumes of its card (the default mixer for a sound
// server's device), whose calls never hold up the UI thread for more than half a second, and
// the ALSA card count. `description` names the choice in one line for
// standard error, e.g. "audio: PortAudio device 'pulse' (default)". Throws std::runtime_error
// naming the choice and the devices there are when the named device does not exist.
// Called once on the UI thread at start-up; `dispatcher` outlives the system.

#include "platform/AudioSystem.h"
#include "platform/Dispatcher.h"

#include <string_view>

namespace platform {

AudioSystem OpenAudioSystem(std::string_view choice, Dispatcher& dispatcher);

} // namespace platform
