// SPDX-License-Identifier: MIT
#pragma once

// What the spectrum window shows, without widgets: per channel the spectrum of each published
// block in the window the user chose, averaged over the last N blocks (power average) with the
// peaks held since the last reset, and the latest block's harmonics and distortion. The window
// draws from it and the spectrum export (`spectrum FILE`, --spectrum) writes its average.
//
// Fed once per block from the instrument's readings, on the UI thread.

#include "analysis/Distortion.h"
#include "analysis/Spectrum.h"
#include "analysis/SpectrumAverager.h"
#include "instrument/Instrument.h"
#include "measure/Channel.h"

#include <array>
#include <string>
#include <vector>

namespace app::spectrum {

class SpectrumView {
public:
    // The window of the next blocks; the average and the peaks start over when it changes.
    void SetWindow(analysis::Window window);
    analysis::Window Window() const { return window_; }
    // Blocks in the average, 1 .. 64; starts over. Throws std::invalid_argument otherwise.
    void SetBlocks(int blocks);
    int Blocks() const { return averagers_[0].Blocks(); }
    // Whether Shown() is the held peaks instead of the average; the peaks start afresh when
    // hold is switched on.
    void SetHold(bool hold);
    bool Hold() const { return hold_; }
    // Forgets the average and the peaks.
    void Reset();

    // Takes one published block.
    void Add(const instrument::Readings& readings);

    // Blocks averaged so far, 0 before the first.
    int Count() const { return averagers_[0].Count(); }
    // Hz between bins, 0 before the first block.
    double BinWidth() const { return binWidth_; }
    // Per bin (DC first) in mA (L) or mV (R) rms; empty before the first block.
    const std::vector<double>& Average(measure::Channel channel) const;
    // The average, or the held peaks while hold is on.
    const std::vector<double>& Shown(measure::Channel channel) const;
    // The latest block's harmonics and distortion; silent before the first block.
    const analysis::DistortionResult& Distortion(measure::Channel channel) const;

private:
    static std::size_t Index(measure::Channel channel) {
        return channel == measure::Channel::L ? 0 : 1;
    }

    analysis::Window window_ = analysis::Window::Hann;
    bool hold_ = false;
    double binWidth_ = 0;
    analysis::SpectrumAnalyzer analyzer_;
    analysis::Spectrum spectrum_;
    // Used only when the shared analysis of the block cannot serve (another window than its
    // Hann, or readings made outside an instrument).
    analysis::DistortionAnalyzer distortionAnalyzer_;
    std::array<analysis::SpectrumAverager, 2> averagers_;
    std::array<analysis::DistortionResult, 2> distortion_;
};

// The CSV of the averaged spectrum: frequency_Hz,current_mA,voltage_mV, one row per bin from DC
// to the Nyquist frequency, numbers in their shortest exact form; only the header before the
// first block.
std::string SpectrumCsv(const SpectrumView& view);

} // namespace app::spectrum
