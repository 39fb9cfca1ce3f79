// SPDX-License-Identifier: MIT
#include "app/widgets/ClientArea.h"

#include "app/widgets/FramebufferCanvas.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace app {

namespace {

constexpr int kBandPixels = 8192;

} // namespace

ClientArea::ClientArea(QWidget* parent) : QWidget(parent) {
    // The framebuffer covers every pixel, so Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
}

void ClientArea::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (canvas_ == nullptr) {
        painter.fillRect(event->rect(), Qt::black);
        return;
    }
    // Copied in bands of a few thousand pixels: under a clip region the painter spreads a
    // larger copy over worker threads, whose wake-ups cost more than the copy itself.
    const QImage& image = canvas_->Image();
    const QRect area = event->rect();
    const int rows = std::max(1, kBandPixels / std::max(1, area.width()));
    for (int top = area.top(); top <= area.bottom(); top += rows) {
        const QRect band(area.left(), top, area.width(), std::min(rows, area.bottom() + 1 - top));
        painter.drawImage(band, image, band);
    }
}

void ClientArea::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (onResized) {
        onResized();
    }
}

} // namespace app
