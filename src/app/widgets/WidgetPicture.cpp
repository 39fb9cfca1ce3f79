// SPDX-License-Identifier: MIT
#include "app/widgets/WidgetPicture.h"

#include "platform/OutputFile.h"

#include <QBuffer>
#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace app {

QByteArray PngBytes(const QImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
        return {};
    }
    return png;
}

std::string SaveWidgetPicture(QWidget& widget, const std::string& path) {
    const QByteArray png = PngBytes(widget.grab().toImage());
    if (png.isEmpty()) {
        return "cannot save the screenshot '" + path + "': the picture could not be encoded";
    }
    return platform::WriteWhole(path, {png.constData(), static_cast<std::size_t>(png.size())});
}

} // namespace app
