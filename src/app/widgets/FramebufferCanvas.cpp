// SPDX-License-Identifier: MIT
#include "app/widgets/FramebufferCanvas.h"

#include <QPen>
#include <QWidget>

#include <algorithm>

namespace app {

namespace {

QColor ToQColor(display::Rgb color) {
    return QColor(color.red, color.green, color.blue);
}

std::uint32_t PixelOf(display::Rgb color) {
    return qRgb(color.red, color.green, color.blue);
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
    penColor_ = color;
    penChanged_ = true;
}

void FramebufferCanvas::SetPenWidth(int width) {
    penWidth_ = width < 1 ? 1 : width;
    penChanged_ = true;
}

void FramebufferCanvas::SetFontColor(display::Rgb color) {
    fontColor_ = ToQColor(color);
}

void FramebufferCanvas::MoveTo(int x, int y) {
    position_ = QPoint(x, y);
}

void FramebufferCanvas::LineTo(int x, int y) {
    const QPoint start = position_;
    position_ = QPoint(x, y);
    // A line covers nothing beyond its ends' rectangle widened by the pen; the traces run on
    // past the right edge, and their segments there cost nothing. Plain integers here: a
    // display cycle draws some four thousand segments.
    const int reach = penWidth_ / 2 + 1;
    const QRect area(QPoint(std::min(start.x(), x) - reach, std::min(start.y(), y) - reach),
                     QPoint(std::max(start.x(), x) + reach, std::max(start.y(), y) + reach));
    const display::PixelImage pixels = Pixels();
    if (area.right() < 0 || area.bottom() < 0 || area.left() >= pixels.width ||
        area.top() >= pixels.height) {
        return;
    }
    // One-pixel lines inside the image, nearly all a display cycle draws, are written
    // directly; the painter draws the rest, as it clips and widens them its own way.
    if (penWidth_ == 1 && pixels.Contains(start.x(), start.y()) && pixels.Contains(x, y)) {
        display::DrawPixelLine(pixels, start.x(), start.y(), x, y, PixelOf(penColor_));
    } else {
        PaintLine(start, position_);
    }
    Damage(area);
}

void FramebufferCanvas::PaintLine(QPoint start, QPoint end) {
    QPainter& painter = Painter();
    // The painter's pen is replaced only when it changed: a cycle draws thousands of segments.
    if (penChanged_) {
        // A one-pixel pen is cosmetic and covers both end points; wider pens are square so
        // that their ends are whole pixels too.
        painter.setPen(QPen(ToQColor(penColor_), penWidth_ == 1 ? 0 : penWidth_, Qt::SolidLine,
                            Qt::SquareCap));
        penChanged_ = false;
    }
    if (end == start) {
        painter.drawPoint(end);
    } else {
        painter.drawLine(start, end);
    }
}

void FramebufferCanvas::TextOut(int x, int y, std::string_view text) {
    const QString string = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const LabelStamp* stamp = labels_.Find(string, fontColor_);
    if (stamp != nullptr && image_.rect().contains(stamp->bounds.translated(x, y))) {
        stamp->WriteTo(Pixels(), x, y);
        Damage(stamp->bounds.translated(x, y));
        return;
    }
    Damage(PaintLabel(Painter(), font_, QPoint(x, y), string, fontColor_));
    penChanged_ = true;
}

void FramebufferCanvas::HoldUpdates() {
    holdingUpdates_ = true;
    changedOutsideBatches_ = false;
    damaged_ = QRect();
}

void FramebufferCanvas::ReleaseUpdates(bool changed, bool lastOfRun) {
    holdingUpdates_ = false;
    if ((changed || erasedWhileHeld_) && !damaged_.isNull()) {
        pending_ |= damaged_;
    }
    damaged_ = QRect();
    erasedWhileHeld_ = false;
    // The batches of one run are shown together, as the screen of its last one; a run that
    // goes on is still shown every few batches.
    if (!pending_.isNull() && (lastOfRun || ++batchesPending_ >= kMostBatchesPending)) {
        view_.update(pending_);
        pending_ = QRect();
        batchesPending_ = 0;
    }
}

void FramebufferCanvas::Damage(const QRect& rect) {
    if (holdingUpdates_) {
        damaged_ = damaged_.isNull() ? rect
                                     : QRect(QPoint(std::min(damaged_.left(), rect.left()),
                                                    std::min(damaged_.top(), rect.top())),
                                             QPoint(std::max(damaged_.right(), rect.right()),
                                                    std::max(damaged_.bottom(), rect.bottom())));
    } else {
        changedOutsideBatches_ = true;
        view_.update(rect);
    }
}

void FramebufferCanvas::SetFont(const QFont& font) {
    font_ = font;
    // Whole pixels only: smoothed glyph edges would blend into what is already there, so
    // writing the same label again would brighten its edges pass after pass.
    font_.setStyleStrategy(QFont::NoAntialias);
    labels_.SetFont(font_);
    if (painter_.isActive()) {
        painter_.setFont(font_);
    }
}

void FramebufferCanvas::Resize(QSize size) {
    EndPainting();
    image_ = QImage(size, QImage::Format_RGB32);
    image_.fill(Qt::black);
    changedOutsideBatches_ = true;
    view_.update();
}

void FramebufferCanvas::Erase() {
    EndPainting();
    image_.fill(Qt::black);
    Damage(image_.rect());
    // What the screen shows may now be the black image, whatever the batch ends with.
    erasedWhileHeld_ = holdingUpdates_;
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
        penChanged_ = true;
    }
    return painter_;
}

void FramebufferCanvas::EndPainting() {
    if (painter_.isActive()) {
        painter_.end();
    }
    pixels_ = {};
}

// The pixels stay valid until the image is read, resized or filled: only then can a copy of it
// exist, and bits() separates the image from any copy before it is written.
display::PixelImage FramebufferCanvas::Pixels() {
    if (pixels_.pixels == nullptr) {
        pixels_ = {reinterpret_cast<std::uint32_t*>(image_.bits()),
                   image_.bytesPerLine() / static_cast<std::ptrdiff_t>(sizeof(std::uint32_t)),
                   image_.width(), image_.height()};
    }
    return pixels_;
}

} // namespace app
