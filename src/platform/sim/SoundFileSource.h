// SPDX-License-Identifier: MIT
#pragma once

// A sound file played into the simulated card's input, over and over: how recordings are
// analysed and how tests feed chosen signals. The file must be at the card's rate (44 100 Hz)
// with one or two channels; a stereo file's first channel reaches channel R (voltage) and its
// second channel L (current); a mono file feeds both. Samples are converted to 16 bits.
//
// The whole file is read at construction (on the caller's thread), so Render does no I/O; it is
// called by the card on the thread that advances it. What the card's output plays is ignored.

#include "platform/sim/SimulatedCard.h"

#include <string>
#include <vector>

namespace platform::sim {

class SoundFileSource final : public CaptureSource {
public:
    // Throws std::runtime_error naming the file and the reason when it cannot be used (missing
    // or unreadable, not a sound file, not 44 100 Hz, more than two channels, no frames).
    explicit SoundFileSource(const std::string& path);

    void Render(const std::int16_t* played, std::size_t frames, std::int16_t* stereo) override;

    std::size_t Frames() const { return frames_.size() / 2; }

private:
    std::vector<std::int16_t> frames_; // stereo pairs (R, L)
    std::size_t position_ = 0;         // next frame to deliver
};

} // namespace platform::sim
