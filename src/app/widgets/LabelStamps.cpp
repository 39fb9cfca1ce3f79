// SPDX-License-Identifier: MIT
#include "app/widgets/LabelStamps.h"

#include <QFontMetrics>
#include <QImage>

#include <cstring>

namespace app {

namespace {

// Written pixels are opaque; a stamp marks the unwritten ones with 0.
constexpr std::uint32_t kUnwritten = 0;
// A scratch colour that PaintLabel never writes in `color` or black.
QRgb ScratchColourBeside(const QColor& color) {
    const QRgb first = qRgb(0x12, 0x34, 0x56);
    return color.rgb() == first ? qRgb(0x65, 0x43, 0x21) : first;
}

// The stamp of one label, or none where the painter wrote other colours than black and `color`.
std::optional<LabelStamp> TakeStamp(const QFont& font, const QString& text, const QColor& color) {
    const QFontMetrics metrics(font);
    // Glyphs may reach beyond the cell; a margin of a line height on every side holds them.
    const int margin = metrics.height();
    const QSize cell(metrics.horizontalAdvance(text), metrics.height());
    QImage scratch(cell.grownBy(QMargins(margin, margin, margin, margin)), QImage::Format_RGB32);
    const QRgb background = ScratchColourBeside(color);
    scratch.fill(background);
    {
        QPainter painter(&scratch);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setFont(font);
        PaintLabel(painter, font, QPoint(margin, margin), text, color);
    }
    QRect written;
    for (int y = 0; y < scratch.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
        for (int x = 0; x < scratch.width(); ++x) {
            if (row[x] == background) {
                continue;
            }
            if (row[x] != qRgb(0, 0, 0) && row[x] != color.rgb()) {
                return std::nullopt;
            }
            written |= QRect(x, y, 1, 1);
        }
    }
    LabelStamp stamp;
    stamp.bounds = written.translated(-margin, -margin);
    for (int y = written.top(); y <= written.bottom(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
        for (int x = written.left(); x <= written.right(); ++x) {
            stamp.pixels.push_back(row[x] == background ? kUnwritten : row[x]);
        }
    }
    return stamp;
}

} // namespace

QRect PaintLabel(QPainter& painter, const QFont& font, QPoint corner, const QString& text,
                 const QColor& color) {
    const QFontMetrics metrics(font);
    const QRect cell(corner, QSize(metrics.horizontalAdvance(text), metrics.height()));
    painter.fillRect(cell, Qt::black);
    painter.setPen(color);
    painter.drawText(QPoint(corner.x(), corner.y() + metrics.ascent()), text);
    return cell;
}

void LabelStamp::WriteTo(const display::PixelImage& image, int x, int y) const {
    const std::uint32_t* from = pixels.data();
    for (int row = 0; row < bounds.height(); ++row) {
        std::uint32_t* to =
            image.pixels + (y + bounds.top() + row) * image.stride + x + bounds.left();
        for (int column = 0; column < bounds.width(); ++column, ++from) {
            if (*from != kUnwritten) {
                to[column] = *from;
            }
        }
    }
}

void LabelStamps::SetFont(const QFont& font) {
    font_ = font;
    stamps_.clear();
}

const LabelStamp* LabelStamps::Find(const QString& text, const QColor& color) {
    std::string key = text.toStdString();
    const QRgb rgb = color.rgb();
    key.append(reinterpret_cast<const char*>(&rgb), sizeof rgb);
    auto found = stamps_.find(key);
    if (found == stamps_.end()) {
        if (stamps_.size() >= kMostStamps) {
            stamps_.clear();
        }
        found = stamps_.emplace(std::move(key), TakeStamp(font_, text, color)).first;
    }
    return found->second ? &*found->second : nullptr;
}

} // namespace app
