// SPDX-License-Identifier: MIT
#pragma once

// A widget's picture kept as a PNG file (--screenshot at the close, the script's `screenshot`):
// made whole in memory, then written as one output file (platform::WriteWhole), so that a full
// disk or a size limit costs neither the earlier file nor a cut picture, and a FIFO at the path
// is refused, never waited for. Called on the UI thread.

#include <string>

class QWidget;

namespace app {

// Returns the error naming the file and the system's cause, empty when the picture is on disk.
std::string SaveWidgetPicture(QWidget& widget, const std::string& path);

} // namespace app
