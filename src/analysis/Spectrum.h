// SPDX-License-Identifier: MIT
#pragma once

// The amplitude spectrum of one channel's block: a windowed FFT (KissFFT's real transform)
// read as the rms level of a sine in each bin, in the channel's unit (mA or mV rms) and in dB
// relative to 1 mA or 1 mV. The window is the user's choice: flat-top reads a sine's level to
// within 0.1 % wherever it falls between bins, Hann separates close lines, rectangular suits
// tones that are whole periods of the block.
//
// Called by the spectrum and distortion views once per block and channel; one analyzer per
// thread. Blocks of one length and window cost no allocation after the first.

#include "analysis/RealFft.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace analysis {

enum class Window { Rectangular, Hann, FlatTop };

// The level dB of silence (a zero bin), instead of minus infinity.
inline constexpr double kSilenceDb = -300;

// 20 log10(rms), rms in the channel's unit; kSilenceDb for 0.
double LevelDb(double rms);

struct Spectrum {
    Window window = Window::Hann;
    double binWidth = 0;     // Hz: sample rate / transform length
    std::vector<double> rms; // bins 0 .. length / 2; bin 0 holds the DC value

    double Frequency(std::size_t bin) const { return static_cast<double>(bin) * binWidth; }
    double Db(std::size_t bin) const { return LevelDb(rms[bin]); }
    // The strongest bin above DC; 0 when the spectrum has none.
    std::size_t PeakBin() const;
};

class SpectrumAnalyzer {
public:
    // The spectrum of `samples` (at least kMinBlockSize; an odd last sample is left out) with
    // the channel's scale (unit rms per sample unit of rms) into `out`, whose storage is reused.
    // Throws std::invalid_argument for a shorter block or a sample rate that is not positive.
    void Compute(std::span<const std::int32_t> samples, double sampleRate, double scale,
                 Window window, Spectrum& out);

private:
    RealFft fft;
    // The window last used, its length and the sum of its coefficients (its coherent gain
    // times the length).
    Window cachedWindow = Window::Rectangular;
    std::vector<float> coefficients;
    double coefficientSum = 0;
};

} // namespace analysis
