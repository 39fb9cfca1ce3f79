// SPDX-License-Identifier: MIT
#pragma once

// What the user is told about volumes the instrument could not give back, so that they can
// set them by hand, and the note kept ready for an exit that has no time to try.
// The texts are pure; the note is set on the UI thread and read by a signal handler.

#include <cstdint>
#include <string>

namespace app {

// One line without its end, e.g. "osciloskop: could not restore the volume of 'Master'
// (left 37 %, right 37 %): the sound server does not answer; set it by hand". `volume` holds
// the left level in its low 16 bits and the right in its high ones (0xFFFF full).
std::string UnrestoredVolumeLine(const std::string& name, std::uint32_t volume,
                                 const std::string& reason);

// The lines an immediate exit writes to standard error, each ending with a newline; empty
// once the volumes are back. The previous note stays valid for a handler still reading it.
void SetImmediateExitNote(std::string note);
// Async-signal-safe: the note's text and length (length 0 when none).
const char* ImmediateExitNote(std::size_t& length);

} // namespace app
