// SPDX-License-Identifier: MIT
#pragma once

// Result codes and error texts of the PortAudio wave service. The service's own failures use
// the shared codes of WaveTypes.h; a failure that PortAudio reports gets a private code above
// PortAudioErrorBase, whose text is PortAudio's own message. Called on any thread.

#include "platform/WaveTypes.h"

#include <portaudio.h>

namespace platform {

inline constexpr MMResult PortAudioErrorBase = 1000;

// The private code for a PortAudio error (paNoError gives MMSYSERR_NOERROR).
MMResult FromPaError(PaError error);

// Writes the text for `code` into `text` (at most `size` characters including the terminating
// zero, longer texts are cut); MMSYSERR_BADERRNUM for a code without a text,
// MMSYSERR_INVALPARAM without room for any text.
MMResult CopyErrorText(MMResult code, char* text, std::uint32_t size);

} // namespace platform
