// SPDX-License-Identifier: MIT
#include "analysis/Fundamental.h"
#include "analysis/SineFit.h"

#include "Signals.h"

#include <gtest/gtest.h>

#include <cmath>

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
