// SPDX-License-Identifier: MIT
#include "measure/Frequency.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

using measure::Channel;
using measure::FrequencyInput;
using measure::FrequencyResult;
using measure::HalfWaveRef;
using measure::MeasureFrequency;
using measure::ThresholdRange;

namespace {

constexpr std::int32_t kBlockValues = 16000;
constexpr int kFrames = 8000;

// The window's per-channel state around one measurement.
struct ChannelState {
    std::vector<std::int32_t> samples = std::vector<std::int32_t>(measure::kChannelSize, 0);
    std::vector<std::int32_t> halfWave = std::vector<std::int32_t>(measure::kChannelSize, 0);
    std::uint16_t halfWaveStart = 0;
    std::int32_t smoothing = 0;

    FrequencyResult Measure(Channel channel = Channel::L, bool generatorTimeBase = false,
                            std::int32_t gen1Frequency = 100, double scale = 1.0,
                            ThresholdRange range = ThresholdRange::Own) {
        const FrequencyInput input{samples, kBlockValues,      scale,
                                   range,   generatorTimeBase, gen1Frequency};
        return MeasureFrequency(channel, input, HalfWaveRef{halfWave, halfWaveStart, smoothing});
    }
    // A sine on the block's frames, the rest of the channel array zero as after a capture.
    void Sine(double hertz, double amplitude, double phase = 0.3, double noise = 0,
              unsigned seed = 1) {
        std::mt19937 random(seed);
        std::uniform_real_distribution<double> jitter(-noise, noise);
        for (int k = 0; k < kFrames; ++k) {
            samples[k] = static_cast<std::int32_t>(std::lround(
                amplitude * std::sin(2 * M_PI * hertz * k / 44100 + phase) + jitter(random)));
        }
    }
    // Square wave: `high` positive samples, then `low` negative ones, over the block's frames.
    void Square(int high, int low, std::int32_t level = 1000) {
        for (int k = 0; k < kFrames; ++k) {
            samples[k] = k % (high + low) < high ? level : -level;
        }
    }
};

} // namespace

TEST(FrequencyReadout, GeneratorTimeBaseShowsGenerator1) {
    ChannelState state;
    auto r = state.Measure(Channel::L, true, 100);
    EXPECT_EQ(r.text, "   100Hz"); // not above 100: coarse pass only, five places
    EXPECT_EQ(r.frequency, 100.0);
    EXPECT_FALSE(r.hidePanel14);
    EXPECT_NEAR(r.measuredFrequency, 22050.0 / 97, 1e-9); // silence, coarse pass

    r = state.Measure(Channel::R, true, 101);
    EXPECT_EQ(r.text, "  101Hz");
    EXPECT_TRUE(r.hidePanel14);
    EXPECT_EQ(r.measuredFrequency, 3150.0); // silence, fine pass

    EXPECT_EQ(state.Measure(Channel::L, true, 1235).text, " 1235Hz"); // odd values too
    EXPECT_EQ(state.Measure(Channel::L, true, 2500).text, " 2500Hz");
    r = state.Measure(Channel::L, true, 2501);
    EXPECT_EQ(r.text, "f > fmax");
    EXPECT_FALSE(r.hidePanel14);
    EXPECT_EQ(state.Measure(Channel::L, true, 20000).text, "f > fmax");
}

TEST(FrequencyReadout, MeasuredValueShowsTheNearestEvenHertzOrFMax) {
    ChannelState state;
    auto r = state.Measure(); // silence: no rising start, the fine pass reads 3150 Hz
    EXPECT_EQ(r.text, "f > fmax");
    EXPECT_EQ(r.frequency, 3150.0);
    EXPECT_FALSE(r.hidePanel14); // the warning is left as it is
    EXPECT_EQ(state.smoothing, 16);
    state.Square(16, 20); // fine pass: 16 positive samples + 2 = 18 positions, 1225 Hz
    r = state.Measure();
    EXPECT_EQ(r.measuredFrequency, 1225.0);
    EXPECT_EQ(r.text, " 1224Hz"); // 2 * Round(612.5), ties to even
    EXPECT_TRUE(r.hidePanel14);
    state.Square(6, 6); // 22050 / 8 = 2756 Hz
    r = state.Measure();
    EXPECT_EQ(r.text, "f > fmax");
}

TEST(FrequencyReadout, LowFrequencySineStaysWithTheCoarsePass) {
    ChannelState state;
    state.Sine(50, 8000, 0.3);
    const auto r = state.Measure();
    EXPECT_NEAR(r.measuredFrequency, 50, 0.5);
    EXPECT_EQ(r.text, "    50Hz");
    EXPECT_FALSE(r.hidePanel14);
}

TEST(FrequencyReadout, SineOfKnownFrequencyWithinAFewPositionsOfItsHalfWave) {
    // The timing spans the positive samples of one half-wave, plus two positions in the fine
    // pass and four in the coarse one (it accepts a start 2 * 3 positions ahead of the rise),
    // give or take the first small positive sample that smoothing leaves at zero. So a
    // half-wave of h positions reads between 22050 / (h + 6) and 22050 / h.
    for (double hertz : {30.0, 75.0, 160.0, 440.0, 1000.0, 2000.0}) {
        for (unsigned seed : {1u, 2u, 3u}) {
            ChannelState state;
            state.Sine(hertz, 12000, 0.1 * seed, 12, seed);
            const auto r = state.Measure();
            const double h = 22050 / hertz;
            EXPECT_GE(r.measuredFrequency, 22050 / (h + 6)) << hertz << " seed " << seed;
            EXPECT_LE(r.measuredFrequency, 22050 / h) << hertz << " seed " << seed;
        }
    }
}

TEST(FrequencyReadout, HighVoltageRangesTimeWithThreshold100AndKeepTheirFactor) {
    // A positive half-wave with a dip that sinks to about 220 units but not to zero: whether
    // the dip counts as a rising start depends on the threshold.
    ChannelState state;
    for (int k = 0; k < kFrames; ++k) {
        const int phase = k % 400;
        state.samples[k] = phase < 60 ? 8000 : phase < 115 ? 0 : phase < 175 ? 8000 : -8000;
    }
    const auto own = state.Measure(Channel::R, false, 100, 0.002);
    const auto fifty = state.Measure(Channel::R, false, 100, 0.002, ThresholdRange::Range50V);
    const auto twenty = state.Measure(Channel::R, false, 100, 0.005, ThresholdRange::Range20V);
    const auto hundred = state.Measure(Channel::R, false, 100, 0.01);
    EXPECT_NE(own.measuredFrequency, fifty.measuredFrequency);
    EXPECT_EQ(fifty.measuredFrequency, hundred.measuredFrequency);
    EXPECT_EQ(twenty.measuredFrequency, hundred.measuredFrequency);
    EXPECT_EQ(own.scale, 0.002);
    EXPECT_EQ(fifty.scale, 0.002);
    EXPECT_EQ(twenty.scale, 0.005);
    // Channel L has no such exception.
    const auto l = state.Measure(Channel::L, false, 100, 0.002, ThresholdRange::Range50V);
    EXPECT_EQ(l.measuredFrequency, own.measuredFrequency);
}

TEST(HalfWaveSmoothing, LowPassesPositiveSamplesAndZeroesNegativeOnes) {
    std::vector<std::int32_t> samples{0, -5, 100, 16, -1, 15, 32, 0, 48};
    std::vector<std::int32_t> halfWave(samples.size(), -9);
    std::uint16_t start = 0;
    measure::FindFirstPositive(samples, 8, halfWave, start);
    ASSERT_EQ(start, 2);
    measure::SmoothPositiveHalfWaves(samples, 8, 16, halfWave, start);
    // 100; trunc(1 + 100 - 6.25); 0 at -1; trunc(15/16); trunc(2); trunc(1.875); position 8
    // is the last one the count covers.
    EXPECT_EQ(halfWave, (std::vector<std::int32_t>{-9, -9, 100, 94, 0, 0, 2, 1, 3}));
}

TEST(HalfWaveSmoothing, WithoutAPositiveSampleTheStartAndArrayKeepTheirContent) {
    std::vector<std::int32_t> samples(100, -3);
    std::vector<std::int32_t> halfWave(100, 4);
    std::uint16_t start = 17;
    measure::FindFirstPositive(samples, 99, halfWave, start);
    EXPECT_EQ(start, 17);
    EXPECT_EQ(halfWave[17], 4);
    samples[0] = 50; // position 0 is never the start
    measure::FindFirstPositive(samples, 0, halfWave, start);
    EXPECT_EQ(start, 17);
}

TEST(HalfWaveTiming, PassLimitsAndRisingStart) {
    std::vector<std::int32_t> halfWave(measure::kChannelSize, 0);
    // Everything zero: no rising start, start 19 999; blank 95 finds a zero at once.
    EXPECT_NEAR(measure::TimeHalfWave(halfWave, 0, 3, 95, 1.0), 22050.0 / 97, 1e-9);
    EXPECT_EQ(measure::TimeHalfWave(halfWave, 0, 1, 5, 1.0), 3150.0);
    // A start needs larger values d and 2d later.
    for (int i = 101; i <= 300; ++i) {
        halfWave[i] = 50;
    }
    EXPECT_EQ(measure::TimeHalfWave(halfWave, 0, 1, 5, 1.0), 22050.0 / 202);  // 100 .. 302
    EXPECT_EQ(measure::TimeHalfWave(halfWave, 0, 3, 95, 1.0), 22050.0 / 204); // 98 .. 302
    halfWave[104] = 0; // the coarse pass looks 3 and 6 positions ahead
    EXPECT_EQ(measure::TimeHalfWave(halfWave, 0, 3, 95, 1.0), 22050.0 / 203); // 99 .. 302
    // The start value may equal the threshold but not exceed it.
    halfWave[104] = 50;
    std::fill(halfWave.begin(), halfWave.begin() + 101, 2);
    EXPECT_EQ(measure::TimeHalfWave(halfWave, 0, 1, 5, 2.0), 22050.0 / 202); // 100 .. 302
    EXPECT_EQ(measure::TimeHalfWave(halfWave, 0, 1, 5, 1.99), 3150.0);
}

TEST(HalfWaveTiming, SearchesStayInsideTheArraysWhateverTheData) {
    // Never a zero: the end search runs to the limit, or to the array's end when it starts
    // beyond the limit.
    std::vector<std::int32_t> halfWave(measure::kChannelSize, 7);
    EXPECT_EQ(measure::TimeHalfWave(halfWave, 1, 1, 5, 1.0),
              22050.0 / (measure::kChannelSize - 19999));
    halfWave[20010] = 0;
    EXPECT_EQ(measure::TimeHalfWave(halfWave, 1, 1, 5, 1.0), 22050.0 / (20011 - 19999));
    halfWave[20010] = 7;
    EXPECT_EQ(measure::TimeHalfWave(halfWave, 30000, 3, 95, 1.0),
              22050.0 / (measure::kChannelSize - 30000));
    std::vector<std::int32_t> tiny(10, 7);
    EXPECT_EQ(measure::TimeHalfWave(tiny, 3, 3, 95, 1.0), 22050.0 / 96);
    EXPECT_EQ(measure::TimeHalfWave({}, 0, 1, 5, 1.0), 22050.0 / 6);

    // A block that never crosses zero, with stale non-zero values beyond it.
    ChannelState state;
    std::fill(state.samples.begin(), state.samples.end(), 20000);
    std::fill(state.halfWave.begin(), state.halfWave.end(), 3);
    auto r = state.Measure();
    EXPECT_EQ(state.halfWaveStart, 1);
    EXPECT_EQ(r.measuredFrequency, 22050.0 / (measure::kChannelSize - 19999));
    EXPECT_EQ(r.text, "     1Hz");

    // A block whose timed half-wave is cut off by the block's end: the end search goes on into
    // the silence after the block, where the smoothed value decays to zero.
    ChannelState tail;
    std::fill(tail.samples.begin(), tail.samples.begin() + kFrames, -5000);
    std::fill(tail.samples.begin() + 7801, tail.samples.begin() + 7851, 5000);
    std::fill(tail.samples.begin() + 7900, tail.samples.begin() + kFrames, 5000);
    r = tail.Measure();
    EXPECT_EQ(tail.halfWaveStart, 7801);
    EXPECT_LT(r.measuredFrequency, 22050.0 / (8000 - 7897));
    EXPECT_GT(r.measuredFrequency, 22050.0 / (8400 - 7897));

    // Arrays shorter than the count and the search limit.
    std::vector<std::int32_t> shortSamples(50, 900), shortHalfWave(40, 0);
    std::uint16_t start = 0;
    std::int32_t smoothing = 0;
    const FrequencyInput input{shortSamples, 44100, 1.0, ThresholdRange::Own, false, 0};
    r = MeasureFrequency(Channel::R, input, HalfWaveRef{shortHalfWave, start, smoothing});
    EXPECT_EQ(start, 1);
    EXPECT_TRUE(std::isfinite(r.measuredFrequency));
}

TEST(HalfWaveSmoothing, MatchesTheRealArithmeticForAnyDivisorAndData) {
    std::mt19937 random(11);
    std::uniform_int_distribution<std::int32_t> value(-40000, 2000000000);
    std::vector<std::int32_t> samples(5000);
    for (auto& s : samples) {
        s = value(random) % 3 == 0 ? -1 : value(random) % 70000;
    }
    for (std::int32_t k : {16, 1, 2, 7, 1024, 65536, 100000}) {
        std::vector<std::int32_t> halfWave(samples.size(), 0);
        halfWave[3] = value(random);
        measure::SmoothPositiveHalfWaves(samples, 4999, k, halfWave, 3);
        for (std::size_t i = 4; i < samples.size(); ++i) {
            const double g = halfWave[i - 1];
            const double expected =
                samples[i] < 0 ? 0 : std::trunc(samples[i] / double(k) + g - g / k);
            ASSERT_EQ(halfWave[i], expected) << "k " << k << " at " << i;
        }
    }
}
