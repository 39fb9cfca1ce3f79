// SPDX-License-Identifier: MIT
#include "display/Graticule.h"

#include <cmath>

namespace display {

namespace {

constexpr int kTraceLeft = 55;   // where the time axis and the traces begin
constexpr int kLineLeft = 56;    // horizontal lines start one pixel right of the axis' start
constexpr int kRightMargin = 10; // horizontal lines end this far from the right edge
constexpr int kDivision = 20;    // one vertical division, pixels
constexpr int kHorizontalRows = 11;
constexpr int kColumns = 10;
constexpr int kGapAbove = 5;  // the column lines leave the time axis' labels free:
constexpr int kGapBelow = 20; // from 5 pixels above to 20 below the centre row

Rgb GreyOf(std::int16_t brightness) {
    const auto g = static_cast<std::uint8_t>(static_cast<std::uint16_t>(brightness) & 0xFF);
    return {g, g, g};
}

void Line(Canvas& canvas, int x1, int y1, int x2, int y2) {
    canvas.MoveTo(x1, y1);
    canvas.LineTo(x2, y2);
}

} // namespace

double GridUnitFor(int clientWidth) {
    return (clientWidth - 40) / 200.0;
}

int ColumnX(double gridUnit, int i) {
    // Extended precision, in the order written, so that the columns fall on the same pixels as
    // the time axis' ticks computed the same way.
    const long double x = static_cast<long double>(gridUnit) * 2 * i * 9.73L + kTraceLeft;
    return static_cast<int>(std::nearbyint(x));
}

void DrawGraticule(Canvas& canvas, std::int32_t gridVisible, std::int16_t gridBrightness,
                   double& gridUnit) {
    if (gridVisible == 0) {
        return;
    }
    canvas.SetPenColor(GreyOf(gridBrightness));
    canvas.SetPenWidth(1);
    const int width = canvas.ClientWidth();
    const int y0 = canvas.ClientHeight() / 2;
    const int bottom = y0 + kHorizontalRows * kDivision;
    const int top = y0 - kHorizontalRows * kDivision;
    gridUnit = GridUnitFor(width);
    for (int i = 1; i <= kHorizontalRows; ++i) {
        Line(canvas, kLineLeft, y0 - kDivision * i, width - kRightMargin, y0 - kDivision * i);
    }
    for (int i = 1; i <= kHorizontalRows; ++i) {
        Line(canvas, kLineLeft, y0 + kDivision * i, width - kRightMargin, y0 + kDivision * i);
    }
    for (int i = 1; i <= kColumns; ++i) {
        const int x = ColumnX(gridUnit, i);
        Line(canvas, x, bottom, x, y0 + kGapBelow);
        Line(canvas, x, y0 - kGapAbove, x, top);
    }
}

} // namespace display
