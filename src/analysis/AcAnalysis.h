// SPDX-License-Identifier: MIT
#pragma once

// The AC readings of a two-terminal load from one captured block: the fundamental's frequency,
// current and voltage, their phase, the load's impedance and its series equivalent, and the
// powers. The current (channel L) is in mA, the voltage (channel R) in mV, so U / I is in ohm
// and U * I in microwatt (reported here in mW, mvar and mVA).
//
// Each reading is present only when the block supports it, never a made-up number:
//   - a silent or clipped channel (see BlockCheck) has no fundamental level;
//   - the frequency is the voltage's fundamental, or the current's when the voltage has none;
//   - phase, impedance, the series equivalent and the powers need both levels and, on each
//     channel, a sine at that frequency carrying kMinFundamentalShare of the channel's AC power
//     (an open circuit's noise current gives no phase);
//   - capacitance for a negative reactance, inductance for a positive one, once the phase is
//     at least kMinReactivePhaseDegrees from zero (a resistor's phase wanders by its error).
//
// Called once per block by the instrument on whatever thread does its analysis; one analyzer
// per thread (it keeps its FFT plan).

#include "analysis/Fundamental.h"

#include <cstdint>
#include <optional>
#include <span>

namespace analysis {

// The phase's error on a clean block is below 0.1 degree (0.3 at the band's ends).
inline constexpr double kMinReactivePhaseDegrees = 0.1;

struct AcInput {
    std::span<const std::int32_t> current; // channel L, sample units
    double currentScale = 1;               // mA rms per sample unit of rms
    std::span<const std::int32_t> voltage; // channel R, sample units
    double voltageScale = 1;               // mV rms per sample unit of rms
    double sampleRate = 44100;             // frames per second
};

struct AcChannel {
    bool silent = true;
    bool clipped = false;
    std::optional<double> fundamentalRms; // mA (current) or mV (voltage)
};

struct AcResult {
    AcChannel current;
    AcChannel voltage;
    std::optional<double> frequency;     // Hz
    std::optional<double> phaseDegrees;  // arg U - arg I in (-180, 180]; < 0: current leads
    std::optional<double> impedance;     // |Z|, ohm
    std::optional<double> resistance;    // R = |Z| cos phi, ohm
    std::optional<double> reactance;     // X = |Z| sin phi, ohm
    std::optional<double> capacitance;   // series C = -1 / (2 pi f X) for X < 0, farad
    std::optional<double> inductance;    // series L = X / (2 pi f) for X > 0, henry
    std::optional<double> activePower;   // P, mW
    std::optional<double> reactivePower; // Q, mvar (> 0 inductive)
    std::optional<double> apparentPower; // S, mVA
    std::optional<double> powerFactor;   // cos phi
};

class AcAnalyzer {
public:
    AcResult Analyze(const AcInput& input);

private:
    FundamentalFinder finder;
};

} // namespace analysis
