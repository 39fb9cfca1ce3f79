// SPDX-License-Identifier: MIT
#pragma once

// Least-squares sine fits over a whole block at a given frequency, exact for any frequency (not
// only the FFT's bins): the fundamental's amplitude and phase for the phase and impedance
// readings, and the harmonics of a distortion measurement fitted together with it.
//
// Pure; called by the fundamental search, the AC analysis and the distortion analysis on
// whatever thread runs them. No allocation.

#include <array>
#include <complex>
#include <cstdint>
#include <optional>
#include <span>

namespace analysis {

// The highest harmonic order a fit takes.
inline constexpr int kMaxHarmonicOrder = 10;

// x[i] ~ dc + sum over k = 1..orders of Re(amplitude[k-1] * exp(j k w (firstIndex + i))), with
// w = 2 pi f / sampleRate: amplitude k has the peak of harmonic k in sample units and its phase
// at block position 0. firstIndex places a part of a block on the block's time axis, so that
// fits of two parts give comparable phases.
struct HarmonicFit {
    double dc = 0;
    int orders = 0;
    std::array<std::complex<double>, kMaxHarmonicOrder> amplitude{};
    double residualPower = 0; // mean square of what the model leaves, in sample units squared
};

// All orders fitted jointly (each harmonic's estimate free of the others' leakage). Empty when
// orders is outside 1..kMaxHarmonicOrder, the frequency is not positive, orders * frequency is
// not below the Nyquist frequency, or the block is too short to tell the terms apart.
std::optional<HarmonicFit> FitHarmonics(std::span<const std::int32_t> samples, double frequency,
                                        double sampleRate, int orders, std::size_t firstIndex = 0);

// The plain sine fit a*cos + b*sin + dc: amplitude = a - j b, peak units.
struct SineFit {
    std::complex<double> amplitude;
    double dc = 0;
    double residualPower = 0; // sample units squared
};

std::optional<SineFit> FitSine(std::span<const std::int32_t> samples, double frequency,
                               double sampleRate);

} // namespace analysis
