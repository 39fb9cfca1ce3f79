// SPDX-License-Identifier: MIT
#pragma once

// Labels of the oscilloscope screen as ready pixels. The scales and the time axis write the
// same few dozen labels on every pass; laying out and rasterising each one with the painter
// costs more than drawing all the traces. A stamp is what the painter wrote for one label, taken
// once on a scratch image, and is then copied pixel for pixel. UI thread only.

#include "display/PixelLine.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace app {

// Writes `text` as the canvas does: the text cell (advance by line height) with its top-left
// corner at `corner` filled black, then the glyphs in `color` in the painter's font, which must
// be `font`. Returns the cell.
QRect PaintLabel(QPainter& painter, const QFont& font, QPoint corner, const QString& text,
                 const QColor& color);

// The pixels PaintLabel sets, relative to the cell's corner.
struct LabelStamp {
    QRect bounds;                      // everything written, glyphs beyond the cell included
    std::vector<std::uint32_t> pixels; // bounds' pixels row by row; 0 where nothing is written

    // Copies the stamp with the cell's corner at (x, y); `bounds` moved there must lie inside
    // the image.
    void WriteTo(const display::PixelImage& image, int x, int y) const;
};

class LabelStamps {
public:
    // The font every stamp is taken in; forgets the stamps of the previous one.
    void SetFont(const QFont& font);
    // The stamp of `text` in `color`, or null where the painter wrote pixels that are neither
    // black nor `color` (smoothed glyphs), which a copy would not reproduce over other pixels.
    const LabelStamp* Find(const QString& text, const QColor& color);

private:
    static constexpr std::size_t kMostStamps = 512; // the screen's labels, with room to spare

    QFont font_;
    std::unordered_map<std::string, std::optional<LabelStamp>> stamps_;
};

} // namespace app
