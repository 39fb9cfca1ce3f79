// SPDX-License-Identifier: MIT
#include "app/spectrum/SpectrumView.h"

#include "analysis/BlockCheck.h"
#include "common/CsvFields.h"

#include <algorithm>

namespace app::spectrum {

void SpectrumView::SetWindow(analysis::Window window) {
    if (window != window_) {
        window_ = window;
        Reset();
    }
}

void SpectrumView::SetBlocks(int blocks) {
    for (analysis::SpectrumAverager& averager : averagers_) {
        averager.SetBlocks(blocks);
    }
}

void SpectrumView::SetHold(bool hold) {
    if (hold && !hold_) {
        Reset();
    }
    hold_ = hold;
}

void SpectrumView::Reset() {
    for (analysis::SpectrumAverager& averager : averagers_) {
        averager.Reset();
    }
}

void SpectrumView::Add(const instrument::Readings& readings) {
    using measure::Channel;
    for (const Channel channel : {Channel::L, Channel::R}) {
        const auto samples = channel == Channel::L ? readings.samplesL : readings.samplesR;
        const double scale = readings.FrameScale(channel);
        if (samples.size() < analysis::kMinBlockSize) {
            continue; // nothing to analyse; the average keeps what it has
        }
        analyzer_.Compute(samples, instrument::kBlockFrameRate, scale, window_, spectrum_);
        binWidth_ = spectrum_.binWidth;
        averagers_[Index(channel)].Add(spectrum_);
        // The fit behind the distortion figures does not depend on the window; only the noise
        // floor does, so the block's shared analysis serves whenever it used the same window.
        distortion_[Index(channel)] =
            readings.analysis != nullptr && window_ == analysis::Window::Hann
                ? readings.analysis->Distortion(channel)
                : distortionAnalyzer_.Analyze(samples, instrument::kBlockFrameRate, scale,
                                              spectrum_);
    }
}

const std::vector<double>& SpectrumView::Average(measure::Channel channel) const {
    return averagers_[Index(channel)].Average();
}

const std::vector<double>& SpectrumView::Shown(measure::Channel channel) const {
    return hold_ ? averagers_[Index(channel)].PeakHold() : Average(channel);
}

const analysis::DistortionResult& SpectrumView::Distortion(measure::Channel channel) const {
    return distortion_[Index(channel)];
}

std::string SpectrumCsv(const SpectrumView& view) {
    std::string text = "frequency_Hz,current_mA,voltage_mV\n";
    const std::vector<double>& current = view.Average(measure::Channel::L);
    const std::vector<double>& voltage = view.Average(measure::Channel::R);
    const std::size_t bins = std::max(current.size(), voltage.size());
    for (std::size_t k = 0; k < bins; ++k) {
        text += common::NumberField(static_cast<double>(k) * view.BinWidth()) + ',' +
                (k < current.size() ? common::NumberField(current[k]) : "") + ',' +
                (k < voltage.size() ? common::NumberField(voltage[k]) : "") + '\n';
    }
    return text;
}

} // namespace app::spectrum
