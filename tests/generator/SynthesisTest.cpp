// SPDX-License-Identifier: MIT
#include "generator/Synthesis.h"

#include "common/NumberText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

using generator::FillSweep;
using generator::FillTwoTone;
using generator::RampState;
using generator::SweepFields;
using generator::TwoTone;

namespace {

constexpr std::int32_t kFrameRate = 44100;
constexpr std::int16_t kUntouched = 12345;

// The playback component's buffer: 44 100 bytes.
std::vector<std::int16_t> Buffer() {
    return std::vector<std::int16_t>(generator::kTwoToneSamples, kUntouched);
}

std::vector<std::int16_t> TwoToneBlock(const TwoTone& generators) {
    auto buffer = Buffer();
    EXPECT_EQ(FillTwoTone(buffer, kFrameRate, generators), 44100);
    return buffer;
}

int RisingZeroCrossings(const std::vector<std::int16_t>& block, int count) {
    int crossings = 0;
    for (int n = 1; n < count; ++n) {
        crossings += block[n - 1] < 0 && block[n] >= 0;
    }
    return crossings;
}

int LargestStep(const std::vector<std::int16_t>& block, int count) {
    int largest = 0;
    for (int n = 1; n < count; ++n) {
        largest = std::max(largest, std::abs(block[n] - block[n - 1]));
    }
    return largest;
}

} // namespace

TEST(TwoTone, StartUpSignal) {
    const auto block = TwoToneBlock({32000, 100, 0, 0});
    EXPECT_EQ(block[0], 0);
    EXPECT_EQ(block[1], 456);
    EXPECT_EQ(block[2], 912);
    EXPECT_EQ(block[110], 32000);
    EXPECT_EQ(block[220], 228);
    EXPECT_EQ(RisingZeroCrossings(block, generator::kTwoToneSamples), 49); // 0.5 s at 100 Hz
    EXPECT_EQ(TwoToneBlock({32000, 100, 0, 0}), block); // every block starts at phase 0
}

TEST(TwoTone, EachGeneratorAloneAndSilence) {
    EXPECT_EQ(TwoToneBlock({0, 440, 0, 700}),
              std::vector<std::int16_t>(generator::kTwoToneSamples, 0));
    EXPECT_EQ(TwoToneBlock({20000, 333, 0, 0}), TwoToneBlock({0, 0, 20000, 333}));
    const auto sum = TwoToneBlock({10000, 100, 5000, 1000});
    const auto one = TwoToneBlock({10000, 100, 0, 0});
    const auto two = TwoToneBlock({0, 0, 5000, 1000});
    for (int n = 0; n < generator::kTwoToneSamples; ++n) {
        ASSERT_EQ(sum[n], one[n] + two[n]) << n;
    }
}

TEST(TwoTone, OddFrequencyEndsMidPeriodAndRestartsAtZero) {
    // 50.5 periods: the block ends falling towards the negative half-wave, and the next one
    // starts with a rising positive half-wave again.
    const auto block = TwoToneBlock({30000, 101, 0, 0});
    const int last = generator::kTwoToneSamples - 1;
    EXPECT_GT(block[last], 0);
    EXPECT_LT(block[last], block[last - 1]);
    EXPECT_EQ(block[0], 0);
    EXPECT_GT(block[1], 0);
}

TEST(TwoTone, SumIsClippedNeverWrapped) {
    const auto block = TwoToneBlock({32767, 100, 32767, 100});
    EXPECT_EQ(block[110], 32767); // 65534 would wrap to -2
    EXPECT_EQ(*std::max_element(block.begin(), block.end()), 32767);
    EXPECT_EQ(*std::min_element(block.begin(), block.end()), -32768);
    // A wrapped sum jumps by about 65 000 between neighbours; the clipped one moves smoothly.
    EXPECT_LT(LargestStep(block, generator::kTwoToneSamples), 1000);
    // An amplitude beyond full scale (a typed readout the scroll bar did not clamp) as well.
    EXPECT_LT(LargestStep(TwoToneBlock({65534, 50, 0, 0}), generator::kTwoToneSamples), 1000);
}

TEST(TwoTone, SizeIsTheBlockWhatever_BufferLargerOrSmaller) {
    std::vector<std::int16_t> small(100, kUntouched);
    EXPECT_EQ(FillTwoTone(small, kFrameRate, {32000, 100, 0, 0}), 200);
    EXPECT_EQ(small[99], TwoToneBlock({32000, 100, 0, 0})[99]);
    std::vector<std::int16_t> large(30000, kUntouched);
    EXPECT_EQ(FillTwoTone(large, kFrameRate, {32000, 100, 0, 0}), 44100);
    EXPECT_EQ(large[generator::kTwoToneSamples], kUntouched);
    std::vector<std::int16_t> noRate(10, kUntouched);
    FillTwoTone(noRate, 0, {32000, 100, 0, 0}); // no frame rate: silence, not garbage
    EXPECT_EQ(noRate, std::vector<std::int16_t>(10, 0));
}

// Each block of a series equals the block computed afresh, whichever setting changed before it.
TEST(TwoTone, ReusedBlocksEqualFreshOnesThroughEverySettingChange) {
    struct Step {
        std::int32_t frameRate;
        TwoTone generators;
        std::size_t bufferSamples;
    };
    const TwoTone tones{20000, 100, 8000, 1234};
    const Step series[] = {
        {kFrameRate, tones, generator::kTwoToneSamples},
        {kFrameRate, tones, generator::kTwoToneSamples}, // repeated
        {kFrameRate, {20001, 100, 8000, 1234}, generator::kTwoToneSamples},
        {kFrameRate, {20001, 101, 8000, 1234}, generator::kTwoToneSamples},
        {kFrameRate, {20001, 101, 8001, 1234}, generator::kTwoToneSamples},
        {kFrameRate, {20001, 101, 8001, 1235}, generator::kTwoToneSamples},
        {22050, {20001, 101, 8001, 1235}, generator::kTwoToneSamples},
        {22050, {20001, 101, 8001, 1235}, 100}, // a shorter buffer
        {22050, {20001, 101, 8001, 1235}, generator::kTwoToneSamples},
    };
    generator::TwoToneBlocks blocks;
    for (std::size_t k = 0; k < std::size(series); ++k) {
        const Step& step = series[k];
        std::vector<std::int16_t> reused(step.bufferSamples, kUntouched);
        std::vector<std::int16_t> fresh(step.bufferSamples, kUntouched);
        EXPECT_EQ(blocks.Fill(reused, step.frameRate, step.generators),
                  FillTwoTone(fresh, step.frameRate, step.generators))
            << k;
        EXPECT_EQ(reused, fresh) << k;
    }
}

TEST(Sweep, DefaultFieldsSweep20To269HzInEveryBlock) {
    SweepFields fields{"100", "500"};
    RampState ramp;
    auto buffer = Buffer();
    EXPECT_EQ(FillSweep(buffer, kFrameRate, 32000, fields, ramp), 10000);
    EXPECT_EQ(ramp.rampStepSamples, 20);
    EXPECT_EQ(ramp.rampFrequency, 270); // raised after the last sample, computed at 269 Hz
    EXPECT_EQ(ramp.rampStepCounter, 0);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[generator::kSweepSamples], kUntouched);
    EXPECT_EQ(fields.startText, "100");
    auto again = Buffer();
    FillSweep(again, kFrameRate, 32000, fields, ramp);
    EXPECT_EQ(again, buffer); // the next block starts again at 20 Hz
}

TEST(Sweep, FrequencyRisesAfterEveryStepOfSamples) {
    SweepFields fields{"5", "12"}; // starts at 1 Hz, rises at every sample
    RampState ramp;
    auto buffer = Buffer();
    FillSweep(buffer, kFrameRate, 30000, fields, ramp);
    EXPECT_EQ(ramp.rampStepSamples, 1);
    EXPECT_EQ(ramp.rampFrequency, 5001);
    // Sample n is computed at 1 + n Hz.
    for (int n : {1, 7, 1000, 4999}) {
        const long double phase = static_cast<long double>(n) / 44100 * 3.14159L * 2 * (1 + n);
        EXPECT_EQ(buffer[n], std::llrint(std::sin(phase) * 30000)) << n;
    }
    fields = {"100", "5000"};
    FillSweep(buffer, kFrameRate, 30000, fields, ramp);
    EXPECT_EQ(ramp.rampStepSamples, 200);
    EXPECT_EQ(ramp.rampFrequency, 20 + 25); // the last sample is computed 24 Hz above the start
}

TEST(Sweep, EmptyFieldsBecomeOne) {
    SweepFields fields{"", ""};
    RampState ramp;
    auto buffer = Buffer();
    EXPECT_EQ(FillSweep(buffer, kFrameRate, 32000, fields, ramp), 10000);
    EXPECT_EQ(fields.startText, "1");
    EXPECT_EQ(fields.stepText, "1");
    EXPECT_EQ(ramp.rampStepSamples, 1);
    EXPECT_EQ(ramp.rampFrequency, 1 + 5000); // from 1 Hz, rnd(0.2) raised to 1
}

TEST(Sweep, FieldThatIsNotAnIntegerProducesNoBlock) {
    SweepFields fields{"", "5 0"};
    RampState ramp{7, 8, 3};
    auto buffer = Buffer();
    try {
        FillSweep(buffer, kFrameRate, 32000, fields, ramp);
        FAIL() << "accepted a field that is not an integer";
    } catch (const common::ConvertError& e) {
        EXPECT_STREQ(e.what(), "'5 0' is not a valid integer value");
    }
    EXPECT_EQ(fields.startText, "1"); // already filled in when the second field failed
    EXPECT_EQ(buffer, Buffer());
}

TEST(Sweep, AmplitudeBeyondFullScaleIsClipped) {
    SweepFields fields{"100", "500"};
    RampState ramp;
    auto loud = Buffer();
    FillSweep(loud, kFrameRate, 65534, fields, ramp);
    auto full = Buffer();
    FillSweep(full, kFrameRate, 32767, fields, ramp);
    EXPECT_EQ(*std::max_element(loud.begin(), loud.begin() + 5000), 32767);
    // Wrapped values would flip sign; clipped ones keep the sign and at least full scale.
    for (int n = 0; n < generator::kSweepSamples; ++n) {
        ASSERT_GE(loud[n] * (full[n] < 0 ? -1 : 1), std::abs(full[n])) << n;
    }
}

TEST(TwoTone, EverySampleIsTheExtendedPrecisionValue) {
    // Reference: the phase and sine in extended precision, rounded ties to even.
    auto reference = [](int n, std::int32_t amplitude, std::int32_t frequency) {
        const long double phase = static_cast<long double>(n) / 44100 * 3.14159L * 2 * frequency;
        return std::llrint(std::sin(phase) * amplitude);
    };
    std::mt19937 random(5);
    std::uniform_int_distribution<std::int32_t> frequency(1, 20000), amplitude(1, 32767);
    std::vector<TwoTone> settings{{32767, 20000, 32767, 19999}, {1, 1, 1, 3}, {65536, 7, 0, 0}};
    for (int i = 0; i < 12; ++i) {
        settings.push_back(
            {amplitude(random), frequency(random), amplitude(random) / 2, frequency(random)});
    }
    for (const TwoTone& g : settings) {
        const auto block = TwoToneBlock(g);
        for (int n = 0; n < generator::kTwoToneSamples; ++n) {
            const long long sum = reference(n, g.gen1Amplitude, g.gen1Frequency) +
                                  reference(n, g.gen2Amplitude, g.gen2Frequency);
            ASSERT_EQ(block[n], std::clamp<long long>(sum, -32768, 32767))
                << n << " " << g.gen1Amplitude << "@" << g.gen1Frequency;
        }
    }
}
