// SPDX-License-Identifier: MIT
#include "analysis/AcAnalysis.h"

#include "Signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <tuple>
#include <vector>

using namespace analysis_test;

namespace {

constexpr double kCurrentScale = 0.004; // mA per unit
constexpr double kVoltageScale = 0.05;  // mV per unit

analysis::AcResult Analyze(const std::vector<std::int32_t>& current,
                           const std::vector<std::int32_t>& voltage) {
    analysis::AcAnalyzer analyzer;
    return analyzer.Analyze({current, kCurrentScale, voltage, kVoltageScale, kRate});
}

bool NoLoadReadings(const analysis::AcResult& r) {
    return !r.phaseDegrees && !r.impedance && !r.resistance && !r.reactance && !r.capacitance &&
           !r.inductance && !r.activePower && !r.reactivePower && !r.apparentPower &&
           !r.powerFactor;
}

class PhaseOfRecordedPair : public testing::TestWithParam<std::tuple<double, double>> {};

} // namespace

// Two sines with a planted phase, a little noise on each channel: the phase within 0.1 deg from
// 40 Hz to 1 kHz and 0.3 deg over the whole band, whatever its sign; the levels as the rms
// readout would give them for a clean sine.
TEST_P(PhaseOfRecordedPair, PhaseAndLevels) {
    const auto [f, phi] = GetParam();
    const auto voltage = Signal({{20000, f, 0.4}}, 15, {3, 1});
    const auto current = Signal({{7000, f, 0.4 - Radians(phi)}}, -40, {3, 2});
    const auto r = Analyze(current, voltage);
    ASSERT_TRUE(r.phaseDegrees);
    const double tolerance = f >= 40 && f <= 1000 ? 0.1 : 0.3;
    EXPECT_NEAR(std::remainder(*r.phaseDegrees - phi, 360), 0, tolerance);
    EXPECT_GT(*r.phaseDegrees, -180);
    EXPECT_LE(*r.phaseDegrees, 180);
    EXPECT_NEAR(*r.frequency, f, 1e-4 * f);
    EXPECT_NEAR(*r.voltage.fundamentalRms, 20000 / std::numbers::sqrt2 * kVoltageScale, 1e-3 * 707);
    EXPECT_NEAR(*r.current.fundamentalRms, 7000 / std::numbers::sqrt2 * kCurrentScale, 1e-3 * 20);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PhaseOfRecordedPair,
    testing::Combine(testing::Values(20.3, 40.7, 97.1, 440.3, 999.1, 5003.3, 12345.6, 19998.7),
                     testing::Values(30.0, -30.0, 89.0, -89.0, 0.0, 179.0, -179.0)));

namespace {

struct LoadCase {
    double frequency;
    double resistance;  // ohm
    double capacitance; // farad, 0 for none
    double inductance;  // henry, 0 for none
};

class SeriesLoad : public testing::TestWithParam<LoadCase> {};

} // namespace

// U across a series load and the current it draws, I = U / Z: the readings return R, X, C or L
// and the powers of that load. The simulated card's load is 22 ohm with 68 uF.
TEST_P(SeriesLoad, ReadingsOfThePlantedLoad) {
    const LoadCase c = GetParam();
    const double omega = 2 * std::numbers::pi * c.frequency;
    const std::complex<double> z(
        c.resistance, omega * c.inductance - (c.capacitance > 0 ? 1 / (omega * c.capacitance) : 0));
    const double uPeak = 1000;                                          // mV
    const std::complex<double> iPeak = std::complex<double>(uPeak) / z; // mA
    const auto voltage = Signal({{uPeak / kVoltageScale, c.frequency, 0.2}}, 0, {2, 3});
    const auto current =
        Signal({{std::abs(iPeak) / kCurrentScale, c.frequency, 0.2 + std::arg(iPeak)}}, 0, {2, 4});
    const auto r = Analyze(current, voltage);
    ASSERT_TRUE(r.phaseDegrees);
    EXPECT_NEAR(*r.phaseDegrees, Degrees(std::arg(z)), 0.3);
    EXPECT_NEAR(*r.impedance, std::abs(z), 0.01 * std::abs(z));
    EXPECT_NEAR(*r.resistance, z.real(), 0.01 * z.real());
    EXPECT_NEAR(*r.reactance, z.imag(), 0.01 * std::abs(z.imag()));
    if (z.imag() < 0) {
        ASSERT_TRUE(r.capacitance);
        EXPECT_FALSE(r.inductance);
        EXPECT_NEAR(*r.capacitance, c.capacitance, 0.01 * c.capacitance);
    } else {
        ASSERT_TRUE(r.inductance);
        EXPECT_FALSE(r.capacitance);
        EXPECT_NEAR(*r.inductance, c.inductance, 0.01 * c.inductance);
    }
    // P = I^2 R, Q = I^2 X, S = U I; mV * mA = uW = mW / 1000.
    const double i1 = std::abs(iPeak) / std::numbers::sqrt2;
    const double u1 = uPeak / std::numbers::sqrt2;
    EXPECT_NEAR(*r.activePower, i1 * i1 * z.real() / 1000, 0.01 * u1 * i1 / 1000);
    EXPECT_NEAR(*r.reactivePower, i1 * i1 * z.imag() / 1000, 0.01 * u1 * i1 / 1000);
    EXPECT_NEAR(*r.apparentPower, u1 * i1 / 1000, 0.001 * u1 * i1 / 1000);
    EXPECT_NEAR(*r.powerFactor, z.real() / std::abs(z), 0.005);
}

INSTANTIATE_TEST_SUITE_P(Table, SeriesLoad,
                         testing::Values(LoadCase{20.0, 22, 68e-6, 0}, LoadCase{50.0, 22, 68e-6, 0},
                                         LoadCase{106.4, 22, 68e-6, 0},
                                         LoadCase{997.0, 22, 68e-6, 0},
                                         LoadCase{5000.0, 22, 68e-6, 0},
                                         LoadCase{1000.0, 10, 0, 10e-3},
                                         LoadCase{50.0, 100, 0, 0.5}));

// A resistor's phase is zero give or take its error: no series capacitance or inductance.
TEST(AcAnalysis, AResistorHasNoSeriesCapacitanceOrInductance) {
    const auto voltage = Signal({{20000, 100, 0.4}}, 0, {3, 1});
    const auto current = Signal({{7000, 100, 0.4}}, 0, {3, 2});
    const auto r = Analyze(current, voltage);
    ASSERT_TRUE(r.phaseDegrees && r.reactance);
    EXPECT_NEAR(*r.phaseDegrees, 0, 0.05);
    EXPECT_FALSE(r.capacitance || r.inductance);
}

TEST(AcAnalysis, BothChannelsSilent) {
    const std::vector<std::int32_t> quiet = Signal({{200, 1000, 0}}, 0, {20, 9});
    const auto r = Analyze(quiet, quiet);
    EXPECT_TRUE(r.current.silent);
    EXPECT_TRUE(r.voltage.silent);
    EXPECT_FALSE(r.frequency);
    EXPECT_FALSE(r.current.fundamentalRms);
    EXPECT_FALSE(r.voltage.fundamentalRms);
    EXPECT_TRUE(NoLoadReadings(r));
}

// A channel without signal empties what needs it; the other channel's level stays, and the
// frequency comes from whichever channel has the tone.
TEST(AcAnalysis, OneChannelSilent) {
    const auto tone = Signal({{12000, 733.3, 0}});
    const std::vector<std::int32_t> silence(kBlock, 0);
    for (const bool voltageSilent : {false, true}) {
        const auto r = voltageSilent ? Analyze(tone, silence) : Analyze(silence, tone);
        ASSERT_TRUE(r.frequency);
        EXPECT_NEAR(*r.frequency, 733.3, 0.01);
        EXPECT_EQ(r.voltage.silent, voltageSilent);
        EXPECT_EQ(r.current.silent, !voltageSilent);
        const auto& live = voltageSilent ? r.current : r.voltage;
        const auto& dead = voltageSilent ? r.voltage : r.current;
        const double scale = voltageSilent ? kCurrentScale : kVoltageScale;
        ASSERT_TRUE(live.fundamentalRms);
        EXPECT_NEAR(*live.fundamentalRms, 12000 / std::numbers::sqrt2 * scale,
                    1e-4 * 12000 * scale);
        EXPECT_FALSE(dead.fundamentalRms);
        EXPECT_TRUE(NoLoadReadings(r));
    }
}

// A clipped voltage keeps its frequency (the clipped wave still has it) but gives no level and
// no phase or impedance: its numbers would be wrong.
TEST(AcAnalysis, ClippedChannelIsFlaggedNotMeasured) {
    const auto voltage = Signal({{40000, 250.5, 0}});
    const auto current = Signal({{10000, 250.5, 1}});
    const auto r = Analyze(current, voltage);
    EXPECT_TRUE(r.voltage.clipped);
    EXPECT_FALSE(r.current.clipped);
    ASSERT_TRUE(r.frequency);
    EXPECT_NEAR(*r.frequency, 250.5, 0.01);
    EXPECT_FALSE(r.voltage.fundamentalRms);
    EXPECT_TRUE(r.current.fundamentalRms);
    EXPECT_TRUE(NoLoadReadings(r));
}

// A sine just under full scale with a lone full-scale spike is not clipping.
TEST(AcAnalysis, NearFullScaleSineAndSpikeAreNotClipped) {
    auto voltage = Signal({{32600, 1000.7, 0}});
    voltage[77] = 32767;
    voltage[4321] = -32768;
    const auto r = Analyze(Signal({{32600, 1000.7, -0.5}}), voltage);
    EXPECT_FALSE(r.voltage.clipped);
    EXPECT_FALSE(r.current.clipped);
    ASSERT_TRUE(r.phaseDegrees);
    EXPECT_NEAR(*r.phaseDegrees, Degrees(0.5), 0.1);
}

// An open circuit: a voltage, and on the current only noise. The voltage and the noise's small
// level at f0 are measured, the phase of noise is not.
TEST(AcAnalysis, NoiseCurrentGivesNoPhase) {
    const auto r = Analyze(Signal({}, 0, {300, 21}), Signal({{15000, 1500.2, 0}}));
    EXPECT_FALSE(r.current.silent);
    ASSERT_TRUE(r.frequency);
    EXPECT_TRUE(r.voltage.fundamentalRms);
    ASSERT_TRUE(r.current.fundamentalRms);
    EXPECT_LT(*r.current.fundamentalRms, 0.1 * 300 * kCurrentScale);
    EXPECT_TRUE(NoLoadReadings(r));
}

TEST(AcAnalysis, DcAndNoiseGiveNoFrequency) {
    const std::vector<std::int32_t> dc(kBlock, 10000);
    const auto noise = Signal({}, 0, {2000, 31});
    for (const auto& [current, voltage] : {std::pair{dc, dc}, std::pair{noise, noise}}) {
        const auto r = Analyze(current, voltage);
        EXPECT_FALSE(r.voltage.silent);
        EXPECT_FALSE(r.frequency);
        EXPECT_FALSE(r.voltage.fundamentalRms);
        EXPECT_TRUE(NoLoadReadings(r));
    }
}
