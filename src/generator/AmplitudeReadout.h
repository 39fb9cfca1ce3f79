// SPDX-License-Identifier: MIT
#pragma once

// Amplitude readouts of the generator panels (in mV of the measuring unit's output) and the
// conversion of a typed readout back to sample units. Extended precision, ties to even.
// Called by the window's generator panel handlers on the user-interface thread.

#include <cstdint>
#include <string>

namespace generator {

// Generator 1's panel: rnd(amplitude / 32.767 * 0.78 * 2.4) ("1828" for 32000, "1872" full).
std::string Gen1AmplitudeText(std::int32_t amplitude);

// Generator 2's panel, and generator 1 right after the "optimum" reset:
// rnd(amplitude / 32.767 * 1.1) ("1100" for 32767, "101" for 3000).
std::string Gen2AmplitudeText(std::int32_t amplitude);

// Amplitude in sample units of a typed readout v: rnd(v * 32.767), limited to the 32-bit range.
std::int32_t AmplitudeFromReadout(std::int32_t value);

} // namespace generator
