// SPDX-License-Identifier: MIT
#pragma once

// A widget's picture kept as a PNG file (--screenshot at the close, the script's `screenshot`):
// made whole in memory, then written as one output file (platform::WriteWhole), so that a full
// disk or a size limit costs neither the earlier file nor a cut picture, and a FIFO at the path
// is refused, never waited for. Also the one PNG encoder of the plots written as files. Called
// on the UI thread.

#include <QByteArray>

#include <string>

class QImage;
class QWidget;

namespace app {

// The image as PNG bytes; empty when it cannot be encoded.
QByteArray PngBytes(const QImage& image);

// Returns the error naming the file and the system's cause, empty when the picture is on disk.
std::string SaveWidgetPicture(QWidget& widget, const std::string& path);

} // namespace app
