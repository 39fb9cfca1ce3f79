// SPDX-License-Identifier: MIT
#pragma once

// Which card a mixer's volumes belong to, named so that every way of reaching one card gives
// one name and two cards give two. It keys the one-instrument-per-card lock and whatever is
// stored per card, so it stays the same across restarts of a sound server.
//
// A card's own mixer ("hw:N") is that card. The default mixer is a sound server's volume: the
// server is found the way its client library finds it (PULSE_SERVER's first entry, with or
// without "unix:", else $PULSE_RUNTIME_PATH/native, else $XDG_RUNTIME_DIR/pulse/native) and
// named by the real path of its socket, links and "." or ".." resolved. A server reached over
// the network keeps its address as written. Called on any thread.

#include <functional>
#include <string>

namespace platform {

// Looks up an environment variable; null when unset.
using Environment = std::function<const char*(const char* name)>;

// The server the client library reaches under `environment`: "unix:" and a socket path as
// written, another address as written, or empty when the environment names none.
std::string SoundServerAddress(const Environment& environment);

// The card behind `mixer` under the process's environment, e.g. "hw:0" or
// "default on unix:/run/user/1000/pulse/native".
std::string CardIdentity(const std::string& mixer);
// The same under `environment`.
std::string CardIdentity(const std::string& mixer, const Environment& environment);

} // namespace platform
