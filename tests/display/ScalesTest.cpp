// SPDX-License-Identifier: MIT
#include "display/Scales.h"
#include "display/Ranges.h"
#include "display/TimeBase.h"

#include "RecordingCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace display {
namespace {

using test::RecordingCanvas;

TEST(TimeBandTest, FrequencyBoundaries) {
    const std::vector<std::pair<double, int>> cases{
        {0, 1},   {30, 1},  {31, 2},   {70, 2},   {70.5, 3}, {150, 3}, {250, 4},
        {251, 5}, {600, 5}, {1200, 6}, {1201, 7}, {NAN, 1},  {-5, 1},  {HUGE_VAL, 7}};
    for (const auto& [frequency, band] : cases) {
        EXPECT_EQ(BandForFrequency(frequency), band) << frequency;
    }
    EXPECT_EQ(BandFor(false, 7, 40), 7);
    EXPECT_EQ(BandFor(false, -1, 40), std::nullopt);
    EXPECT_EQ(BandFor(false, 8, 40), std::nullopt);
    EXPECT_EQ(BandFor(true, -1, 40), 2);
    EXPECT_EQ(TimeBandOf(7).pointSpacing, 17.0);
    EXPECT_EQ(TimeBandOf(1).pointStride, 6);
}

TEST(TimeAxisTest, LabelsOfEveryBand) {
    const std::vector<std::vector<std::string>> expected{
        {"10", "20", "90"},    {"5", "10", "45"},     {"2", "4", "18"},     {"1", "2", "9"},
        {"0.5", "1.0", "4.5"}, {"0.2", "0.4", "1.8"}, {"0.1", "0.2", "0.9"}};
    for (int band = 1; band <= kTimeBands; ++band) {
        const auto& e = expected[static_cast<std::size_t>(band - 1)];
        EXPECT_EQ(TimeLabel(band, 1), e[0]) << band;
        EXPECT_EQ(TimeLabel(band, 2), e[1]) << band;
        EXPECT_EQ(TimeLabel(band, 9), e[2]) << band;
    }
}

TEST(TimeAxisTest, TicksAndLabelsFallOnTheGraticuleColumns) {
    RecordingCanvas canvas(800, 526);
    DrawTimeAxis(canvas, 1, 3.8);
    ASSERT_EQ(canvas.segments.size(), 99u + 9u);
    EXPECT_EQ(canvas.segments[0].x1, 62);
    EXPECT_EQ(canvas.segments[3].x1, 85);
    EXPECT_EQ(canvas.segments[99].x1, 129);
    EXPECT_EQ(canvas.segments[107].x1, 721);
    EXPECT_EQ(canvas.texts.front(), "122,268:10");
    EXPECT_EQ(canvas.texts[1], "774,266:100");
    RecordingCanvas band7(800, 526);
    DrawTimeAxis(band7, 7, 3.8);
    EXPECT_EQ(band7.texts[1], "755,266:ms 1");
}

TEST(VerticalScaleTest, LabelFormats) {
    EXPECT_EQ(ScaleLabel(10, 10), " 10");
    EXPECT_EQ(ScaleLabel(100, 10), "100");
    EXPECT_EQ(ScaleLabel(0.5, 0.5), "0.5");
    EXPECT_EQ(ScaleLabel(10 * 0.5, 0.5), "5.0");
    EXPECT_EQ(ScaleLabel(0, 0.1), "0.0");
    EXPECT_EQ(ScaleLabel(10 * 0.1, 0.1), "1.0");
    EXPECT_EQ(ScaleLabel(0, 10), "  0");
}

TEST(VerticalScaleTest, BothScalesTheirUnitAndFineTicks) {
    RecordingCanvas canvas(800, 526);
    DrawVerticalScales(canvas, 10, 0.1);
    const auto has = [&](const std::string& t) {
        return std::find(canvas.texts.begin(), canvas.texts.end(), t) != canvas.texts.end();
    };
    EXPECT_TRUE(has("34,56:100"));  // L step 10 above the centre row
    EXPECT_TRUE(has("34,456:100")); // and below, without sign
    EXPECT_TRUE(has("34,256:ms"));
    EXPECT_TRUE(has("0,256:0.0"));
    EXPECT_TRUE(has("0,56:1.0"));
    EXPECT_EQ(canvas.segments.size(), 20u + 22u + 112u);
    EXPECT_EQ(canvas.segments.back().y1, 263 + 220);
    EXPECT_EQ(canvas.segments.back().color, kWhite);
}

TEST(RangeTest, AutomaticBands) {
    const std::vector<std::pair<std::uint16_t, CurrentRange>> current{
        {0, CurrentRange::mA1},      {24, CurrentRange::mA1},      {25, CurrentRange::mA2},
        {2249, CurrentRange::mA100}, {11249, CurrentRange::mA500}, {11250, CurrentRange::A1},
        {65535, CurrentRange::A1}};
    for (const auto& [peak, range] : current) {
        EXPECT_EQ(AutoCurrentRange(peak), range) << peak;
    }
    const std::vector<std::pair<std::uint16_t, VoltageRange>> voltage{
        {34, VoltageRange::mV10},  {174, VoltageRange::mV50},  {175, VoltageRange::mV100},
        {17499, VoltageRange::V5}, {17500, VoltageRange::V10}, {65535, VoltageRange::V10}};
    for (const auto& [peak, range] : voltage) {
        EXPECT_EQ(AutoVoltageRange(peak), range) << peak;
    }
}

TEST(RangeTest, ManualItemsAndTheirRows) {
    EXPECT_EQ(ManualVoltageRange(2), VoltageRange::V20);
    EXPECT_EQ(ManualVoltageRange(12), VoltageRange::mV10);
    EXPECT_EQ(ManualCurrentRange(8), CurrentRange::mA2);
    for (const int item : {0, -1, 13}) {
        EXPECT_EQ(ManualVoltageRange(item), std::nullopt) << item;
        EXPECT_EQ(ManualCurrentRange(item), std::nullopt) << item;
    }
    const RangeRow& v20 = RowOf(VoltageRange::V20);
    EXPECT_EQ(v20.scale, 0.005);
    EXPECT_EQ(v20.divisionValue, 2.0);
    EXPECT_STREQ(v20.upperText, "+ V");
    EXPECT_STREQ(RowOf(CurrentRange::A1).lowerText, "- A");
    EXPECT_STREQ(RowOf(CurrentRange::mA100).name, "100 mA");
}

} // namespace
} // namespace display
