// SPDX-License-Identifier: MIT
#pragma once

// The spectrum's picture: both channels' levels in dB (current re 1 mA in yellow, voltage re
// 1 mV in aqua) over a logarithmic (10 Hz .. 22.05 kHz) or linear frequency axis on the
// instrument's black background, with a marker on each channel's peak and its frequency and
// level. The same drawing serves the window (SpectrumPlot, a widget) and the export (SVG with
// its text as text, PNG), which adds each channel's distortion figures below the plot.
//
// UI thread only.

#include "app/spectrum/SpectrumView.h"

#include <QByteArray>
#include <QPixmap>
#include <QWidget>

class QPainter;

namespace app::spectrum {

inline constexpr double kLowestHz = 10;
inline constexpr double kHighestHz = 22050;

// Draws the plot of `view` into `area` of `painter`'s device.
void RenderSpectrum(QPainter& painter, QRect area, const SpectrumView& view, bool logAxis);
// Its two parts: the background with grid and axis labels, which changes only with the area,
// the axis and the dB range (the widget keeps it as a picture), and the traces with their peaks.
void RenderGrid(QPainter& painter, QRect area, bool logAxis, double topDb);
void RenderData(QPainter& painter, QRect area, const SpectrumView& view, bool logAxis,
                double topDb);
// The top of the dB axis: a whole 20 dB step above the loudest bin of both channels.
double TopDb(const SpectrumView& view);

// The exported picture: the plot with each channel's distortion line below it.
QByteArray SpectrumSvg(const SpectrumView& view, bool logAxis);
QByteArray SpectrumPng(const SpectrumView& view, bool logAxis);

class SpectrumPlot : public QWidget {
public:
    SpectrumPlot(const SpectrumView& view, QWidget* parent);

    void SetLogAxis(bool logAxis);
    bool LogAxis() const { return logAxis_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const SpectrumView& view_;
    bool logAxis_ = true;
    // The background last drawn, for its axis and dB range.
    QPixmap grid_;
    bool gridLogAxis_ = true;
    double gridTopDb_ = 0;
};

} // namespace app::spectrum
