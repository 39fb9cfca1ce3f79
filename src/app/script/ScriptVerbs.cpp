// SPDX-License-Identifier: MIT
#include "app/script/ScriptVerbs.h"

#include "app/script/ScriptRunner.h"

namespace app {

namespace {

// Whether an entry can run at all: a named control or menu entry is the first argument, a
// number lies among the arguments, and only a control is handled.
constexpr bool WellFormed(const ScriptVerbEntry& entry) {
    return entry.numberAt < static_cast<int>(entry.arguments) &&
           (entry.target == ScriptTarget::Nothing || entry.arguments >= 1) &&
           (entry.target == ScriptTarget::Control) == !entry.needs.empty() &&
           (!entry.handles || entry.target == ScriptTarget::Control);
}

} // namespace

// A friend of ScriptRunner, so that the table reaches the runner's private performers.
std::span<const ScriptVerbEntry> ScriptVerbs() {
    using R = ScriptRunner;
    using T = ScriptTarget;
    static constexpr ScriptVerbEntry verbs[] = {
        {.name = "wait",
         .verb = ScriptVerb::Wait,
         .arguments = 1,
         .numberAt = 0,
         .perform = &R::PerformWait},
        {.name = "click",
         .verb = ScriptVerb::Click,
         .arguments = 1,
         .target = T::Control,
         .fits = {.button = true},
         .needs = "a button",
         .handles = true,
         .perform = &R::PerformClick},
        {.name = "select",
         .verb = ScriptVerb::Select,
         .arguments = 2,
         .target = T::Control,
         .fits = {.list = true, .listWithEdit = true},
         .needs = "a list",
         .handles = true,
         .perform = &R::PerformSelect},
        {.name = "type",
         .verb = ScriptVerb::Type,
         .arguments = 2,
         .target = T::Control,
         .fits = {.listWithEdit = true, .edit = true},
         .needs = "an edit field or a list with one",
         .handles = true,
         .perform = &R::PerformType},
        {.name = "dblclick",
         .verb = ScriptVerb::DoubleClick,
         .arguments = 1,
         .target = T::Control,
         .fits = {.edit = true},
         .needs = "an edit field",
         .handles = true,
         .perform = &R::PerformDoubleClick},
        {.name = "scroll",
         .verb = ScriptVerb::Scroll,
         .arguments = 2,
         .numberAt = 1,
         .target = T::Control,
         .fits = {.scrollBar = true},
         .needs = "a scroll bar",
         .handles = true,
         .perform = &R::PerformScroll},
        {.name = "menu",
         .verb = ScriptVerb::Menu,
         .arguments = 1,
         .target = T::MenuEntry,
         .perform = &R::PerformMenu},
        {.name = "screenshot",
         .verb = ScriptVerb::Screenshot,
         .arguments = 1,
         .perform = &R::PerformScreenshot},
        {.name = "expect",
         .verb = ScriptVerb::Expect,
         .arguments = 2,
         .target = T::Control,
         .fits = {.button = true, .list = true, .listWithEdit = true, .edit = true, .label = true},
         .needs = "a button, list, edit field or label",
         .perform = &R::PerformExpect},
        {.name = "checktexts", .verb = ScriptVerb::CheckTexts, .perform = &R::PerformCheckTexts},
        {.name = "quit", .verb = ScriptVerb::Quit, .perform = &R::PerformQuit},
        {.name = "report",
         .verb = ScriptVerb::Report,
         .arguments = 1,
         .perform = &R::PerformReport},
        {.name = "calibration", .verb = ScriptVerb::Calibration, .perform = &R::PerformCalibration},
        {.name = "windowshot",
         .verb = ScriptVerb::WindowShot,
         .arguments = 2,
         .perform = &R::PerformWindowShot},
        {.name = "spectrum",
         .verb = ScriptVerb::Spectrum,
         .arguments = 1,
         .perform = &R::PerformSpectrum},
    };
    static_assert(std::size(verbs) == static_cast<std::size_t>(ScriptVerb::Spectrum) + 1,
                  "one entry for each script verb");
    static_assert(
        [] {
            for (std::size_t i = 0; i < std::size(verbs); ++i) {
                if (verbs[i].verb != static_cast<ScriptVerb>(i) || !WellFormed(verbs[i])) {
                    return false;
                }
            }
            return true;
        }(),
        "the entries follow ScriptVerb's order, and each can run");
    return verbs;
}

const ScriptVerbEntry* FindScriptVerb(std::string_view name) {
    for (const ScriptVerbEntry& entry : ScriptVerbs()) {
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}

const ScriptVerbEntry& ScriptVerbOf(ScriptVerb verb) {
    return ScriptVerbs()[static_cast<std::size_t>(verb)];
}

} // namespace app
