// SPDX-License-Identifier: MIT
#include "analysis/AcAnalysis.h"

#include "analysis/BlockCheck.h"
#include "analysis/SineFit.h"

#include <cmath>
#include <complex>
#include <numbers>

namespace analysis {

namespace {

// One channel's sine at the common frequency, and whether it is clear enough for a phase.
struct ChannelSine {
    std::complex<double> amplitude; // peak sample units
    bool clear = false;
};

std::optional<ChannelSine> Sine(std::complex<double> amplitude, double residualPower,
                                const BlockCheck& check) {
    if (check.silent || check.clipped) {
        return std::nullopt;
    }
    // The AC power is what the fit explains plus what it leaves.
    const double sinePower = std::norm(amplitude) / 2;
    const double acPower = sinePower + residualPower;
    return ChannelSine{amplitude, acPower > 0 && sinePower >= kMinFundamentalShare * acPower};
}

std::optional<ChannelSine> SineOf(const Fundamental& fundamental, const BlockCheck& check) {
    return Sine(fundamental.amplitude, fundamental.residualPower, check);
}

std::optional<ChannelSine> SineAt(std::span<const std::int32_t> samples, const BlockCheck& check,
                                  double frequency, double sampleRate) {
    if (check.silent || check.clipped) {
        return std::nullopt;
    }
    const auto fit = FitSine(samples, frequency, sampleRate);
    if (!fit) {
        return std::nullopt;
    }
    return Sine(fit->amplitude, fit->residualPower, check);
}

} // namespace

AcResult AcAnalyzer::Analyze(const AcInput& input) {
    AcResult result;
    const BlockCheck currentCheck = CheckBlock(input.current);
    const BlockCheck voltageCheck = CheckBlock(input.voltage);
    result.current.silent = currentCheck.silent;
    result.current.clipped = currentCheck.clipped;
    result.voltage.silent = voltageCheck.silent;
    result.voltage.clipped = voltageCheck.clipped;

    std::optional<Fundamental> fundamental;
    if (!voltageCheck.silent) {
        fundamental = finder.Find(input.voltage, input.sampleRate, voltageCheck);
    }
    const bool fromVoltage = fundamental.has_value();
    if (!fundamental && !currentCheck.silent) {
        fundamental = finder.Find(input.current, input.sampleRate, currentCheck);
    }
    if (!fundamental) {
        return result;
    }
    const double f = fundamental->frequency;
    result.frequency = f;

    // The channel the frequency came from has its sine fitted already.
    const auto i = fromVoltage ? SineAt(input.current, currentCheck, f, input.sampleRate)
                               : SineOf(*fundamental, currentCheck);
    const auto u = fromVoltage ? SineOf(*fundamental, voltageCheck)
                               : SineAt(input.voltage, voltageCheck, f, input.sampleRate);
    // rms readout = rms in sample units * scale; a sine's rms is its peak / sqrt 2.
    if (i) {
        result.current.fundamentalRms =
            std::abs(i->amplitude) / std::numbers::sqrt2 * input.currentScale;
    }
    if (u) {
        result.voltage.fundamentalRms =
            std::abs(u->amplitude) / std::numbers::sqrt2 * input.voltageScale;
    }
    if (!i || !u || !i->clear || !u->clear) {
        return result;
    }
    const double i1 = *result.current.fundamentalRms;
    const double u1 = *result.voltage.fundamentalRms;
    // arg(U / I) lies in (-pi, pi]; so does the phase in degrees, save for rounding at -180.
    double phi = std::arg(u->amplitude / i->amplitude);
    double degrees = phi * 180 / std::numbers::pi;
    if (degrees <= -180) {
        degrees += 360;
        phi = std::numbers::pi;
    }
    result.phaseDegrees = degrees;
    const double z = u1 / i1;
    result.impedance = z;
    result.resistance = z * std::cos(phi);
    result.reactance = z * std::sin(phi);
    const double omega = 2 * std::numbers::pi * f;
    // Within the phase's error of zero a reactance tells neither a capacitor nor a coil, and
    // its equivalent would be a huge made-up number.
    if (std::abs(degrees) >= kMinReactivePhaseDegrees) {
        if (*result.reactance < 0) {
            result.capacitance = -1 / (omega * *result.reactance);
        } else {
            result.inductance = *result.reactance / omega;
        }
    }
    // mV * mA = microwatt.
    const double s = u1 * i1 / 1000;
    result.apparentPower = s;
    result.activePower = s * std::cos(phi);
    result.reactivePower = s * std::sin(phi);
    result.powerFactor = std::cos(phi);
    return result;
}

} // namespace analysis
