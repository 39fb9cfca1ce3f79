// SPDX-License-Identifier: MIT
#pragma once

// A wire from the simulated card's output to both input channels: the input records exactly
// what the output plays. For tests of the stream components that check samples end to end.
// Called by the card on the thread that advances it.

#include "platform/sim/SimulatedCard.h"

namespace platform::sim {

class LoopbackSource final : public CaptureSource {
public:
    void Render(const std::int16_t* played, std::size_t frames, std::int16_t* stereo) override {
        for (std::size_t i = 0; i < frames; ++i) {
            stereo[2 * i] = played[i];
            stereo[2 * i + 1] = played[i];
        }
    }
};

} // namespace platform::sim
