// SPDX-License-Identifier: MIT
#include "analysis/Spectrum.h"
#include "analysis/SpectrumAverager.h"

#include "Signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <stdexcept>
#include <tuple>
#include <vector>

using namespace analysis_test;
using analysis::Window;

namespace {

constexpr double kScale = 0.05; // mV per unit
constexpr double kBinWidth = kRate / kBlock;

analysis::Spectrum SpectrumOf(const std::vector<std::int32_t>& x, Window window) {
    analysis::SpectrumAnalyzer analyzer;
    analysis::Spectrum spectrum;
    analyzer.Compute(x, kRate, kScale, window, spectrum);
    return spectrum;
}

class FlatTopBetweenBins : public testing::TestWithParam<std::tuple<int, double>> {};

} // namespace

// Wherever a sine falls between bins, the flat-top peak reads its rms within 0.1 %, at the bin
// nearest to it.
TEST_P(FlatTopBetweenBins, PeakReadsTheSinesRms) {
    const auto [bin, offset] = GetParam();
    const double f = (bin + offset) * kBinWidth;
    const auto s = SpectrumOf(Signal({{10000, f, 0.7}}), Window::FlatTop);
    const std::size_t peak = s.PeakBin();
    const double rms = 10000 / std::numbers::sqrt2 * kScale;
    EXPECT_NEAR(s.rms[peak], rms, 1e-3 * rms);
    EXPECT_LE(std::abs(s.Frequency(peak) - f), kBinWidth / 2 + 1e-9);
    EXPECT_NEAR(s.Db(peak), 20 * std::log10(rms), 0.01);
}

INSTANTIATE_TEST_SUITE_P(Table, FlatTopBetweenBins,
                         testing::Combine(testing::Values(12, 181, 1500, 3620),
                                          testing::Values(0.0, 0.13, 0.25, 0.5, 0.77)));

namespace {

struct WindowCase {
    Window window;
    double offset;   // bins
    double expected; // peak reading / the sine's rms
};

class WindowScalloping : public testing::TestWithParam<WindowCase> {};

} // namespace

// Each window's known reading of a sine on a bin and halfway between: a wrong window or gain
// shows here.
TEST_P(WindowScalloping, PeakReading) {
    const WindowCase c = GetParam();
    const auto s = SpectrumOf(Signal({{8000, (400 + c.offset) * kBinWidth, 0}}), c.window);
    EXPECT_NEAR(s.rms[s.PeakBin()] / (8000 / std::numbers::sqrt2 * kScale), c.expected, 2e-3);
}

INSTANTIATE_TEST_SUITE_P(Table, WindowScalloping,
                         testing::Values(WindowCase{Window::Rectangular, 0, 1},
                                         WindowCase{Window::Rectangular, 0.5, 2 / std::numbers::pi},
                                         WindowCase{Window::Hann, 0, 1},
                                         WindowCase{Window::Hann, 0.5, 8 / (3 * std::numbers::pi)},
                                         WindowCase{Window::FlatTop, 0.5, 1}));

TEST(Spectrum, DcBinHoldsTheDcValueAndBinsTheirFrequencies) {
    const auto s = SpectrumOf(Signal({{5000, 1000, 0}}, 2000), Window::Hann);
    ASSERT_EQ(s.rms.size(), kBlock / 2 + 1);
    EXPECT_NEAR(s.rms[0], 2000 * kScale, 1e-3 * 2000 * kScale);
    EXPECT_DOUBLE_EQ(s.Frequency(s.rms.size() - 1), kRate / 2);
    EXPECT_EQ(analysis::LevelDb(0), analysis::kSilenceDb);
    EXPECT_EQ(SpectrumOf(std::vector<std::int32_t>(kBlock, 0), Window::Hann).PeakBin(), 0u);
}

TEST(Spectrum, OddAndShortBlocks) {
    const auto odd = SpectrumOf(Signal({{5000, 1000, 0}}, 0, {}, 999), Window::FlatTop);
    EXPECT_EQ(odd.rms.size(), 998u / 2 + 1);
    EXPECT_NEAR(odd.rms[odd.PeakBin()], 5000 / std::numbers::sqrt2 * kScale, 2e-3 * 176.8);
    EXPECT_THROW(SpectrumOf(Signal({{5000, 1000, 0}}, 0, {}, 63), Window::Hann),
                 std::invalid_argument);
}

// The analyzer keeps its plan and window between blocks: a second window on the same analyzer
// must not reuse the first one's coefficients.
TEST(Spectrum, SwitchingWindowsOnOneAnalyzer) {
    analysis::SpectrumAnalyzer analyzer;
    analysis::Spectrum s;
    const auto x = Signal({{8000, 400.5 * kBinWidth, 0}});
    analyzer.Compute(x, kRate, kScale, Window::Hann, s);
    analyzer.Compute(x, kRate, kScale, Window::FlatTop, s);
    EXPECT_EQ(s.window, Window::FlatTop);
    EXPECT_NEAR(s.rms[s.PeakBin()], 8000 / std::numbers::sqrt2 * kScale, 1e-3 * 283);
}

namespace {

analysis::Spectrum Flat(std::vector<double> rms) {
    analysis::Spectrum s;
    s.window = Window::Hann;
    s.binWidth = kBinWidth;
    s.rms = std::move(rms);
    return s;
}

} // namespace

TEST(SpectrumAverager, PowerAverageOfTheLastBlocksAndPeakHold) {
    analysis::SpectrumAverager averager;
    averager.SetBlocks(2);
    averager.Add(Flat({0, 1, 3}));
    averager.Add(Flat({0, 3, 1}));
    EXPECT_EQ(averager.Count(), 2);
    EXPECT_DOUBLE_EQ(averager.Average()[1], std::sqrt(5.0));
    EXPECT_DOUBLE_EQ(averager.Average()[2], std::sqrt(5.0));
    averager.Add(Flat({0, 2, 2})); // the first block leaves the ring
    EXPECT_EQ(averager.Count(), 2);
    EXPECT_DOUBLE_EQ(averager.Average()[1], std::sqrt((9.0 + 4.0) / 2));
    EXPECT_DOUBLE_EQ(averager.PeakHold()[1], 3);
    EXPECT_DOUBLE_EQ(averager.PeakHold()[2], 3);
    averager.Add(Flat({0, 2, 2, 2})); // another shape starts over
    EXPECT_EQ(averager.Count(), 1);
    EXPECT_DOUBLE_EQ(averager.PeakHold()[1], 2);
}

// A loud block that has left the ring leaves no trace in the average of quiet ones.
TEST(SpectrumAverager, LoudBlockLeavesNoResidue) {
    analysis::SpectrumAverager averager;
    averager.SetBlocks(3);
    averager.Add(Flat({0, 1e6}));
    for (int i = 0; i < 7; ++i) {
        averager.Add(Flat({0, 1e-3}));
    }
    EXPECT_NEAR(averager.Average()[1], 1e-3, 1e-12);
}

TEST(SpectrumAverager, BlockCountOutsideOneToSixtyFour) {
    analysis::SpectrumAverager averager;
    EXPECT_THROW(averager.SetBlocks(0), std::invalid_argument);
    EXPECT_THROW(averager.SetBlocks(65), std::invalid_argument);
    averager.SetBlocks(64);
    EXPECT_EQ(averager.Blocks(), 64);
    averager.Add(Flat({0, 1}));
    averager.SetBlocks(4);
    EXPECT_EQ(averager.Count(), 0);
    EXPECT_TRUE(averager.Average().empty());
}
