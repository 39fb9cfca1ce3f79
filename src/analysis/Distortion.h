// SPDX-License-Identifier: MIT
#pragma once

// Harmonics and distortion of one channel's block: the fundamental, harmonics 2 to 10 with
// their levels, THD, THD+N, SINAD and the spectrum's noise floor. Levels are in the channel's
// unit (mA or mV rms, scale = unit rms per sample unit of rms).
//
// The fundamental and its harmonics are fitted jointly as sines at exact multiples of the
// measured fundamental (see SineFit), so a level does not depend on where a line falls between
// bins, and close low harmonics do not leak into each other. Definitions:
//   THD   = sqrt(A2^2 + ... + A10^2) / A1 (harmonics at or within a bin of the Nyquist
//           frequency are absent and left out)
//   N + D = everything but DC and the fundamental: the power a sine fit at f0 leaves
//   THD+N = sqrt((N + D) / total AC power), SINAD = total AC power / (N + D) in dB
// Without a clear fundamental (see Fundamental.h) the harmonics and THD are empty and the
// whole AC power counts as N + D (THD+N 100 %, SINAD 0 dB): noise still has a level and floor.
//
// Called by the distortion view once per block and channel; one analyzer per thread.

#include "analysis/Fundamental.h"
#include "analysis/Spectrum.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace analysis {

struct Harmonic {
    int order = 0;        // 2 .. 10
    double frequency = 0; // Hz
    double rms = 0;       // channel unit
    double percent = 0;   // of the fundamental's rms
};

struct DistortionResult {
    bool silent = true;                   // see BlockCheck
    bool clipped = false;                 // the readings describe the clipped wave, not the signal
    std::optional<double> frequency;      // fundamental, Hz
    std::optional<double> fundamentalRms; // channel unit
    std::vector<Harmonic> harmonics;      // orders 2 .. 10 below the Nyquist frequency
    std::optional<double> thdPercent;
    std::optional<double> thdNoisePercent; // THD+N; empty without AC power
    std::optional<double> sinadDb;         // empty without AC power or without N + D
    double noiseFloorDb = kSilenceDb;      // median bin level above DC, dB re 1 unit
};

class DistortionAnalyzer {
public:
    // `spectrum` is the same block's spectrum (any window) and gives the noise floor.
    DistortionResult Analyze(std::span<const std::int32_t> samples, double sampleRate, double scale,
                             const Spectrum& spectrum);

private:
    FundamentalFinder finder;
    std::vector<double> scratch; // the spectrum's levels, for the median
};

} // namespace analysis
