// SPDX-License-Identifier: MIT
#pragma once

// User text quoted back in a script's error messages, made safe to print on one line: control
// bytes are escaped (\n, \r, \t, \xNN), and a text longer than EchoCharacters characters is cut
// there, on a character boundary, with "..." after it, so that a runaway argument cannot flood
// the terminal. Pure; called on the UI thread.

#include <cstddef>
#include <string>
#include <string_view>

namespace app {

inline constexpr std::size_t EchoCharacters = 80;

std::string Echo(std::string_view text);

} // namespace app
