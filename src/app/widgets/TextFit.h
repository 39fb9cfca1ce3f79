// SPDX-License-Identifier: MIT
#pragma once

// Whether a window's controls show their whole texts: for every visible edit, list-only drop-down
// box, button, radio button and label with a text, the pixels the text needs in the control's
// font against the rectangle its style draws the text into. An editable drop-down box shows its
// text through its edit field, which is measured as an edit and known by the box's name. Used
// by the window's tests and by the script command `checktexts`, on the UI thread, once the window
// is laid out.

#include <QString>

#include <string>
#include <vector>

class QWidget;

namespace app {

struct TextRoom {
    std::string control;
    // The text up to its last visible character, without mnemonic marks.
    QString text;
    // Pixels the text needs and pixels its control gives it.
    int textWidth = 0;
    int textHeight = 0;
    int areaWidth = 0;
    int areaHeight = 0;

    bool Fits() const { return textWidth <= areaWidth && textHeight <= areaHeight; }
};

// Every visible control of `window` with a text, in the order of its children.
std::vector<TextRoom> MeasureTextRoom(QWidget& window);

// One line: "N texts whole, the tightest NAME "TEXT" with P px to spare" when every text fits,
// otherwise "cut: NAME "TEXT" needs W x H px, has W x H px; ..." for each cut one.
std::string DescribeTextRoom(const std::vector<TextRoom>& rooms);

} // namespace app
