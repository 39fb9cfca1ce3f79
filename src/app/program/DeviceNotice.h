// SPDX-License-Identifier: MIT
#pragma once

// Tells the user, once per change, that the sound device stopped working and that it works
// again: a line on standard error and a mark in the window's title, so that nothing stacks up
// or waits for a click while the instrument goes on showing its last block.

#include <QString>

#include <string>

class QWidget;

namespace app {

class DeviceNotice {
public:
    explicit DeviceNotice(QWidget& window) : window_(window) {}

    void Show(bool working, const std::string& reason);

    // Appended to the window's title while the device does not work.
    static const QString& TitleMark();

private:
    QWidget& window_;
    QString title_; // the title without the mark
};

} // namespace app
