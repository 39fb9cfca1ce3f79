// SPDX-License-Identifier: MIT
#pragma once

// The window is laid out to the pixel for the font it asks for; where a machine lacks that font,
// the fallback it gets instead is wider and texts are cut. main() checks the window's font once
// at start-up, on the UI thread after the application exists, and passes the notice on to the
// user, who can install the missing package.

#include <QFont>

#include <optional>
#include <string>

namespace app {

// "the font 'FAMILY' is missing; texts may be cut - install PACKAGE" when the font the machine
// matches to `wanted` is of another family; nothing when it has the family asked for.
std::optional<std::string> MissingFontNotice(const QFont& wanted, const std::string& package);

} // namespace app
