// SPDX-License-Identifier: MIT
#pragma once

// The fundamental of one channel's block, measured from the block alone (no generator setting
// assumed): the frequency, amplitude and phase of its strongest sine. Shared by the AC analysis
// (phase, impedance, power) and the distortion analysis (harmonics, THD).
//
// How: a Hann-windowed FFT finds the strongest line and interpolates between bins; then the
// frequency is refined until sine fits over the two halves of the block agree in phase (at the
// true frequency both halves see the same sine), which needs no grid and reaches well under
// 1e-4 relative error from 20 Hz to 20 kHz. With few periods per half block, a last step fits
// the halves with the harmonics the FFT shows, whose leakage would otherwise pull the result.
// A last fit over the whole block gives the amplitude. The strongest line is taken for the
// fundamental: a wave whose harmonic outweighs its fundamental reads at that harmonic.
//
// A block has no clear fundamental (the result is empty) when it is shorter than
// kMinBlockSize, its AC part (x minus its mean) peaks under kSilentPeak (silence, DC only), the
// line found lies under kMinPeriods periods per block or at the Nyquist frequency, the
// refinement does not settle within a bin of the FFT's line, or the fitted sine carries less
// than kMinFundamentalShare of the block's AC power: white noise, a lone spike or a mixture
// without a dominant tone.
//
// One finder per user and thread: it keeps its FFT plan and buffers.

#include "analysis/BlockCheck.h"
#include "analysis/RealFft.h"

#include <complex>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace analysis {

// A fundamental must hold at least this share of the AC power (its rms at least half the AC
// rms), so a distorted tone with THD+N up to about 170 % still has one and noise has none.
inline constexpr double kMinFundamentalShare = 0.25;
// Fewer periods per block cannot be told from a slow drift.
inline constexpr double kMinPeriods = 2;

struct Fundamental {
    double frequency = 0;           // Hz
    std::complex<double> amplitude; // peak sample units, phase at the block's first sample
    double dc = 0;                  // sample units
    double share = 0;               // the fitted sine's share of the block's AC power, 0..1
    double residualPower = 0;       // mean square of the block minus dc and sine, units^2
};

class FundamentalFinder {
public:
    std::optional<Fundamental> Find(std::span<const std::int32_t> samples, double sampleRate);
    // The same, for a caller that has checked the block already (saves a pass).
    std::optional<Fundamental> Find(std::span<const std::int32_t> samples, double sampleRate,
                                    const BlockCheck& check);

private:
    // The FFT's strongest line, interpolated, in Hz; empty for a block without an AC line.
    std::optional<double> CoarseFrequency(std::span<const std::int32_t> samples, double mean,
                                          double sampleRate);

    // Harmonic orders a refinement step must fit besides the fundamental, from the FFT's lines.
    int RefinementOrders(double frequency, double sampleRate, std::size_t half) const;

    RealFft fft;
    std::vector<float> hann;                    // the window for the block length last used
    std::span<const std::complex<float>> lines; // the last block's Hann spectrum
};

} // namespace analysis
