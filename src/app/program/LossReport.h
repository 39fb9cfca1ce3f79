// SPDX-License-Identifier: MIT
#pragma once

// The line that tells the user at close how many blocks the sound card lost while the
// instrument ran, so that a gap in a reading or in the generator's tone is not taken for the
// signal. Called by main on the UI thread.

#include <chrono>
#include <cstdint>
#include <string>

namespace app {

// E.g. "osciloskop: 3 capture overruns and 1 playback underrun in 12 min 4 s"; empty when
// nothing was lost.
std::string LostBlocksLine(std::uint64_t overruns, std::uint64_t underruns,
                           std::chrono::seconds span);

} // namespace app
