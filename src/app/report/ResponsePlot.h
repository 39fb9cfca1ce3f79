// SPDX-License-Identifier: MIT
#pragma once

// The frequency-response plot, two panels in one picture. Above: current (mA, yellow, left
// axis) and voltage (mV, aqua, right axis) against frequency on a logarithmic axis with 1-2-5
// ticks, markers at the points joined by lines, on the dark background of the instrument's
// screen. Below, the Bode view of the load: |Z| (ohm, logarithmic, green, left axis) and the
// phase (degrees, orange, right axis) against the same frequencies. The channels' screen colours
// keep the traces recognisable, and they need the dark ground: yellow and aqua on white are
// too faint to read, on paper as on screen.
//
// Built with Qt Charts and rendered without a window into Qt SVG's generator or a QImage, at
// 1200 x 1300 pixels. Needs a QApplication (Qt Charts draws with widgets' graphics items);
// called on the UI thread.

#include "analysis/ResponsePoints.h"
#include "display/Canvas.h"

#include <QByteArray>

#include <string>
#include <vector>

namespace app {

using analysis::ResponsePoint;

inline constexpr int kPlotWidth = 1200;
inline constexpr int kPlotHeight = 1300;
inline constexpr int kReadoutPanelHeight = 760; // the Bode panel takes the rest

// The Bode panel's curves: neither is a channel, so neither takes a channel's colour.
inline constexpr display::Rgb kImpedanceColour{0, 255, 0};
inline constexpr display::Rgb kPhaseColour{255, 160, 0};

// The 1-2-5 values (1, 2, 5, 10, 20, ...) from the largest not above `lowHz` to the smallest
// not below `highHz`; at least two, so that a single frequency still has an axis.
// `lowHz` and `highHz` must be positive, `lowHz` <= `highHz`.
std::vector<double> OneTwoFiveTicks(double lowHz, double highHz);

// The plot as an SVG document or as PNG file contents; `title` heads it.
QByteArray ResponsePlotSvg(const std::vector<ResponsePoint>& points, const std::string& title);
QByteArray ResponsePlotPng(const std::vector<ResponsePoint>& points, const std::string& title);

} // namespace app
