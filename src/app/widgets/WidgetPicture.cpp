// SPDX-License-Identifier: MIT
#include "app/widgets/WidgetPicture.h"

#include "platform/OutputFile.h"

#include <QBuffer>
#include <QPixmap>
#include <QWidget>

namespace app {

std::string SaveWidgetPicture(QWidget& widget, const std::string& path) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!widget.grab().save(&buffer, "PNG")) {
        return "cannot save the screenshot '" + path + "': the picture could not be encoded";
    }
    return platform::WriteWhole(path, {png.constData(), static_cast<std::size_t>(png.size())});
}

} // namespace app
