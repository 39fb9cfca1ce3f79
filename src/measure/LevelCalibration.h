// SPDX-License-Identifier: MIT
#pragma once

// Calibration of the level readouts against a known reference on the user's own card. A card's
// line input has its own sensitivity, so the instrument's constants (mA and mV per rms sample
// unit) hold only for the card they were measured on; a factor k = reference ÷ measured per
// channel corrects them. A calibrated instrument looking at amplitude A shows what the
// uncalibrated one shows at k·A: the window multiplies its conversion constants and trace gains
// by k and ranges on the calibrated peak. A factor of exactly 1 changes nothing: x · 1 == x for
// every double, and a peak times 1 rounds back to itself.
//
// Pure: the window calls CalibratedPeak on the UI thread once per measured block; the program's
// calibration run calls EvaluateCalibration once at its end.

#include "measure/Channel.h"

#include <cstdint>
#include <span>
#include <string>

namespace measure {

// Factors in force; 1 = uncalibrated.
struct LevelCalibration {
    double current = 1.0; // channel L
    double voltage = 1.0; // channel R

    double Of(Channel channel) const { return channel == Channel::L ? current : voltage; }
};

// peak · factor, rounded, held at the largest 16-bit value beyond it: a signal calibrated past
// full scale stays in the largest range instead of wrapping into a small one.
std::uint16_t CalibratedPeak(std::uint16_t peak, double factor);

// One measured block of the channel being calibrated, uncalibrated.
struct BlockLevel {
    double rms;         // mA (L) or mV (R) with the instrument's constants
    std::uint16_t peak; // largest |sample| in sample units
};

// A signal whose peak stays under this is too weak to calibrate on (1 % of full scale).
inline constexpr std::uint16_t kWeakPeak = 328;
// A peak at this or above is taken as clipped.
inline constexpr std::uint16_t kClippedPeak = 32767;
// Largest block-to-block spread of the rms, relative to the mean, of a steady signal.
inline constexpr double kSteadySpread = 0.01;

// A card's input is a few dB off, never 20: a factor outside these bounds comes from a wrong
// reference or unit, or from a corrupt file, and would make every readout absurd.
inline constexpr double kLowestFactor = 0.1;
inline constexpr double kHighestFactor = 10.0;

// Whether `factor` lies within the bounds above (NaN does not).
bool FactorWithinBounds(double factor);

// Why `factor` cannot be used ("the factor ×663448.000 is outside ×0.100 to ×10.000 ..."); empty
// when it is within the bounds.
std::string FactorBoundsRefusal(double factor);

struct CalibrationVerdict {
    double measured = 0; // mean rms over the blocks (mA or mV); 0 when refused
    double factor = 0;   // reference ÷ measured; 0 when refused
    std::string refusal; // why the blocks cannot calibrate, empty when they can
};

// Checks the blocks (clipped, too weak, unsteady, none at all) and computes the factor against
// `reference` (mA or mV, > 0); a factor outside the bounds is refused.
CalibrationVerdict EvaluateCalibration(std::span<const BlockLevel> blocks, double reference);

// "×1.981": a factor as the user reads it, three decimals, locale-independent.
std::string FactorText(double factor);

// "calibration: current ×1.981, voltage none": the factors in force, "none" for a factor of 1.
std::string FactorsInForceText(const LevelCalibration& calibration);

} // namespace measure
