// SPDX-License-Identifier: MIT
#include "analysis/SpectrumAverager.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace analysis {

void SpectrumAverager::SetBlocks(int newBlocks) {
    if (newBlocks < 1 || newBlocks > kMaxBlocks) {
        throw std::invalid_argument("spectrum averaging takes 1 to 64 blocks");
    }
    blocks = newBlocks;
    Reset();
}

void SpectrumAverager::Reset() {
    count = 0;
    next = 0;
    sum.clear();
    average.clear();
    peak.clear();
}

void SpectrumAverager::Add(const Spectrum& spectrum) {
    const std::size_t bins = spectrum.rms.size();
    if (bins != sum.size() || spectrum.window != window || spectrum.binWidth != binWidth) {
        Reset();
        window = spectrum.window;
        binWidth = spectrum.binWidth;
        ring.assign(static_cast<std::size_t>(blocks) * bins, 0.0);
        sum.assign(bins, 0.0);
        average.assign(bins, 0.0);
        peak.assign(bins, 0.0);
    }
    double* slot = ring.data() + next * bins;
    for (std::size_t k = 0; k < bins; ++k) {
        const double power = spectrum.rms[k] * spectrum.rms[k];
        sum[k] += power - slot[k];
        slot[k] = power;
        peak[k] = std::max(peak[k], spectrum.rms[k]);
    }
    count = std::min(count + 1, blocks);
    next = (next + 1) % static_cast<std::size_t>(blocks);
    // Adding and removing leaves rounding behind after a loud block has left the ring: once per
    // round the sums start afresh from the ring.
    if (next == 0) {
        std::fill(sum.begin(), sum.end(), 0.0);
        for (int b = 0; b < blocks; ++b) {
            for (std::size_t k = 0; k < bins; ++k) {
                sum[k] += ring[static_cast<std::size_t>(b) * bins + k];
            }
        }
    }
    for (std::size_t k = 0; k < bins; ++k) {
        average[k] = std::sqrt(std::max(0.0, sum[k]) / count);
    }
}

} // namespace analysis
