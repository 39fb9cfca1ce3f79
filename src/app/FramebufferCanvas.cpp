// SPDX-License-Identifier: MIT
#include "app/FramebufferCanvas.h"

#include <QFontMetrics>
#include <QPen>
#include <QWidget>

namespace app {

namespace {

QColor ToQColor(display::Rgb color) {
    return QColor(color.red, color.green, color.blue);
}

} // namespace

FramebufferCanvas::FramebufferCanvas(QWidget& view, QSize size)
    : view_(view), image_(size, QImage::Format_RGB32) {
    image_.fill(Qt::black);
}

FramebufferCanvas::~FramebufferCanvas() {
    EndPainting();
}

void FramebufferCanvas::SetPenColor(display::Rgb color) {
    penColor_ = ToQColor(color);
}

void FramebufferCanvas::SetPenWidth(int width) {
    penWidth_ = width < 1 ? 1 : width;
}

void FramebufferCanvas::SetFontColor(display::Rgb color) {
    fontColor_ = ToQColor(color);
}

void FramebufferCanvas::MoveTo(int x, int y) {
    position_ = QPoint(x, y);
}

void FramebufferCanvas::LineTo(int x, int y) {
    const QPoint end(x, y);
    QPainter& painter = Painter();
    // A one-pixel pen is cosmetic and covers both end points; wider pens are square so that
    // their ends are whole pixels too.
    QPen pen(penColor_, penWidth_ == 1 ? 0 : penWidth_, Qt::SolidLine, Qt::SquareCap);
    painter.setPen(pen);
    if (end == position_) {
        painter.drawPoint(end);
    } else {
        painter.drawLine(position_, end);
    }
    position_ = end;
    view_.update();
}

void FramebufferCanvas::TextOut(int x, int y, std::string_view text) {
    const QString string = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    QPainter& painter = Painter();
    const QFontMetrics metrics(font_);
    const QRect cell(x, y, metrics.horizontalAdvance(string), metrics.height());
    painter.fillRect(cell, Qt::black);
    painter.setPen(fontColor_);
    painter.drawText(QPoint(x, y + metrics.ascent()), string);
    view_.update();
}

void FramebufferCanvas::SetFont(const QFont& font) {
    font_ = font;
    if (painter_.isActive()) {
        painter_.setFont(font_);
    }
}

void FramebufferCanvas::Resize(QSize size) {
    EndPainting();
    image_ = QImage(size, QImage::Format_RGB32);
    image_.fill(Qt::black);
    view_.update();
}

void FramebufferCanvas::Erase() {
    EndPainting();
    image_.fill(Qt::black);
    view_.update();
}

const QImage& FramebufferCanvas::Image() {
    EndPainting();
    return image_;
}

display::Rgb FramebufferCanvas::PixelAt(int x, int y) {
    const QRgb pixel = Image().pixel(x, y);
    return {static_cast<std::uint8_t>(qRed(pixel)), static_cast<std::uint8_t>(qGreen(pixel)),
            static_cast<std::uint8_t>(qBlue(pixel))};
}

// One painter stays open across drawing calls, since a cycle draws thousands of segments; it is
// closed whenever the image is read, resized or filled.
QPainter& FramebufferCanvas::Painter() {
    if (!painter_.isActive()) {
        painter_.begin(&image_);
        painter_.setRenderHint(QPainter::Antialiasing, false);
        painter_.setRenderHint(QPainter::TextAntialiasing, false);
        painter_.setFont(font_);
    }
    return painter_;
}

void FramebufferCanvas::EndPainting() {
    if (painter_.isActive()) {
        painter_.end();
    }
}

} // namespace app
