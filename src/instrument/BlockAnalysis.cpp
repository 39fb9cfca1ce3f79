// SPDX-License-Identifier: MIT
#include "instrument/BlockAnalysis.h"

#include "analysis/BlockCheck.h"

namespace instrument {

void BlockAnalysis::Begin(std::span<const std::int32_t> current, double currentScale,
                          std::span<const std::int32_t> voltage, double voltageScale) {
    current_ = {current, currentScale};
    voltage_ = {voltage, voltageScale};
    ac_.reset();
    distortion_ = {};
}

const BlockAnalysis::ChannelBlock& BlockAnalysis::Block(measure::Channel channel) const {
    return channel == measure::Channel::L ? current_ : voltage_;
}

const analysis::AcResult& BlockAnalysis::Ac() {
    if (!ac_) {
        ac_ = acAnalyzer_.Analyze(
            {current_.samples, current_.scale, voltage_.samples, voltage_.scale, kBlockFrameRate});
    }
    return *ac_;
}

const analysis::DistortionResult& BlockAnalysis::Distortion(measure::Channel channel) {
    auto& result = distortion_[channel == measure::Channel::L ? 0 : 1];
    if (!result) {
        const ChannelBlock& block = Block(channel);
        if (block.samples.size() < analysis::kMinBlockSize) {
            // Too short for a spectrum: a block that says nothing, as silence does.
            result = analysis::DistortionResult{};
        } else {
            spectrumAnalyzer_.Compute(block.samples, kBlockFrameRate, block.scale,
                                      analysis::Window::Hann, spectrum_);
            result =
                distortionAnalyzer_.Analyze(block.samples, kBlockFrameRate, block.scale, spectrum_);
        }
    }
    return *result;
}

} // namespace instrument
