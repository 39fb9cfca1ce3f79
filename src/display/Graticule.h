// SPDX-License-Identifier: MIT
#pragma once

// The measuring grid of the oscilloscope screen: eleven grey lines 20 pixels apart above and
// below the centre row, and ten vertical column lines that leave a gap around the time axis.
// Drawn over whatever is on the canvas, erasing nothing. UI thread only.

#include "display/Canvas.h"

#include <cstdint>

namespace display {

// Horizontal unit of the grid for a client width, in pixels: (width - 40) / 200.
double GridUnitFor(int clientWidth);

// x of the grid's column line i (1..10) and of the time axis' major tick i:
// Round(gridUnit * 2 * i * 9.73 + 55), halves to even.
int ColumnX(double gridUnit, int i);

// Draws the grid unless gridVisible is 0, in grey (g, g, g) with g the low 8 bits of
// gridBrightness, pen width 1, and leaves the pen so. Recomputes gridUnit from the canvas'
// client width (the time labels place themselves with it).
void DrawGraticule(Canvas& canvas, std::int32_t gridVisible, std::int16_t gridBrightness,
                   double& gridUnit);

} // namespace display
