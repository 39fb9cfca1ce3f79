// SPDX-License-Identifier: MIT
#pragma once

// The script language that drives the window as a user would: one command a line, '#' starts a
// comment, blank lines are ignored, arguments with blanks go in double quotes (a quote or a
// backslash inside them is written \" or \\). Parsing is pure so that it is checked whole
// before the window opens; the names of controls are checked later against the window itself.

#include <string>
#include <string_view>
#include <vector>

namespace app {

// The commands; each has its word, arguments and action in ScriptVerbs.h, in this order.
enum class ScriptVerb {
    Wait,
    Click,
    Select,
    Type,
    DoubleClick,
    Scroll,
    Menu,
    Screenshot,
    Expect,
    CheckTexts,
    Quit,
    Report,
    Calibration,
    WindowShot,
    Spectrum
};

struct ScriptCommand {
    int line = 0;
    ScriptVerb verb = ScriptVerb::Quit;
    // The control, menu entry or file first, then the item, text or number as written.
    std::vector<std::string> arguments;
    // Milliseconds of `wait`, position of `scroll`.
    int number = 0;
};

struct ParsedScript {
    std::vector<ScriptCommand> commands;
    // "line N: what is wrong"; empty when the whole script is valid.
    std::string error;
};

ParsedScript ParseScript(std::string_view text);

} // namespace app
