// SPDX-License-Identifier: MIT
#include "app/program/DeviceNotice.h"

#include <QWidget>

#include <iostream>

namespace app {

const QString& DeviceNotice::TitleMark() {
    static const QString mark = QStringLiteral("   [zvuková karta nepracuje]");
    return mark;
}

void DeviceNotice::Show(bool working, const std::string& reason) {
    if (working) {
        std::cerr << "audio: the sound device works again\n";
        window_.setWindowTitle(title_);
        return;
    }
    std::cerr << "audio: the sound device stopped working (" << reason
              << "); the instrument shows its last block and resumes when the device returns\n";
    title_ = window_.windowTitle();
    window_.setWindowTitle(title_ + TitleMark());
}

} // namespace app
