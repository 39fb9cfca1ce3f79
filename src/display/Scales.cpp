// SPDX-License-Identifier: MIT
#include "display/Scales.h"

#include "common/NumberText.h"

namespace display {

namespace {

constexpr int kStep = 20; // pixels per scale step
constexpr int kSteps = 10;
constexpr int kFineStep = 4; // pixels per fine tick
constexpr int kFineTicks = 55;
constexpr int kTextRise = 7; // texts sit this far above their tick

void Tick(Canvas& canvas, int x1, int x2, int y) {
    canvas.MoveTo(x1, y);
    canvas.LineTo(x2, y);
}

// Tick and text of one step, above and below the centre row.
void Step(Canvas& canvas, int tickLeft, int textX, int offset, const std::string& text,
          Rgb textColor) {
    const int y0 = canvas.ClientHeight() / 2;
    for (const int y : {y0 - offset, y0 + offset}) {
        Tick(canvas, tickLeft, tickLeft + 3, y);
        canvas.SetFontColor(textColor);
        canvas.TextOut(textX, y - kTextRise, text);
    }
}

} // namespace

std::string ScaleLabel(double value, double divisionValue) {
    return common::FormatReal(value, divisionValue >= 1 ? 0 : 1, 3);
}

void DrawVerticalScales(Canvas& canvas, double divisionValueL, double divisionValueR) {
    const int y0 = canvas.ClientHeight() / 2;
    canvas.SetPenWidth(1);
    canvas.SetPenColor(kYellow);
    canvas.SetFontColor(kYellow);
    for (int k = 1; k <= kSteps; ++k) {
        Step(canvas, 29, 34, kStep * k, ScaleLabel(k * divisionValueL, divisionValueL), kYellow);
    }
    canvas.SetFontColor(kWhite);
    canvas.TextOut(34, y0 - kTextRise, "ms");
    for (int k = 0; k <= kSteps; ++k) {
        Step(canvas, 24, 0, kStep * k, ScaleLabel(k * divisionValueR, divisionValueR), kWhite);
    }
    canvas.SetPenColor(kWhite);
    for (int k = 0; k <= kFineTicks; ++k) {
        Tick(canvas, 27, 29, y0 - kFineStep * k);
        Tick(canvas, 27, 29, y0 + kFineStep * k);
    }
}

} // namespace display
