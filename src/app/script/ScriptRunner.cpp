// SPDX-License-Identifier: MIT
#include "app/script/ScriptRunner.h"

#include "app/script/ScriptEcho.h"
#include "app/widgets/TextFit.h"
#include "app/widgets/WidgetPicture.h"
#include "app/window/ErrorReport.h"
#include "app/window/TForm1.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <iostream>

namespace app {

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QString WithoutMnemonic(QString caption) {
    return caption.remove(QLatin1Char('&'));
}

// A menu entry by object name or by its caption path "menu/submenu/entry".
QAction* FindAction(QMainWindow& window, const std::string& entry) {
    const QString name = Text(entry);
    for (QAction* action : window.findChildren<QAction*>()) {
        if (action->objectName() == name) {
            return action;
        }
    }
    QList<QAction*> level = window.menuBar()->actions();
    QAction* found = nullptr;
    for (const QString& caption : name.split(QLatin1Char('/'))) {
        found = nullptr;
        for (QAction* action : level) {
            if (WithoutMnemonic(action->text()) == caption) {
                found = action;
            }
        }
        if (found == nullptr) {
            return nullptr;
        }
        level = found->menu() != nullptr ? found->menu()->actions() : QList<QAction*>();
    }
    return found;
}

std::string ControlKind(QWidget* control) {
    if (qobject_cast<QScrollBar*>(control) != nullptr) {
        return "a scroll bar";
    }
    if (auto* box = qobject_cast<QComboBox*>(control)) {
        return box->isEditable() ? "a list with an edit field" : "a list";
    }
    if (qobject_cast<QLineEdit*>(control) != nullptr) {
        return "an edit field";
    }
    if (qobject_cast<QAbstractButton*>(control) != nullptr) {
        return "a button";
    }
    if (qobject_cast<QLabel*>(control) != nullptr) {
        return "a label";
    }
    return "a panel";
}

// Whether the control is of a kind that the command fits.
bool Fits(const ControlKinds& fits, QWidget* control) {
    if (qobject_cast<QScrollBar*>(control) != nullptr) {
        return fits.scrollBar;
    }
    if (auto* box = qobject_cast<QComboBox*>(control)) {
        return box->isEditable() ? fits.listWithEdit : fits.list;
    }
    if (qobject_cast<QLineEdit*>(control) != nullptr) {
        return fits.edit;
    }
    if (qobject_cast<QAbstractButton*>(control) != nullptr) {
        return fits.button;
    }
    return qobject_cast<QLabel*>(control) != nullptr && fits.label;
}

QWidget* FindControl(QMainWindow& window, const std::string& name) {
    return window.findChild<QWidget*>(Text(name));
}

QString ControlText(QWidget* control) {
    if (auto* box = qobject_cast<QComboBox*>(control)) {
        return box->currentText();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        return edit->text();
    }
    if (auto* label = qobject_cast<QLabel*>(control)) {
        return label->text();
    }
    return qobject_cast<QAbstractButton*>(control)->text();
}

} // namespace

std::string CheckScript(const std::vector<ScriptCommand>& commands, QMainWindow& window) {
    for (const ScriptCommand& command : commands) {
        const std::string at = "line " + std::to_string(command.line) + ": ";
        const ScriptVerbEntry& entry = ScriptVerbOf(command.verb);
        if (entry.target == ScriptTarget::MenuEntry &&
            FindAction(window, command.arguments[0]) == nullptr) {
            return at + "no menu entry '" + Echo(command.arguments[0]) + "'";
        }
        if (entry.target != ScriptTarget::Control) {
            continue;
        }
        QWidget* control = FindControl(window, command.arguments[0]);
        if (control == nullptr) {
            return at + "no control '" + Echo(command.arguments[0]) + "'";
        }
        if (!Fits(entry.fits, control)) {
            return at + "'" + std::string(entry.name) + "' needs " + std::string(entry.needs) +
                   "; '" + command.arguments[0] + "' is " + ControlKind(control);
        }
    }
    return {};
}

ScriptRunner::ScriptRunner(std::vector<ScriptCommand> commands, QMainWindow& window)
    : commands_(std::move(commands)), window_(window) {}

ScriptRunner::~ScriptRunner() {
    SetScriptLine(0);
}

void ScriptRunner::Start() {
    QTimer::singleShot(0, this, [this] { RunNext(); });
}

void ScriptRunner::RunNext() {
    if (next_ >= commands_.size()) {
        SetScriptLine(0);
        return;
    }
    const ScriptCommand& command = commands_[next_++];
    SetScriptLine(command.line);
    const std::string error = Perform(command);
    if (!error.empty()) {
        Fail(command, error);
        return;
    }
    if (command.verb == ScriptVerb::Quit) {
        return;
    }
    const int delay = command.verb == ScriptVerb::Wait ? command.number : 0;
    QTimer::singleShot(delay, this, [this] { RunNext(); });
}

// The figures go to standard error also when every text fits, so a run shows how close it came.
std::string ScriptRunner::PerformCheckTexts(const ScriptCommand& command, QWidget*) {
    const std::vector<TextRoom> rooms = MeasureTextRoom(window_);
    const std::string description = DescribeTextRoom(rooms);
    const bool whole = !rooms.empty() && std::all_of(rooms.begin(), rooms.end(),
                                                     [](const TextRoom& r) { return r.Fits(); });
    if (!whole) {
        return description;
    }
    std::cerr << "osciloskop: script line " << command.line << ": " << description << std::endl;
    return {};
}

void ScriptRunner::Fail(const ScriptCommand& command, const std::string& message) {
    std::cerr << "osciloskop: script line " << command.line << ": " << message << std::endl;
    exitCode_ = 1;
    window_.close();
}

std::string ScriptRunner::Perform(const ScriptCommand& command) {
    const ScriptVerbEntry& entry = ScriptVerbOf(command.verb);
    QWidget* control = entry.target == ScriptTarget::Control
                           ? FindControl(window_, command.arguments[0])
                           : nullptr;
    if (entry.handles && (!control->isVisibleTo(&window_) || !control->isEnabled())) {
        return "'" + command.arguments[0] + "' is hidden or disabled";
    }
    return (this->*entry.perform)(command, control);
}

std::string ScriptRunner::PerformWait(const ScriptCommand&, QWidget*) {
    return {};
}

std::string ScriptRunner::PerformQuit(const ScriptCommand&, QWidget*) {
    window_.close();
    return {};
}

std::string ScriptRunner::PerformScreenshot(const ScriptCommand& command, QWidget*) {
    const std::string& file = command.arguments[0];
    return SaveWidgetPicture(*window_.centralWidget(), file);
}

// A window of its own (the analysis window), whole, as the user sees it while it is open.
std::string ScriptRunner::PerformWindowShot(const ScriptCommand& command, QWidget*) {
    const std::string& name = command.arguments[0];
    const std::string& file = command.arguments[1];
    auto* window = window_.findChild<QWidget*>(Text(name));
    if (window == nullptr || !window->isWindow()) {
        return "no window '" + Echo(name) + "'";
    }
    if (!window->isVisible()) {
        return "the window '" + Echo(name) + "' is not open";
    }
    return SaveWidgetPicture(*window, file);
}

std::string ScriptRunner::PerformReport(const ScriptCommand& command, QWidget*) {
    return reportWriter_ ? reportWriter_(command.arguments[0])
                         : "no frequency response is being recorded";
}

std::string ScriptRunner::PerformSpectrum(const ScriptCommand& command, QWidget*) {
    return spectrumWriter_ ? spectrumWriter_(command.arguments[0])
                           : "no spectrum is being recorded";
}

// On standard error, beside the start-up note, so that a log on standard output stays plain CSV.
std::string ScriptRunner::PerformCalibration(const ScriptCommand&, QWidget*) {
    if (const auto* form = dynamic_cast<const TForm1*>(&window_)) {
        std::cerr << measure::FactorsInForceText(form->model.levelCalibration) << std::endl;
        return {};
    }
    return "this window has no level calibration";
}

std::string ScriptRunner::PerformMenu(const ScriptCommand& command, QWidget*) {
    const std::string& entry = command.arguments[0];
    QAction* action = FindAction(window_, entry);
    if (!action->isEnabled() || !action->isVisible()) {
        return "the menu entry '" + Echo(entry) + "' is disabled or hidden";
    }
    action->trigger();
    return {};
}

std::string ScriptRunner::PerformExpect(const ScriptCommand& command, QWidget* control) {
    const std::vector<std::string>& a = command.arguments;
    const QString actual = ControlText(control);
    if (actual == Text(a[1])) {
        return {};
    }
    return "expected " + a[0] + " to show \"" + Echo(a[1]) + "\", it shows \"" +
           Echo(actual.toStdString()) + "\"";
}

} // namespace app
