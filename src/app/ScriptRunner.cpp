// SPDX-License-Identifier: MIT
#include "app/ScriptRunner.h"

#include "app/ErrorReport.h"
#include "app/TextFit.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
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

QLineEdit* EditOf(QWidget* control) {
    if (auto* box = qobject_cast<QComboBox*>(control)) {
        return box->lineEdit();
    }
    return qobject_cast<QLineEdit*>(control);
}

// The widget type each command acts on; empty = no control.
bool Fits(ScriptVerb verb, QWidget* control) {
    switch (verb) {
    case ScriptVerb::Click:
        return qobject_cast<QAbstractButton*>(control) != nullptr;
    case ScriptVerb::Select:
        return qobject_cast<QComboBox*>(control) != nullptr;
    case ScriptVerb::Type:
        return EditOf(control) != nullptr;
    case ScriptVerb::DoubleClick:
        return qobject_cast<QLineEdit*>(control) != nullptr;
    case ScriptVerb::Scroll:
        return qobject_cast<QScrollBar*>(control) != nullptr;
    case ScriptVerb::Expect:
        return qobject_cast<QAbstractButton*>(control) || qobject_cast<QComboBox*>(control) ||
               qobject_cast<QLineEdit*>(control) || qobject_cast<QLabel*>(control);
    default:
        return false;
    }
}

bool NamesControl(ScriptVerb verb) {
    return verb != ScriptVerb::Wait && verb != ScriptVerb::Menu && verb != ScriptVerb::Screenshot &&
           verb != ScriptVerb::CheckTexts && verb != ScriptVerb::Quit;
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

// The item a user picks: the one with exactly this text, otherwise the one at this index.
int ItemIndex(QComboBox* box, const std::string& item) {
    const int byText = box->findText(Text(item), Qt::MatchExactly);
    if (byText >= 0) {
        return byText;
    }
    bool isNumber = false;
    const int index = Text(item).toInt(&isNumber);
    return isNumber && index >= 0 && index < box->count() ? index : -1;
}

void Select(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
    emit box->textActivated(box->itemText(index));
}

// Typed keys: everything selected is replaced by the characters, one key event each, so the
// edit's validator and textEdited run as for a person at the keyboard.
void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    if (text.isEmpty()) {
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QCoreApplication::sendEvent(edit, &del);
    }
    for (const QChar character : text) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
        QCoreApplication::sendEvent(edit, &key);
    }
}

void DoubleClick(QWidget* control) {
    const QPointF local(control->width() / 2.0, control->height() / 2.0);
    QMouseEvent event(QEvent::MouseButtonDblClick, local, control->mapToGlobal(local),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(control, &event);
}

// A drag of the slider: pressed, moved to the position, released.
void Drag(QScrollBar* bar, int position) {
    bar->setSliderDown(true);
    bar->setSliderPosition(position);
    bar->setSliderDown(false);
}

} // namespace

std::string CheckScript(const std::vector<ScriptCommand>& commands, QMainWindow& window) {
    for (const ScriptCommand& command : commands) {
        const std::string at = "line " + std::to_string(command.line) + ": ";
        if (command.verb == ScriptVerb::Menu &&
            FindAction(window, command.arguments[0]) == nullptr) {
            return at + "no menu entry '" + command.arguments[0] + "'";
        }
        if (!NamesControl(command.verb)) {
            continue;
        }
        QWidget* control = FindControl(window, command.arguments[0]);
        if (control == nullptr) {
            return at + "no control '" + command.arguments[0] + "'";
        }
        if (!Fits(command.verb, control)) {
            return at + "'" + command.arguments[0] + "' is a " +
                   control->metaObject()->className() + " and cannot take this command";
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
std::string ScriptRunner::CheckTexts(const ScriptCommand& command) {
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
    const std::vector<std::string>& a = command.arguments;
    switch (command.verb) {
    case ScriptVerb::Wait:
        return {};
    case ScriptVerb::Quit:
        window_.close();
        return {};
    case ScriptVerb::Screenshot:
        return window_.centralWidget()->grab().save(Text(a[0]), "PNG")
                   ? std::string()
                   : "cannot save the screenshot '" + a[0] + "'";
    case ScriptVerb::CheckTexts:
        return CheckTexts(command);
    case ScriptVerb::Menu: {
        QAction* action = FindAction(window_, a[0]);
        if (!action->isEnabled() || !action->isVisible()) {
            return "the menu entry '" + a[0] + "' is disabled or hidden";
        }
        action->trigger();
        return {};
    }
    default:
        break;
    }
    QWidget* control = FindControl(window_, a[0]);
    if (command.verb == ScriptVerb::Expect) {
        const QString actual = ControlText(control);
        if (actual == Text(a[1])) {
            return {};
        }
        return "expected " + a[0] + " to show \"" + a[1] + "\", it shows \"" +
               actual.toStdString() + "\"";
    }
    if (!control->isVisibleTo(&window_) || !control->isEnabled()) {
        return "'" + a[0] + "' is hidden or disabled";
    }
    switch (command.verb) {
    case ScriptVerb::Click:
        qobject_cast<QAbstractButton*>(control)->click();
        break;
    case ScriptVerb::Select: {
        auto* box = qobject_cast<QComboBox*>(control);
        const int index = ItemIndex(box, a[1]);
        if (index < 0) {
            return "'" + a[0] + "' has no item '" + a[1] + "'";
        }
        Select(box, index);
        break;
    }
    case ScriptVerb::Type:
        Type(EditOf(control), Text(a[1]));
        break;
    case ScriptVerb::DoubleClick:
        DoubleClick(control);
        break;
    default: {
        auto* bar = qobject_cast<QScrollBar*>(control);
        if (command.number < bar->minimum() || command.number > bar->maximum()) {
            return "position " + a[1] + " is outside " + std::to_string(bar->minimum()) + ".." +
                   std::to_string(bar->maximum()) + " of '" + a[0] + "'";
        }
        Drag(bar, command.number);
    }
    }
    return {};
}

} // namespace app
