// SPDX-License-Identifier: MIT
#pragma once

// The AC and distortion analysis of one published block, computed when a subscriber first asks
// for it and then shared by all of that block's subscribers: the log, the analysis window and
// the remote control pay for one analysis per block together, and nobody pays while nobody asks.
// The current (channel L) is in mA, the voltage (channel R) in mV, as the readouts.
//
// Lives on the UI thread with the instrument that owns it.

#include "analysis/AcAnalysis.h"
#include "analysis/Distortion.h"
#include "analysis/Spectrum.h"
#include "measure/Channel.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace instrument {

// The card's frame rate, at which every block is captured.
inline constexpr double kBlockFrameRate = 44100;

class BlockAnalysis {
public:
    // The next block: its frames per channel (valid until the next Begin) and their scales
    // (mA and mV rms per rms sample unit). Forgets the last block's results.
    void Begin(std::span<const std::int32_t> current, double currentScale,
               std::span<const std::int32_t> voltage, double voltageScale);

    // Fundamental, phase, impedance and powers of the block.
    const analysis::AcResult& Ac();
    // Harmonics, THD, THD+N and noise floor of one channel (Hann-windowed spectrum).
    const analysis::DistortionResult& Distortion(measure::Channel channel);

private:
    struct ChannelBlock {
        std::span<const std::int32_t> samples;
        double scale = 0;
    };
    const ChannelBlock& Block(measure::Channel channel) const;

    ChannelBlock current_;
    ChannelBlock voltage_;
    std::optional<analysis::AcResult> ac_;
    std::array<std::optional<analysis::DistortionResult>, 2> distortion_;

    analysis::AcAnalyzer acAnalyzer_;
    analysis::SpectrumAnalyzer spectrumAnalyzer_;
    analysis::Spectrum spectrum_;
    analysis::DistortionAnalyzer distortionAnalyzer_;
};

} // namespace instrument
