// SPDX-License-Identifier: MIT
#include "app/program/FontCheck.h"

#include <QFontInfo>

namespace app {

std::optional<std::string> MissingFontNotice(const QFont& wanted, const std::string& package) {
    // QFont keeps the family asked for; only QFontInfo tells the one the font system matched.
    const QString matched = QFontInfo(wanted).family();
    if (matched.compare(wanted.family(), Qt::CaseInsensitive) == 0) {
        return std::nullopt;
    }
    return "the font '" + wanted.family().toStdString() +
           "' is missing; texts may be cut - install " + package;
}

} // namespace app
