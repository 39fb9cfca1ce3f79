// SPDX-License-Identifier: MIT
#include "measure/Level.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

using measure::Channel;
using measure::LevelText;
using measure::MeasureLevel;

namespace {

constexpr std::int32_t kBlockValues = 16000; // one 32 000-byte capture block
constexpr double kCurrentScale = 0.063;
constexpr double kVoltageScale = 0.46;

struct Block {
    std::vector<std::int32_t> capture = std::vector<std::int32_t>(measure::kCaptureSize, 0);
    std::vector<std::int32_t> samples = std::vector<std::int32_t>(measure::kChannelSize, 0);

    void SetFrame(int k, std::int32_t r, std::int32_t l) {
        capture[2 * k] = r;
        capture[2 * k + 1] = l;
    }
    measure::LevelResult Measure(Channel channel, std::int32_t count = kBlockValues,
                                 double scale = 1.0) {
        return MeasureLevel(channel, capture, count, samples, scale);
    }
};

} // namespace

TEST(LevelText, RowBoundariesAndUnits) {
    EXPECT_EQ(LevelText(99.96, Channel::L), "100.0mA"); // still the first row
    EXPECT_EQ(LevelText(100, Channel::L), " 100mA");
    EXPECT_EQ(LevelText(999.6, Channel::L), "1000mA");
    EXPECT_EQ(LevelText(1000, Channel::L), "1.00A");
    EXPECT_EQ(LevelText(0, Channel::L), " 0.0mA");
    EXPECT_EQ(LevelText(5.3, Channel::R), " 5.3mV");
    EXPECT_EQ(LevelText(46.5, Channel::L), "46.5mA");
    EXPECT_EQ(LevelText(465, Channel::R), " 465mV");
    EXPECT_EQ(LevelText(1234, Channel::R), "1.23V");
    EXPECT_EQ(LevelText(54321.4, Channel::L), "54.32A");
}

TEST(LevelText, RoundsTiesToEvenThenWritesTheRoundedValueExactly) {
    EXPECT_EQ(LevelText(0.25, Channel::L), " 0.2mA");
    EXPECT_EQ(LevelText(0.75, Channel::L), " 0.8mA");
    EXPECT_EQ(LevelText(100.5, Channel::L), " 100mA");
    EXPECT_EQ(LevelText(101.5, Channel::L), " 102mA");
    EXPECT_EQ(LevelText(1234.5, Channel::L), "1.23A"); // Round gives 1234 first
    // The last of three decimals is dropped half away from zero, in decimal.
    EXPECT_EQ(LevelText(12345, Channel::R), "12.35V");
    EXPECT_EQ(LevelText(1005, Channel::R), "1.01V");
    EXPECT_EQ(LevelText(1004.9, Channel::R), "1.01V"); // Round gives 1005 first
    EXPECT_EQ(LevelText(1004.4, Channel::R), "1.00V");
}

TEST(MeasureLevel, SilentBlockReadsZeroOnBothChannels) {
    Block block;
    const auto l = block.Measure(Channel::L, kBlockValues, kCurrentScale);
    EXPECT_EQ(l.peak, 0);
    EXPECT_EQ(l.max, 0);
    EXPECT_EQ(l.min, 0);
    EXPECT_EQ(l.rms, 0.0);
    EXPECT_EQ(l.text, " 0.0mA");
    EXPECT_TRUE(l.colourReadouts);
    const auto r = block.Measure(Channel::R, kBlockValues, kVoltageScale);
    EXPECT_EQ(r.text, " 0.0mV");
    EXPECT_FALSE(r.colourReadouts);
}

TEST(MeasureLevel, SplitsFramesIntoVoltageFirstAndCurrentSecond) {
    Block block;
    for (int k = 0; k < 8000; ++k) {
        block.SetFrame(k, k, -k);
    }
    block.samples.assign(measure::kChannelSize, 777);
    block.Measure(Channel::L);
    EXPECT_EQ(block.samples[0], 0);
    EXPECT_EQ(block.samples[1], -1);
    EXPECT_EQ(block.samples[7999], -7999);
    EXPECT_EQ(block.samples[8000], 0); // copies of capture positions no block fills
    EXPECT_EQ(block.samples[15999], 0);
    EXPECT_EQ(block.samples[16000], 777); // beyond the block: untouched
    block.Measure(Channel::R);
    EXPECT_EQ(block.samples[1], 1);
    EXPECT_EQ(block.samples[7999], 7999);
}

TEST(MeasureLevel, StatisticsLeaveOutChannelPositionZero) {
    Block block;
    block.SetFrame(0, -30000, 30000);
    block.SetFrame(5, 12, -7);
    const auto l = block.Measure(Channel::L);
    EXPECT_EQ(l.peak, 7);
    EXPECT_EQ(l.max, 0);
    EXPECT_EQ(l.min, -7);
    EXPECT_DOUBLE_EQ(l.rms, std::sqrt(49.0 / kBlockValues));
    const auto r = block.Measure(Channel::R);
    EXPECT_EQ(r.peak, 12);
    EXPECT_EQ(r.max, 12);
    EXPECT_EQ(r.min, 0);
}

TEST(MeasureLevel, MostNegativeSampleGivesAPeakOf32768) {
    Block block;
    block.SetFrame(100, -32768, 0);
    block.SetFrame(200, 32767, 0);
    const auto r = block.Measure(Channel::R);
    EXPECT_EQ(r.peak, 32768);
    EXPECT_EQ(r.min, -32768);
    EXPECT_EQ(r.max, 32767);
}

TEST(MeasureLevel, FullScaleSquareWave) {
    Block block;
    for (int k = 0; k < 8000; ++k) {
        block.SetFrame(k, (k / 50) % 2 == 0 ? 32767 : -32767, 0);
    }
    const auto r = block.Measure(Channel::R, kBlockValues, kVoltageScale);
    EXPECT_EQ(r.peak, 32767);
    EXPECT_EQ(r.max, 32767);
    EXPECT_EQ(r.min, -32767);
    EXPECT_NEAR(r.rms, 32767 * std::sqrt(7999.0 / 16000.0) * kVoltageScale, 1e-8);
    EXPECT_EQ(r.text, "10.66V");
}

TEST(MeasureLevel, ConstantLevelAveragesOverTheWholeCount) {
    // Position 0 is left out and the second half of the channel array is zero.
    for (std::int32_t c : {1, 100, -2500, 32767}) {
        Block block;
        for (int k = 0; k < 8000; ++k) {
            block.SetFrame(k, 0, c);
        }
        const auto l = block.Measure(Channel::L, kBlockValues, kCurrentScale);
        const double expected = std::sqrt(7999.0 * c * c / 16000.0) * kCurrentScale;
        EXPECT_NEAR(l.rms, expected, expected * 1e-12) << c;
    }
}

TEST(MeasureLevel, SumOfSquaresIncludesThePositionAfterTheBlock) {
    Block block;
    block.samples[kBlockValues] = 1000; // left by an earlier, longer run
    const auto l = block.Measure(Channel::L);
    EXPECT_DOUBLE_EQ(l.rms, std::sqrt(1000.0 * 1000.0 / kBlockValues));
    EXPECT_EQ(l.peak, 0);
}

TEST(MeasureLevel, CountBeforeTheFirstBlockReadsPastTheCaptureArrayAsSilence) {
    Block block;
    block.capture[measure::kCaptureSize - 1] = 9; // channel R position 22050
    block.samples.assign(measure::kChannelSize, 5);
    const auto r = block.Measure(Channel::R, 32000);
    EXPECT_EQ(block.samples[22050], 9);
    EXPECT_EQ(block.samples[22051], 0);
    EXPECT_EQ(block.samples[31999], 0);
    EXPECT_EQ(block.samples[32000], 5);
    EXPECT_EQ(r.peak, 9);
    const auto l = block.Measure(Channel::L, 32000);
    EXPECT_EQ(l.peak, 0);
    EXPECT_DOUBLE_EQ(l.rms, std::sqrt(25.0 / 32000)); // position 32000 still holds 5
}

TEST(MeasureLevel, EmptyOrOversizedCountsStayInsideTheArrays) {
    Block block;
    block.SetFrame(0, 3, 4);
    const auto empty = block.Measure(Channel::L, 0, kCurrentScale);
    EXPECT_EQ(block.samples[0], 4); // position 0 is always copied
    EXPECT_EQ(empty.rms, 0.0);
    EXPECT_EQ(empty.text, " 0.0mA");

    std::vector<std::int32_t> capture(10, 1000);
    std::vector<std::int32_t> samples(4, 0);
    const auto small = MeasureLevel(Channel::R, capture, 60000, samples, 1.0);
    EXPECT_EQ(samples, (std::vector<std::int32_t>{1000, 1000, 1000, 1000}));
    EXPECT_EQ(small.peak, 1000);
    EXPECT_DOUBLE_EQ(small.rms, std::sqrt(3 * 1e6 / 60000));
}
