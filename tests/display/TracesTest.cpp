// SPDX-License-Identifier: MIT
#include "display/Traces.h"

#include "RecordingCanvas.h"

#include <gtest/gtest.h>

#include <vector>

namespace display {
namespace {

using test::RecordingCanvas;
using test::Segment;

TEST(TriggerChannelTest, ItemAndPeaksChooseTheChannel) {
    struct Case {
        int item;
        std::uint16_t peakL, peakR;
        TriggerChannel expected;
    };
    for (const Case& c : {Case{0, 2, 3, TriggerChannel::L}, Case{0, 2, 4, TriggerChannel::R},
                          Case{0, 0, 0, TriggerChannel::L}, Case{1, 0, 9000, TriggerChannel::L},
                          Case{2, 9000, 0, TriggerChannel::R}, Case{-1, 2, 4, TriggerChannel::None},
                          Case{3, 2, 4, TriggerChannel::None}}) {
        EXPECT_EQ(ChooseTriggerChannel(c.item, c.peakL, c.peakR), c.expected)
            << "item " << c.item << " peaks " << c.peakL << "/" << c.peakR;
    }
}

TEST(TraceGeometryTest, PointsAndRowsRoundHalvesToEven) {
    EXPECT_EQ(PointX(0.83, 1), 55);
    EXPECT_EQ(PointX(0.83, 2), 56);
    EXPECT_EQ(PointX(0.83, 3), 57);
    EXPECT_EQ(PointX(0.83, 4), 57); // 57.49
    EXPECT_EQ(PointX(17.0, 1000), 17038);
    EXPECT_EQ(PointX(1.65, 3), 58); // 58.3
    EXPECT_EQ(SampleRow(263, 100, 0.65, 1.0), 328);
    EXPECT_EQ(SampleRow(263, -1000, 0.088, 1.0), 175);
    EXPECT_EQ(SampleRow(263, 1, 0.5, 1.0), 264); // 263.5 to even
    EXPECT_EQ(SampleRow(263, 3, 0.5, 1.0), 264); // 264.5 to even
}

struct Track {
    std::vector<std::int32_t> samples = std::vector<std::int32_t>(44100, 0);
    std::vector<std::int32_t> halfWave = std::vector<std::int32_t>(44100, 0);
    std::uint16_t start = 0;
    HalfWaveTrack Ref() { return {samples, halfWave, start}; }
};

TEST(TriggerSearchTest, FallingSequenceAfterANonNegativeStretchTriggersBeforeMinus12) {
    Track t;
    // The block's first negative half-wave, which does not trigger.
    t.samples[3] = -500;
    t.samples[4] = -500;
    const std::vector<std::int32_t> falling{0, -10, -12, -14, -16};
    for (std::size_t i = 0; i < falling.size(); ++i) {
        t.samples[100 + i] = falling[i];
    }
    FindNegativeStart(t.Ref(), 1000);
    EXPECT_EQ(t.start, 3);
    EXPECT_EQ(t.halfWave[3], -500);
    SmoothNegativeHalfWaves(t.Ref(), 1000, 16);
    EXPECT_EQ(t.halfWave[101], 0);
    EXPECT_EQ(t.halfWave[103], 0);
    EXPECT_EQ(t.halfWave[104], -1);
    EXPECT_EQ(FindTrigger(t.halfWave, t.start), 102); // the index of -12
}

TEST(TriggerSearchTest, NoTriggerGivesTheFixedIndex) {
    Track silent;
    FindNegativeStart(silent.Ref(), 1000);
    SmoothNegativeHalfWaves(silent.Ref(), 1000, 16);
    EXPECT_EQ(silent.start, 0);
    EXPECT_EQ(FindTrigger(silent.halfWave, silent.start), kNoTrigger);
    // A start beyond the search's end, and arrays shorter than the search: no read past them.
    EXPECT_EQ(FindTrigger(silent.halfWave, 30000), kNoTrigger);
    const std::vector<std::int32_t> shortWave(10, 0);
    EXPECT_EQ(FindTrigger(shortWave, 0), kNoTrigger);
}

TEST(TriggerSearchTest, SmoothingNeverWritesPastTheArray) {
    Track t;
    t.samples.assign(50, -100);
    t.halfWave.assign(50, 0);
    FindNegativeStart(t.Ref(), 60000);
    SmoothNegativeHalfWaves(t.Ref(), 60000, 16);
    EXPECT_EQ(t.start, 1);
    EXPECT_EQ(t.halfWave.size(), 50u);
    EXPECT_LT(t.halfWave[49], 0);
}

class TraceCycleTest : public ::testing::Test {
protected:
    std::vector<std::int32_t> samplesL = std::vector<std::int32_t>(44100, 0);
    std::vector<std::int32_t> samplesR = std::vector<std::int32_t>(44100, 0);
    std::vector<std::int32_t> drawnL = std::vector<std::int32_t>(44100, 0);
    std::vector<std::int32_t> drawnR = std::vector<std::int32_t>(44100, 0);
    RecordingCanvas canvas{800, 526};

    TraceChannel L(bool shown = true) { return {samplesL, drawnL, 0.088, 1.0, shown, kYellow}; }
    TraceChannel R(bool shown = true) { return {samplesR, drawnR, 0.65, 1.0, shown, kAqua}; }
};

TEST_F(TraceCycleTest, EachSegmentErasesBothOldTracesBeforeDrawingTheNewOnes) {
    drawnR[1] = 100;
    samplesR[11] = -100;
    DrawTraceCycle(canvas, {1.0, 1, 1}, L(), R(), 10, 2000);
    ASSERT_EQ(canvas.segments.size(), 1u + 4 * 999);
    EXPECT_EQ(canvas.segments[0], (Segment{55, 263, 795, 263, kWhite, 1}));
    // Segment 2 of each trace: from point 1 (index stride) to point 2 (index 2 * stride).
    EXPECT_EQ(canvas.segments[1], (Segment{55, 328, 56, 263, kBlack, 1}));
    EXPECT_EQ(canvas.segments[2], (Segment{55, 263, 56, 263, kBlack, 1}));
    EXPECT_EQ(canvas.segments[3], (Segment{55, 263, 56, 263, kYellow, 1}));
    EXPECT_EQ(canvas.segments[4], (Segment{55, 198, 56, 263, kAqua, 1}));
    EXPECT_EQ(canvas.penWidth, 1);
    // The copies hold the samples from the trigger index on, for the next cycle's erasing.
    EXPECT_EQ(drawnR[1], -100);
    EXPECT_EQ(drawnR[2], 0);
}

TEST_F(TraceCycleTest, ErasingUsesTheCurrentFactorsAndHiddenTracesAreStillErased) {
    drawnR[1] = 100;
    TraceChannel r = R(false);
    r.scale = 2.0;
    DrawTraceCycle(canvas, {1.65, 1, 2}, L(), r, 0, 100);
    ASSERT_EQ(canvas.segments.size(), 1u + 3 * 999);
    EXPECT_EQ(canvas.segments[1], (Segment{55, 393, 57, 263, kBlack, 2})); // 263 + 130
    for (const Segment& s : canvas.segments) {
        EXPECT_NE(s.color, kAqua);
    }
}

TEST_F(TraceCycleTest, WithoutATriggerAStrideOf6ReadsUpTo25998AndNothingBeyondTheArrays) {
    samplesL[kNoTrigger + 6] = 1000;
    samplesL[kNoTrigger + 6000] = -1000;
    DrawTraceCycle(canvas, {1.0, 6, 1}, L(), R(), kNoTrigger, 44100);
    EXPECT_EQ(canvas.segments[3].y1, 351); // 263 + 88
    EXPECT_EQ(canvas.segments.back().color, kAqua);
    EXPECT_EQ(canvas.segments[canvas.segments.size() - 2].y2, 175);
    // The copy past the samples' end reads zeros.
    EXPECT_EQ(drawnL[6], 1000);
    EXPECT_EQ(drawnL[44099], 0);
}

} // namespace
} // namespace display
