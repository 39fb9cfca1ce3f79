// SPDX-License-Identifier: MIT
#pragma once

// The window's client area: the black oscilloscope screen that carries the controls. It only
// shows the framebuffer; it draws nothing of its own. UI thread only.

#include <QWidget>

#include <functional>

namespace app {

class FramebufferCanvas;

class ClientArea final : public QWidget {
public:
    explicit ClientArea(QWidget* parent = nullptr);

    // The framebuffer to show; set once the canvas exists.
    void SetFramebuffer(FramebufferCanvas* canvas) { canvas_ = canvas; }
    // Runs after every change of the widget's size.
    std::function<void()> onResized;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    FramebufferCanvas* canvas_ = nullptr;
};

} // namespace app
