// SPDX-License-Identifier: MIT
#include "display/TimeBase.h"

#include "common/NumberText.h"

#include <array>
#include <cmath>

namespace display {

namespace {

struct BandRow {
    double upperFrequency; // highest frequency of the band, Hz
    TimeBand base;
    double labelStep; // time of one major division
    int decimals;
    int labelOffset;
    const char* endLabel;
    int endOffset;
    int endRowBelow;  // rows below the centre row
    const char* name; // the time-base box's item, without its aligning blanks
};

constexpr double kInfinite = HUGE_VAL;

constexpr std::array<BandRow, kTimeBands> kBands{{
    {30, {1.0, 6}, 10, 0, 48, "100", 35, 3, "100 msec"},
    {70, {1.0, 3}, 5, 0, 48, "50", 40, 5, "50 msec"},
    {150, {0.83, 1}, 2, 0, 48, "20", 40, 3, "20 msec"},
    {250, {1.65, 1}, 1, 0, 52, "10", 40, 3, "10 msec"},
    {600, {3.3, 1}, 0.5, 1, 48, " 5", 40, 3, "5 msec"},
    {1200, {8.5, 1}, 0.2, 1, 48, " 2", 40, 3, "2 msec"},
    {kInfinite, {17.0, 1}, 0.1, 1, 48, "ms 1", 16, 3, "1 msec"},
}};

const BandRow& RowOf(int band) {
    return kBands.at(static_cast<std::size_t>(band - 1));
}

// Extended precision in the order written, as the graticule computes its columns, so that the
// major ticks fall on its column lines.
int AxisX(double gridUnit, int k, long double step, int offset) {
    return static_cast<int>(
        std::nearbyint(static_cast<long double>(gridUnit) * 2 * k * step + offset));
}

void Line(Canvas& canvas, int x1, int y1, int x2, int y2) {
    canvas.MoveTo(x1, y1);
    canvas.LineTo(x2, y2);
}

} // namespace

int BandForFrequency(double frequency) {
    for (int band = 2; band <= kTimeBands; ++band) {
        if (frequency > RowOf(band - 1).upperFrequency && frequency <= RowOf(band).upperFrequency) {
            return band;
        }
    }
    return 1;
}

std::optional<int> BandFor(bool automatic, int item, double frequency) {
    if (automatic) {
        return BandForFrequency(frequency);
    }
    if (item >= 1 && item <= kTimeBands) {
        return item;
    }
    return std::nullopt;
}

TimeBand TimeBandOf(int band) {
    return RowOf(band).base;
}

const char* TimeBandName(int band) {
    return RowOf(band).name;
}

std::string TimeLabel(int band, int k) {
    const BandRow& row = RowOf(band);
    return common::FormatReal(row.labelStep * k, row.decimals);
}

void DrawTimeAxis(Canvas& canvas, int band, double gridUnit) {
    const BandRow& row = RowOf(band);
    canvas.SetPenColor(kWhite);
    canvas.SetPenWidth(1);
    canvas.SetFontColor(kWhite);
    const int y0 = canvas.ClientHeight() / 2;
    for (int k = 1; k <= 99; ++k) {
        const int x = AxisX(gridUnit, k, 0.973L, 55);
        Line(canvas, x, y0 + 2, x, y0 - 2);
    }
    for (int k = 1; k <= 9; ++k) {
        const int x = AxisX(gridUnit, k, 9.73L, 55);
        Line(canvas, x, y0 + 3, x, y0 - 3);
        canvas.TextOut(AxisX(gridUnit, k, 9.73L, row.labelOffset), y0 + 5, TimeLabel(band, k));
        canvas.TextOut(AxisX(gridUnit, 1, 97.3L, row.endOffset), y0 + row.endRowBelow,
                       row.endLabel);
    }
}

} // namespace display
