// SPDX-License-Identifier: MIT
#pragma once

// Averaging and peak hold of one channel's spectra over successive blocks: the average is the
// power average (rms of the per-bin rms levels) of the last N blocks, kept as a ring, and peak
// hold the largest level per bin since the last reset.
//
// Owned by a spectrum view, fed once per block on that view's thread. Storage is allocated
// when the block count or the spectrum's shape changes, not per block.

#include "analysis/Spectrum.h"

#include <cstddef>
#include <vector>

namespace analysis {

class SpectrumAverager {
public:
    static constexpr int kMaxBlocks = 64;

    // Blocks in the average, 1 .. kMaxBlocks; starts over. Throws std::invalid_argument
    // otherwise.
    void SetBlocks(int blocks);
    int Blocks() const { return blocks; }
    // Blocks averaged so far (at most Blocks()).
    int Count() const { return count; }

    // Adds a block's spectrum; one of another length, window or bin width starts over.
    void Add(const Spectrum& spectrum);
    // Forgets every block and the peaks.
    void Reset();

    // Per bin, in the spectrum's unit; empty before the first block.
    const std::vector<double>& Average() const { return average; }
    const std::vector<double>& PeakHold() const { return peak; }

private:
    int blocks = 1;
    int count = 0;
    std::size_t next = 0; // ring slot of the next block
    Window window = Window::Hann;
    double binWidth = 0;
    std::vector<double> ring; // blocks x bins powers (rms squared)
    std::vector<double> sum;  // per bin, over the ring's filled slots
    std::vector<double> average;
    std::vector<double> peak;
};

} // namespace analysis
