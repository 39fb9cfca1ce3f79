// SPDX-License-Identifier: MIT
#pragma once

// The window's canvas: a persistent image of the client area's size that the drawing routines
// change at once, pixel for pixel (no antialiasing, whole-pixel pens). Every drawing call
// schedules a coalesced update of the damaged part of the widget that shows the image, unless
// updates are held; erasing fills it black. UI thread only.

#include "app/widgets/LabelStamps.h"
#include "display/Canvas.h"
#include "display/PixelLine.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>

class QWidget;

namespace app {

class FramebufferCanvas final : public display::Canvas {
public:
    // `view` shows the image and is asked to update after drawing; it must outlive the canvas.
    FramebufferCanvas(QWidget& view, QSize size);
    ~FramebufferCanvas() override;

    void SetPenColor(display::Rgb color) override;
    void SetPenWidth(int width) override;
    void SetFontColor(display::Rgb color) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void TextOut(int x, int y, std::string_view text) override;
    int ClientWidth() const override { return image_.width(); }
    int ClientHeight() const override { return image_.height(); }

    // The font TextOut writes with.
    void SetFont(const QFont& font);
    // A new, black image of `size`; what was drawn is gone.
    void Resize(QSize size);
    // Fills the whole image black.
    void Erase();
    // From now on drawing only collects the damaged region. ReleaseUpdates keeps it to be
    // presented if the batch `changed` what is on the screen, and presents what the batches
    // kept at the `lastOfRun` batch of a run (or after a few batches).
    void HoldUpdates();
    void ReleaseUpdates(bool changed, bool lastOfRun);
    // Whether anything was drawn or erased outside a held batch since the last HoldUpdates.
    bool ChangedOutsideBatches() const { return changedOutsideBatches_; }
    // The image with every drawing call so far applied.
    const QImage& Image();
    display::Rgb PixelAt(int x, int y);

private:
    QPainter& Painter();
    void PaintLine(QPoint start, QPoint end);
    void EndPainting();
    display::PixelImage Pixels();
    void Damage(const QRect& rect);

    QWidget& view_;
    QImage image_;
    QPainter painter_;
    display::Rgb penColor_ = display::kBlack;
    QColor fontColor_{Qt::black};
    int penWidth_ = 1;
    bool penChanged_ = true;     // the painter's pen is not yet the one set here
    display::PixelImage pixels_; // the image's pixels while no copy can share them; or none
    QPoint position_;
    QFont font_;
    LabelStamps labels_;
    bool holdingUpdates_ = false;
    bool erasedWhileHeld_ = false;
    bool changedOutsideBatches_ = true;
    QRect damaged_;
    static constexpr int kMostBatchesPending = 3;
    QRect pending_; // damage kept from the batches since the last present
    int batchesPending_ = 0;
};

} // namespace app
