// SPDX-License-Identifier: MIT
#include "analysis/Distortion.h"

#include "Signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

using namespace analysis_test;

namespace {

constexpr double kScale = 0.05; // mV per unit

analysis::DistortionResult Distortion(const std::vector<std::int32_t>& x,
                                      analysis::Window window = analysis::Window::FlatTop) {
    analysis::SpectrumAnalyzer spectra;
    analysis::Spectrum spectrum;
    spectra.Compute(x, kRate, kScale, window, spectrum);
    analysis::DistortionAnalyzer analyzer;
    return analyzer.Analyze(x, kRate, kScale, spectrum);
}

class ThirdHarmonic : public testing::TestWithParam<double> {};

} // namespace

// 1 % third harmonic: THD 1.00 %, and the harmonic's own line at 3 f0 with its level.
TEST_P(ThirdHarmonic, ReadsOnePercent) {
    const double f0 = GetParam();
    const auto r = Distortion(Signal({{20000, f0, 0.3}, {200, 3 * f0, 1.1}}, 0, {1, 3}));
    ASSERT_TRUE(r.thdPercent);
    EXPECT_NEAR(*r.thdPercent, 1.0, 0.02);
    ASSERT_GE(r.harmonics.size(), 2u);
    const auto& third = r.harmonics[1];
    EXPECT_EQ(third.order, 3);
    EXPECT_NEAR(third.frequency, 3 * f0, 1e-4 * f0);
    EXPECT_NEAR(third.percent, 1.0, 0.02);
    EXPECT_NEAR(third.rms, 200 / std::numbers::sqrt2 * kScale, 0.02 * 7.07);
    EXPECT_LT(r.harmonics[0].percent, 0.01); // no second harmonic planted
}

INSTANTIATE_TEST_SUITE_P(Table, ThirdHarmonic, testing::Values(20.5, 51.3, 997.0, 2001.7, 7000.3));

namespace {

class SquareWave : public testing::TestWithParam<double> {};

} // namespace

// Odd harmonics up to the 9th with amplitudes 1/k: THD = sqrt(1/9 + 1/25 + 1/49 + 1/81).
TEST_P(SquareWave, ReadsFortyTwoPointEightEightPercent) {
    const double f0 = GetParam();
    const double a = 16000;
    const auto x = Signal({{a, f0, 0},
                           {a / 3, 3 * f0, 0},
                           {a / 5, 5 * f0, 0},
                           {a / 7, 7 * f0, 0},
                           {a / 9, 9 * f0, 0}});
    const auto r = Distortion(x);
    ASSERT_TRUE(r.thdPercent);
    EXPECT_NEAR(*r.thdPercent, 42.88, 0.1);
    ASSERT_TRUE(r.frequency);
    EXPECT_NEAR(*r.frequency, f0, 1e-4 * f0);
    for (const auto& h : r.harmonics) {
        EXPECT_NEAR(h.percent, h.order % 2 ? 100.0 / h.order : 0, 0.05) << h.order;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, SquareWave, testing::Values(20.3, 100.7, 1000.0, 2222.2));

// White noise has no fundamental, so no harmonics or THD; THD+N is 100 %, SINAD 0 dB, and the
// floor the median of a Hann spectrum's bins: bin powers are exponentially distributed with
// mean 2 sigma^2 sum(w^2) / sum(w)^2 = 3 sigma^2 / N, their median ln 2 times that.
TEST(Distortion, WhiteNoise) {
    const double sigma = 1000;
    const auto r = Distortion(Signal({}, 0, {sigma, 17}), analysis::Window::Hann);
    EXPECT_FALSE(r.frequency);
    EXPECT_FALSE(r.thdPercent);
    EXPECT_TRUE(r.harmonics.empty());
    ASSERT_TRUE(r.thdNoisePercent);
    EXPECT_DOUBLE_EQ(*r.thdNoisePercent, 100);
    EXPECT_NEAR(*r.sinadDb, 0, 1e-9);
    const double floor =
        10 * std::log10(std::numbers::ln2 * 3 * sigma * sigma / kBlock * kScale * kScale);
    EXPECT_NEAR(r.noiseFloorDb, floor, 0.5);
}

// A sine in seeded noise: SINAD = 10 log10((A^2 / 2 + sigma^2) / sigma^2).
TEST(Distortion, SineInNoise) {
    const auto r = Distortion(Signal({{10000, 1234.5, 0}}, 0, {100, 8}));
    const double signal = 10000.0 * 10000 / 2;
    const double noise = 100.0 * 100 + 1.0 / 12;
    ASSERT_TRUE(r.sinadDb);
    EXPECT_NEAR(*r.sinadDb, 10 * std::log10((signal + noise) / noise), 0.2);
    EXPECT_NEAR(*r.thdNoisePercent, 100 * std::sqrt(noise / (signal + noise)), 0.03);
    ASSERT_TRUE(r.thdPercent);
    EXPECT_LT(*r.thdPercent, 0.15); // nine harmonics' worth of noise, about 0.07 %
}

// Harmonics at or within a bin of the Nyquist frequency are absent; with none left THD is empty.
TEST(Distortion, HarmonicsBelowNyquistOnly) {
    const auto at8k = Distortion(Signal({{10000, 8000.3, 0}}));
    ASSERT_EQ(at8k.harmonics.size(), 1u);
    EXPECT_EQ(at8k.harmonics[0].order, 2);
    EXPECT_TRUE(at8k.thdPercent);
    const auto at15k = Distortion(Signal({{10000, 15000.0, 0}}));
    ASSERT_TRUE(at15k.frequency);
    EXPECT_TRUE(at15k.harmonics.empty());
    EXPECT_FALSE(at15k.thdPercent);
    EXPECT_TRUE(at15k.thdNoisePercent);
}

TEST(Distortion, SilenceDcSpikeAndClipping) {
    const std::vector<std::int32_t> zero(kBlock, 0);
    const auto silent = Distortion(zero);
    EXPECT_TRUE(silent.silent);
    EXPECT_FALSE(silent.thdNoisePercent); // no AC power at all
    EXPECT_EQ(silent.noiseFloorDb, analysis::kSilenceDb);

    const auto dc = Distortion(std::vector<std::int32_t>(kBlock, 5000));
    EXPECT_FALSE(dc.silent);
    EXPECT_FALSE(dc.frequency);
    EXPECT_FALSE(dc.thdNoisePercent);

    std::vector<std::int32_t> spike(kBlock, 0);
    spike[100] = 20000;
    const auto s = Distortion(spike);
    EXPECT_FALSE(s.frequency);
    EXPECT_FALSE(s.thdPercent);
    EXPECT_DOUBLE_EQ(*s.thdNoisePercent, 100);

    const auto clipped = Distortion(Signal({{45000, 1000.3, 0}}));
    EXPECT_TRUE(clipped.clipped);
    ASSERT_TRUE(clipped.thdPercent);
    EXPECT_GT(*clipped.thdPercent, 5); // the clipping's own distortion, flagged
}
