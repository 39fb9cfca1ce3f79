// SPDX-License-Identifier: MIT
#pragma once

// Every command of the script language in one table: its word, its arguments, what its first
// argument names, the kinds of control it fits, and the runner's member that performs it. The
// parser reads the syntax from this table, the check before the window opens reads what a
// command names, and the runner reads how to perform it, so a new command is one new entry.

#include "app/script/Script.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

class QWidget;

namespace app {

class ScriptRunner;

// What the first argument of a command names in the window.
enum class ScriptTarget { Nothing, Control, MenuEntry };

// The kinds of control a user tells apart; a command acts on some of them.
struct ControlKinds {
    bool button = false;
    // A combo box without an edit field, and one with.
    bool list = false;
    bool listWithEdit = false;
    bool edit = false;
    bool scrollBar = false;
    bool label = false;
};

struct ScriptVerbEntry {
    std::string_view name;
    ScriptVerb verb = ScriptVerb::Quit;
    std::size_t arguments = 0;
    // Index of the argument that must be a whole number, kept in ScriptCommand::number, or -1.
    int numberAt = -1;
    ScriptTarget target = ScriptTarget::Nothing;
    // For a control: the kinds the command fits, and the same in words for messages.
    ControlKinds fits{};
    std::string_view needs{};
    // Whether the control must be shown and enabled, as it must be for a user's hand; a command
    // that only reads it needs neither.
    bool handles = false;
    // Performs the command; `control` is the control it names, null when it names none. Returns
    // an error text, empty on success.
    std::string (ScriptRunner::*perform)(const ScriptCommand& command, QWidget* control) = nullptr;
};

// The whole table, one entry for each ScriptVerb in its order.
std::span<const ScriptVerbEntry> ScriptVerbs();

// The entry whose word is `name` (case matters), null when there is none.
const ScriptVerbEntry* FindScriptVerb(std::string_view name);

const ScriptVerbEntry& ScriptVerbOf(ScriptVerb verb);

} // namespace app
