// SPDX-License-Identifier: MIT
#include "app/analysis/VoltageCurrentFigure.h"

#include "app/window/layout/Form1LayoutKit.h"
#include "common/NumberText.h"

#include <QPainter>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace app {

namespace {

// Divisions of the graticule on each half axis.
constexpr int kHalfDivisions = 4;
// Points closer than this in axis units are one point: a pixel of a 500-pixel figure.
constexpr double kResolution = 2.0 / 500;
const QColor kTrace(255, 255, 255);
const QColor kGraticule(70, 70, 70);
const QColor kAxis(128, 128, 128);

// "100 mA", "1 V": the number of a range, in mA or mV.
std::string RangeCaption(double milli, const char* milliUnit, const char* unit) {
    // Every range is a whole number of its unit.
    return milli >= 1000 ? common::FormatReal(milli / 1000, 0) + " " + unit
                         : common::FormatReal(milli, 0) + " " + milliUnit;
}

} // namespace

std::optional<double> RangeMilli(const std::string& name) {
    double value = 0;
    const char* end = name.data() + name.size();
    auto [rest, error] = std::from_chars(name.data(), end, value);
    if (error != std::errc() || !(value > 0)) {
        return std::nullopt;
    }
    const std::string unit(rest, end);
    if (unit == " mA" || unit == " mV") {
        return value;
    }
    if (unit == " A" || unit == " V") {
        return value * 1000;
    }
    return std::nullopt;
}

VoltageCurrentFigure::VoltageCurrentFigure(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void VoltageCurrentFigure::AddBlock(std::span<const std::int32_t> current, double maPerUnit,
                                    std::span<const std::int32_t> voltage, double mvPerUnit,
                                    double rangeMa, double rangeMv,
                                    std::optional<double> periodFrames) {
    if (!(rangeMa > 0) || !(rangeMv > 0)) {
        return;
    }
    // New ranges rescale the axes: the blocks drawn on the old ones would mislead.
    if (rangeMa != rangeMa_ || rangeMv != rangeMv_) {
        traces_.clear();
        rangeMa_ = rangeMa;
        rangeMv_ = rangeMv;
    }
    Trace trace;
    std::size_t frames = kMaxFrames;
    if (periodFrames && *periodFrames > 0) {
        frames = static_cast<std::size_t>(
            std::clamp(2 * *periodFrames, double(kMinFrames), double(kMaxFrames)));
    }
    frames = std::min({frames, current.size(), voltage.size()});
    trace.reserve(frames);
    const double xPerUnit = mvPerUnit / rangeMv;
    const double yPerUnit = maPerUnit / rangeMa;
    for (std::size_t k = 0; k < frames; ++k) {
        const QPointF point(std::clamp(voltage[k] * xPerUnit, -1.0, 1.0),
                            std::clamp(current[k] * yPerUnit, -1.0, 1.0));
        if (trace.empty() || std::abs(point.x() - trace.back().x()) >= kResolution ||
            std::abs(point.y() - trace.back().y()) >= kResolution) {
            trace.push_back(point);
        }
    }
    traces_.push_back(std::move(trace));
    while (traces_.size() > kPersistence) {
        traces_.pop_front();
    }
    update();
}

void VoltageCurrentFigure::Clear() {
    traces_.clear();
    update();
}

void VoltageCurrentFigure::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const QFont font = layout::FormFont(11);
    const int textHeight = QFontMetrics(font).height();
    // The square plot area, with a line of text below it and the current's caption above.
    const int side = std::max(1, std::min(width(), height() - 2 * textHeight) - 1);
    const QRect area((width() - side) / 2, textHeight, side, side);
    const QPointF centre = QRectF(area).center();
    const double half = side / 2.0;

    for (int i = -kHalfDivisions; i <= kHalfDivisions; ++i) {
        const int offset = static_cast<int>(std::lround(half * i / kHalfDivisions));
        painter.setPen(i == 0 ? kAxis : kGraticule);
        painter.drawLine(area.left(), static_cast<int>(centre.y()) + offset, area.right(),
                         static_cast<int>(centre.y()) + offset);
        painter.drawLine(static_cast<int>(centre.x()) + offset, area.top(),
                         static_cast<int>(centre.x()) + offset, area.bottom());
    }
    painter.setFont(font);
    if (rangeMa_ > 0) {
        painter.setPen(layout::kYellow);
        painter.drawText(QRect(0, 0, width(), textHeight), Qt::AlignCenter,
                         QString::fromStdString("IL ± " + RangeCaption(rangeMa_, "mA", "A")));
        painter.setPen(layout::kAqua);
        painter.drawText(QRect(0, area.bottom() + 1, width(), textHeight), Qt::AlignCenter,
                         QString::fromStdString("UR ± " + RangeCaption(rangeMv_, "mV", "V")));
    }

    std::vector<QPointF> pixels;
    std::size_t age = traces_.size();
    for (const Trace& trace : traces_) {
        // The newest block full white, each older one fainter.
        QColor colour = kTrace;
        colour.setAlpha(255 / static_cast<int>(age--));
        painter.setPen(QPen(colour, 1));
        pixels.resize(trace.size());
        std::transform(trace.begin(), trace.end(), pixels.begin(), [&](const QPointF& p) {
            return QPointF(std::round(centre.x() + p.x() * half),
                           std::round(centre.y() - p.y() * half));
        });
        painter.drawPolyline(pixels.data(), static_cast<int>(pixels.size()));
    }
}

} // namespace app
