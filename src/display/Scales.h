// SPDX-License-Identifier: MIT
#pragma once

// The two vertical scales at the left edge of the oscilloscope screen: the current scale of
// channel L beside the voltage scale of channel R, ten 20-pixel steps above and below the centre
// row, and the "ms" unit of the time axis. UI thread only.

#include "display/Canvas.h"

#include <string>

namespace display {

// Text of a scale step: no decimals when the step value is at least 1, otherwise one; at least
// three characters, right-aligned, point as decimal separator.
std::string ScaleLabel(double value, double divisionValue);

void DrawVerticalScales(Canvas& canvas, double divisionValueL, double divisionValueR);

} // namespace display
