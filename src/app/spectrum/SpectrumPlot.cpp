// SPDX-License-Identifier: MIT
#include "app/spectrum/SpectrumPlot.h"

#include "app/spectrum/SpectrumTexts.h"
#include "app/widgets/WidgetPicture.h"
#include "app/window/layout/Form1LayoutKit.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>

namespace app::spectrum {

namespace {

using measure::Channel;

constexpr int kMarginLeft = 52;
constexpr int kMarginRight = 14;
constexpr int kMarginTop = 22;
constexpr int kMarginBottom = 20;
// The dB axis spans this much below its top, in steps of kDbStep.
constexpr double kDbSpan = 160;
constexpr double kDbStep = 20;
constexpr int kExportWidth = 900;
constexpr int kExportPlotHeight = 480;
constexpr int kExportLineHeight = 18;

const QColor kGrid{64, 64, 64};

QColor ChannelColor(Channel channel) {
    return channel == Channel::L ? layout::kYellow : layout::kAqua;
}

// Maps frequencies and levels to the plot's pixels.
struct Axes {
    QRect plot;
    bool log = true;
    double topDb = 0;

    double Low() const { return log ? kLowestHz : 0; }
    int X(double hertz) const {
        const double t = log ? std::log(hertz / kLowestHz) / std::log(kHighestHz / kLowestHz)
                             : hertz / kHighestHz;
        return plot.left() + static_cast<int>(std::lround(t * (plot.width() - 1)));
    }
    // The frequency at pixel position x (fractional), the inverse of X.
    double Hertz(double x) const {
        const double t = (x - plot.left()) / (plot.width() - 1);
        return log ? kLowestHz * std::pow(kHighestHz / kLowestHz, t) : t * kHighestHz;
    }
    int Y(double db) const {
        const double t = (topDb - std::clamp(db, topDb - kDbSpan, topDb)) / kDbSpan;
        return plot.top() + static_cast<int>(std::lround(t * (plot.height() - 1)));
    }
};

} // namespace

double TopDb(const SpectrumView& view) {
    double loudest = 0;
    for (const Channel channel : {Channel::L, Channel::R}) {
        const std::vector<double>& levels = view.Shown(channel);
        if (levels.size() > 1) {
            loudest = std::max(loudest, *std::max_element(levels.begin() + 1, levels.end()));
        }
    }
    return std::ceil(std::max(-kDbStep, analysis::LevelDb(loudest)) / kDbStep) * kDbStep + kDbStep;
}

namespace {

Axes PlotAxes(QRect area, bool logAxis, double topDb) {
    return {area.adjusted(kMarginLeft, kMarginTop, -kMarginRight, -kMarginBottom), logAxis, topDb};
}

std::string TickText(double hertz) {
    return hertz >= 1000 ? Fixed(hertz / 1000, 0) + "k" : Fixed(hertz, 0);
}

void DrawGrid(QPainter& painter, const Axes& axes) {
    const QRect& plot = axes.plot;
    const QFontMetrics metrics = painter.fontMetrics();
    std::vector<double> ticks;
    if (axes.log) {
        for (double decade = 10; decade < kHighestHz; decade *= 10) {
            for (double step : {1.0, 2.0, 5.0}) {
                if (decade * step <= kHighestHz) {
                    ticks.push_back(decade * step);
                }
            }
        }
    } else {
        for (double hertz = 0; hertz <= kHighestHz; hertz += 2000) {
            ticks.push_back(hertz);
        }
    }
    for (const double hertz : ticks) {
        const int x = axes.X(hertz);
        painter.setPen(kGrid);
        painter.drawLine(x, plot.top(), x, plot.bottom());
        painter.setPen(layout::kSilver);
        const QString text = QString::fromStdString(TickText(hertz));
        painter.drawText(x - metrics.horizontalAdvance(text) / 2,
                         plot.bottom() + 4 + metrics.ascent(), text);
    }
    for (double db = axes.topDb; db >= axes.topDb - kDbSpan; db -= kDbStep) {
        const int y = axes.Y(db);
        painter.setPen(kGrid);
        painter.drawLine(plot.left(), y, plot.right(), y);
        painter.setPen(layout::kSilver);
        const QString text = QString::fromStdString(Fixed(db, 0));
        painter.drawText(plot.left() - 6 - metrics.horizontalAdvance(text),
                         y + metrics.ascent() / 2, text);
    }
    painter.setPen(layout::kSilver);
    painter.drawText(axes.plot.left() - kMarginLeft + 2, axes.plot.top() - 8, QStringLiteral("dB"));
    painter.drawRect(plot.adjusted(0, 0, -1, -1));
}

// One point per pixel column, the loudest bin that falls in it, so that a line stands out
// however many bins share its column. Bins are walked in order and columns advanced by their
// edges: one logarithm per column drawn, not one per bin.
void DrawTrace(QPainter& painter, const Axes& axes, const std::vector<double>& levels,
               double binWidth, Channel channel) {
    QPolygon trace;
    int column = axes.plot.left();
    double edge = axes.Hertz(column + 0.5); // where the next column starts
    double loudest = -1;                    // in this column; none yet
    const auto flush = [&] {
        if (loudest >= 0) {
            trace << QPoint(column, axes.Y(analysis::LevelDb(loudest)));
            loudest = -1;
        }
    };
    for (std::size_t k = 1; k < levels.size(); ++k) {
        const double hertz = static_cast<double>(k) * binWidth;
        if (hertz < axes.Low() || hertz > kHighestHz) {
            continue;
        }
        if (hertz >= edge) {
            flush();
            column = std::min(axes.X(hertz), axes.plot.right());
            edge = axes.Hertz(column + 0.5);
        }
        loudest = std::max(loudest, levels[k]);
    }
    flush();
    painter.setPen(QPen(ChannelColor(channel), 1));
    painter.drawPolyline(trace);
}

// A marker above the channel's strongest line, and its frequency and level above the plot.
void DrawPeak(QPainter& painter, const Axes& axes, const std::vector<double>& levels,
              double binWidth, Channel channel) {
    std::size_t peak = 0;
    for (std::size_t k = 1; k < levels.size(); ++k) {
        if (levels[k] > (peak == 0 ? 0 : levels[peak])) {
            peak = k;
        }
    }
    const double hertz = static_cast<double>(peak) * binWidth;
    if (peak == 0 || hertz < axes.Low()) {
        return;
    }
    const double db = analysis::LevelDb(levels[peak]);
    const QPoint tip(axes.X(hertz), axes.Y(db) - 2);
    painter.setPen(ChannelColor(channel));
    painter.setBrush(ChannelColor(channel));
    painter.drawPolygon(QPolygon({tip, tip + QPoint(-4, -7), tip + QPoint(4, -7)}));
    painter.setBrush(Qt::NoBrush);
    const std::string text = std::string(channel == Channel::L ? "I " : "U ") + HertzText(hertz) +
                             "  " + Fixed(db, 1) +
                             (channel == Channel::L ? " dB re 1 mA" : " dB re 1 mV");
    const int x = channel == Channel::L ? axes.plot.left() + 40 : axes.plot.center().x() + 20;
    painter.drawText(x, axes.plot.top() - 7, QString::fromStdString(text));
}

QSize ExportSize() {
    return {kExportWidth, kExportPlotHeight + 2 * kExportLineHeight + 8};
}

// The plot and, below it, each channel's distortion line.
void RenderExport(QPainter& painter, const SpectrumView& view, bool logAxis) {
    painter.fillRect(QRect(QPoint(0, 0), ExportSize()), Qt::black);
    RenderSpectrum(painter, QRect(0, 0, kExportWidth, kExportPlotHeight), view, logAxis);
    painter.setFont(layout::FormFont());
    int y = kExportPlotHeight + kExportLineHeight;
    for (const Channel channel : {Channel::L, Channel::R}) {
        painter.setPen(ChannelColor(channel));
        const std::string line =
            (channel == Channel::L ? "I: " : "U: ") + DistortionLine(view.Distortion(channel));
        painter.drawText(kMarginLeft, y, QString::fromStdString(line));
        y += kExportLineHeight;
    }
}

} // namespace

void RenderGrid(QPainter& painter, QRect area, bool logAxis, double topDb) {
    painter.save();
    painter.setFont(layout::FormFont());
    painter.fillRect(area, Qt::black);
    DrawGrid(painter, PlotAxes(area, logAxis, topDb));
    painter.restore();
}

void RenderData(QPainter& painter, QRect area, const SpectrumView& view, bool logAxis,
                double topDb) {
    painter.save();
    painter.setFont(layout::FormFont());
    const Axes axes = PlotAxes(area, logAxis, topDb);
    painter.setClipRect(axes.plot.adjusted(0, -kMarginTop, 0, 0));
    for (const Channel channel : {Channel::R, Channel::L}) {
        DrawTrace(painter, axes, view.Shown(channel), view.BinWidth(), channel);
    }
    painter.setClipping(false);
    for (const Channel channel : {Channel::L, Channel::R}) {
        DrawPeak(painter, axes, view.Shown(channel), view.BinWidth(), channel);
    }
    painter.restore();
}

void RenderSpectrum(QPainter& painter, QRect area, const SpectrumView& view, bool logAxis) {
    const double topDb = TopDb(view);
    RenderGrid(painter, area, logAxis, topDb);
    RenderData(painter, area, view, logAxis, topDb);
}

QByteArray SpectrumSvg(const SpectrumView& view, bool logAxis) {
    QBuffer buffer;
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(ExportSize());
    svg.setViewBox(QRect(QPoint(0, 0), ExportSize()));
    svg.setTitle(QStringLiteral("spektrum"));
    QPainter painter(&svg);
    RenderExport(painter, view, logAxis);
    painter.end();
    return buffer.data();
}

QByteArray SpectrumPng(const SpectrumView& view, bool logAxis) {
    QImage image(ExportSize(), QImage::Format_RGB32);
    {
        QPainter painter(&image);
        RenderExport(painter, view, logAxis);
    }
    return PngBytes(image);
}

SpectrumPlot::SpectrumPlot(const SpectrumView& view, QWidget* parent)
    : QWidget(parent), view_(view) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(400, 240);
}

void SpectrumPlot::SetLogAxis(bool logAxis) {
    logAxis_ = logAxis;
    update();
}

void SpectrumPlot::paintEvent(QPaintEvent*) {
    const double topDb = TopDb(view_);
    if (grid_.size() != size() || gridLogAxis_ != logAxis_ || gridTopDb_ != topDb) {
        grid_ = QPixmap(size());
        QPainter gridPainter(&grid_);
        RenderGrid(gridPainter, rect(), logAxis_, topDb);
        gridLogAxis_ = logAxis_;
        gridTopDb_ = topDb;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, grid_);
    RenderData(painter, rect(), view_, logAxis_, topDb);
}

} // namespace app::spectrum
