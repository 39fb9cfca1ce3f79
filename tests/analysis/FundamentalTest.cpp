// SPDX-License-Identifier: MIT
#include "analysis/Fundamental.h"
#include "analysis/SineFit.h"

#include "Signals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>
#include <string>
#include <vector>

using namespace analysis_test;

namespace {

struct FitCase {
    double frequency;
    double amplitude;
    double phaseDegrees;
};

class SineFitKnownTone : public testing::TestWithParam<FitCase> {};

} // namespace

// Off the FFT's bins and with few periods the fit must still return the planted sine exactly
// (up to the rounding to sample units).
TEST_P(SineFitKnownTone, ReturnsPlantedAmplitudePhaseAndDc) {
    const FitCase c = GetParam();
    const auto x = Signal({{c.amplitude, c.frequency, Radians(c.phaseDegrees)}}, -1234.0);
    const auto fit = analysis::FitSine(x, c.frequency, kRate);
    ASSERT_TRUE(fit);
    EXPECT_NEAR(std::abs(fit->amplitude), c.amplitude, 0.1);
    EXPECT_NEAR(std::remainder(Degrees(std::arg(fit->amplitude)) - c.phaseDegrees, 360), 0, 1e-3);
    EXPECT_NEAR(fit->dc, -1234.0, 0.1);
    EXPECT_LT(fit->residualPower, 1.0 / 12 * 1.2); // the rounding's noise and no more
}

INSTANTIATE_TEST_SUITE_P(Table, SineFitKnownTone,
                         testing::Values(FitCase{20.0, 20000, 30}, FitCase{12.3, 20000, -170},
                                         FitCase{997.3, 15000, 89}, FitCase{1000.0, 100, 0},
                                         FitCase{19999.7, 30000, -45},
                                         FitCase{21900.0, 10000, 120}));

// Five harmonics of a 20.3 Hz tone (3.7 periods per block, where separate fits would leak into
// each other by percents), fitted jointly on an odd stretch of the block placed by firstIndex:
// every order returns its planted amplitude and phase at block position 0.
TEST(HarmonicFit, JointFitSeparatesCloseHarmonicsOnAnyStretch) {
    const double f = 20.3;
    const auto x = Signal({{16000, f, 0.1},
                           {4000, 2 * f, -1.2},
                           {2000, 3 * f, 2.0},
                           {1000, 4 * f, 0.5},
                           {500, 5 * f, -2.9}},
                          77);
    const std::size_t first = 3;
    const auto fit = analysis::FitHarmonics(std::span(x).subspan(first, 7001), f, kRate, 5, first);
    ASSERT_TRUE(fit);
    const double amplitude[] = {16000, 4000, 2000, 1000, 500};
    const double phase[] = {0.1, -1.2, 2.0, 0.5, -2.9};
    for (int k = 0; k < 5; ++k) {
        EXPECT_NEAR(std::abs(fit->amplitude[k]), amplitude[k], 0.05) << k + 1;
        EXPECT_NEAR(std::remainder(std::arg(fit->amplitude[k]) - phase[k], 2 * std::numbers::pi), 0,
                    1e-4)
            << k + 1;
    }
    EXPECT_NEAR(fit->dc, 77, 0.05);
    // Orders past the Nyquist frequency, or none, have no fit.
    EXPECT_FALSE(analysis::FitHarmonics(x, 5000, kRate, 5));
    EXPECT_FALSE(analysis::FitHarmonics(x, 1000, kRate, 0));
}

namespace {

class FundamentalOfCleanSine : public testing::TestWithParam<double> {};

} // namespace

TEST_P(FundamentalOfCleanSine, FrequencyWithinOneHundredthOfAPercent) {
    const double f = GetParam();
    const auto x = Signal({{12000, f, 1.0}}, 300.0);
    analysis::FundamentalFinder finder;
    const auto found = finder.Find(x, kRate);
    ASSERT_TRUE(found);
    EXPECT_NEAR(found->frequency, f, 1e-4 * f) << f;
    EXPECT_NEAR(std::abs(found->amplitude), 12000, 1.0);
    EXPECT_GT(found->share, 0.999);
}

INSTANTIATE_TEST_SUITE_P(Table, FundamentalOfCleanSine,
                         testing::Values(20.0, 21.37, 33.3, 50.0, 99.9, 440.0, 997.3, 1234.5,
                                         5011.1, 10000.0, 15432.1, 19999.7, 20000.0));

namespace {

struct NoToneCase {
    const char* name;
    std::vector<std::int32_t> samples;
};

std::vector<std::int32_t> Spike() {
    std::vector<std::int32_t> x(kBlock, 0);
    x[1234] = 30000;
    return x;
}

class FundamentalAbsent : public testing::TestWithParam<NoToneCase> {};

} // namespace

// Blocks without a clear tone give no fundamental rather than the strongest bin's frequency.
TEST_P(FundamentalAbsent, ReturnsNothing) {
    analysis::FundamentalFinder finder;
    EXPECT_FALSE(finder.Find(GetParam().samples, kRate)) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FundamentalAbsent,
    testing::Values(NoToneCase{"silence", std::vector<std::int32_t>(kBlock, 0)},
                    NoToneCase{"quiet sine", Signal({{300, 1000, 0}})},
                    NoToneCase{"dc only", std::vector<std::int32_t>(kBlock, 10000)},
                    NoToneCase{"spike", Spike()},
                    NoToneCase{"white noise", Signal({}, 0, {3000, 11})},
                    NoToneCase{"five equal tones", Signal({{5000, 500, 0},
                                                           {5000, 1100, 1},
                                                           {5000, 2300, 2},
                                                           {5000, 4700, 3},
                                                           {5000, 9100, 4}})},
                    NoToneCase{"one period per block", Signal({{20000, 5.0, 0}})},
                    NoToneCase{"short block", Signal({{20000, 1000, 0}}, 0, {}, 63)}),
    [](const auto& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

// A tone that just holds its own against noise, in a short block, is still found and still
// accurate: the tolerance is the noise's, not the method's.
TEST(Fundamental, NoisyToneInShortBlock) {
    analysis::FundamentalFinder finder;
    const auto x = Signal({{1000, 3012.3, 0.3}}, 0, {700, 5}, 512);
    const auto found = finder.Find(x, kRate);
    ASSERT_TRUE(found);
    EXPECT_NEAR(found->frequency, 3012.3, 3.0);
    EXPECT_GT(found->share, analysis::kMinFundamentalShare);
}
