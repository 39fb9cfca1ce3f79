// SPDX-License-Identifier: MIT
#pragma once

// The sound libraries' own diagnostics: ALSA's library messages and PortAudio's internal
// "Expression ... failed in ...pa_linux_alsa.c" lines, which its ALSA host API prints from its
// callback thread whenever a device goes away. They say nothing a user can act on, and the
// program reports the loss itself, so they stay off standard error unless the environment
// variable OSC_AUDIO_DEBUG is set to something other than empty or 0. The program's own
// standard error lines are untouched. PortAudio's lines are told apart by the shared library
// they come from, through a replacement of vfprintf: a PortAudio linked statically or built with
// _FORTIFY_SOURCE (calling __vfprintf_chk) escapes it; LibraryDiagnosticsTest checks for both.

namespace platform {

// Whether the sound libraries' diagnostics reach standard error; read at each message, on any
// thread.
bool AudioDebugWanted();

// Routes ALSA's library messages through the rule above. Called by every PortAudio session
// before PortAudio initialises, on the UI thread; PortAudio's own lines follow the rule from
// the start of the program.
void RouteLibraryDiagnostics();

} // namespace platform
