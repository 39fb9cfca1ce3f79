// SPDX-License-Identifier: MIT
#include "app/ClientArea.h"

#include "app/FramebufferCanvas.h"

#include <QPaintEvent>
#include <QPainter>

namespace app {

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
    painter.drawImage(event->rect(), canvas_->Image(), event->rect());
}

void ClientArea::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (onResized) {
        onResized();
    }
}

} // namespace app
