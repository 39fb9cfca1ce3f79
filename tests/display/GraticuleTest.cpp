// SPDX-License-Identifier: MIT
#include "display/Graticule.h"

#include "RecordingCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace display {
namespace {

using test::RecordingCanvas;
using test::Segment;

constexpr Rgb kGrey{75, 75, 75};

std::vector<Segment> Horizontal(const std::vector<Segment>& all) {
    std::vector<Segment> out;
    std::copy_if(all.begin(), all.end(), std::back_inserter(out),
                 [](const Segment& s) { return s.y1 == s.y2; });
    return out;
}

std::vector<int> ColumnXs(const std::vector<Segment>& all) {
    std::vector<int> xs;
    for (const Segment& s : all) {
        if (s.x1 == s.x2 && (xs.empty() || xs.back() != s.x1)) {
            xs.push_back(s.x1);
        }
    }
    return xs;
}

TEST(Graticule, HiddenGridDrawsNothingAndKeepsTheUnit) {
    RecordingCanvas canvas(800, 526);
    double gridUnit = 1.25;
    DrawGraticule(canvas, 0, 75, gridUnit);
    EXPECT_TRUE(canvas.segments.empty());
    EXPECT_EQ(canvas.penColor, (Rgb{1, 2, 3}));
    EXPECT_DOUBLE_EQ(gridUnit, 1.25);
}

TEST(Graticule, AnyNonZeroVisibilityDrawsInGreyOfWidthOneAndLeavesThePenSo) {
    RecordingCanvas canvas(800, 526);
    double gridUnit = 0;
    DrawGraticule(canvas, 7, 75, gridUnit);
    ASSERT_EQ(canvas.segments.size(), 22u + 20u);
    for (const Segment& s : canvas.segments) {
        EXPECT_EQ(s.color, kGrey);
        EXPECT_EQ(s.width, 1);
    }
    EXPECT_EQ(canvas.penColor, kGrey);
    EXPECT_EQ(canvas.penWidth, 1);
}

TEST(Graticule, BrightnessUsesOnlyItsLowEightBits) {
    RecordingCanvas canvas(800, 526);
    double gridUnit = 0;
    DrawGraticule(canvas, 1, static_cast<std::int16_t>(256 + 40), gridUnit);
    EXPECT_EQ(canvas.segments.front().color, (Rgb{40, 40, 40}));
    canvas.segments.clear();
    DrawGraticule(canvas, 1, static_cast<std::int16_t>(-181), gridUnit); // 0xFF4B
    EXPECT_EQ(canvas.segments.front().color, kGrey);
}

TEST(Graticule, WidthEightHundredPlacesRowsAndColumns) {
    RecordingCanvas canvas(800, 526);
    double gridUnit = 0;
    DrawGraticule(canvas, 1, 75, gridUnit);
    EXPECT_DOUBLE_EQ(gridUnit, 3.8);

    const std::vector<Segment> rows = Horizontal(canvas.segments);
    ASSERT_EQ(rows.size(), 22u);
    for (int i = 1; i <= 11; ++i) {
        EXPECT_EQ(rows[i - 1], (Segment{56, 263 - 20 * i, 790, 263 - 20 * i, kGrey, 1}));
        EXPECT_EQ(rows[10 + i], (Segment{56, 263 + 20 * i, 790, 263 + 20 * i, kGrey, 1}));
    }
    EXPECT_EQ(rows[10].y1, 43);
    EXPECT_EQ(rows[21].y1, 483);

    // The last column stands beyond the right end of the rows.
    EXPECT_EQ(ColumnXs(canvas.segments),
              (std::vector<int>{129, 203, 277, 351, 425, 499, 573, 647, 721, 794}));
}

TEST(Graticule, ColumnsLeaveTheTimeAxisGapFromFiveAboveToTwentyBelowTheCentre) {
    RecordingCanvas canvas(800, 526);
    double gridUnit = 0;
    DrawGraticule(canvas, 1, 75, gridUnit);
    const std::vector<Segment> columns(canvas.segments.begin() + 22, canvas.segments.end());
    ASSERT_EQ(columns.size(), 20u);
    for (std::size_t i = 0; i < columns.size(); i += 2) {
        const int x = columns[i].x1;
        EXPECT_EQ(columns[i], (Segment{x, 483, x, 283, kGrey, 1}));
        EXPECT_EQ(columns[i + 1], (Segment{x, 258, x, 43, kGrey, 1}));
    }
}

TEST(Graticule, NarrowerWindowRecomputesTheUnitAndTheColumns) {
    RecordingCanvas canvas(794, 526);
    double gridUnit = 3.8;
    DrawGraticule(canvas, 1, 75, gridUnit);
    EXPECT_DOUBLE_EQ(gridUnit, 3.77);
    EXPECT_EQ(ColumnXs(canvas.segments),
              (std::vector<int>{128, 202, 275, 348, 422, 495, 569, 642, 715, 789}));
    EXPECT_EQ(Horizontal(canvas.segments).front().x2, 784);
}

TEST(Graticule, OddClientHeightTruncatesTheCentreRow) {
    RecordingCanvas canvas(800, 527);
    double gridUnit = 0;
    DrawGraticule(canvas, 1, 75, gridUnit);
    EXPECT_EQ(Horizontal(canvas.segments).front().y1, 243); // centre 263, not 263.5
}

TEST(Graticule, ColumnPositionsMatchTheTimeAxisFormula) {
    EXPECT_EQ(ColumnX(3.8, 1), 129);
    EXPECT_EQ(ColumnX(3.8, 10), 794);
    EXPECT_DOUBLE_EQ(GridUnitFor(240), 1.0);
    // 1.0 * 2 * 5 * 9.73 + 55 = 152.3
    EXPECT_EQ(ColumnX(1.0, 5), 152);
}

} // namespace
} // namespace display
