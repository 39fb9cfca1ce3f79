// SPDX-License-Identifier: MIT
#include "app/script/ScriptRunner.h"

#include "app/script/ScriptEcho.h"
#include "app/widgets/TextFit.h"
#include "app/window/ErrorReport.h"
#include "app/window/TForm1.h"

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

// The command's word, for messages.
std::string VerbName(ScriptVerb verb) {
    switch (verb) {
    case ScriptVerb::Click:
        return "click";
    case ScriptVerb::Select:
        return "select";
    case ScriptVerb::Type:
        return "type";
    case ScriptVerb::DoubleClick:
        return "dblclick";
    case ScriptVerb::Scroll:
        return "scroll";
    default:
        return "expect";
    }
}

// What a command that names a control acts on, as the user sees such controls.
std::string NeededKind(ScriptVerb verb) {
    switch (verb) {
    case ScriptVerb::Click:
        return "a button";
    case ScriptVerb::Select:
        return "a list";
    case ScriptVerb::Type:
        return "an edit field or a list with one";
    case ScriptVerb::DoubleClick:
        return "an edit field";
    case ScriptVerb::Scroll:
        return "a scroll bar";
    default:
        return "a button, list, edit field or label";
    }
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

bool NamesControl(ScriptVerb verb) {
    return verb != ScriptVerb::Wait && verb != ScriptVerb::Menu && verb != ScriptVerb::Screenshot &&
           verb != ScriptVerb::CheckTexts && verb != ScriptVerb::Quit &&
           verb != ScriptVerb::Report && verb != ScriptVerb::Calibration;
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

// Whether a key can type the character: the edit refuses the others (control characters) from
// a keyboard.
bool Typeable(char32_t character) {
    const QChar::Category category = QChar::category(character);
    return QChar::isPrint(character) || category == QChar::Other_Format ||
           category == QChar::Other_PrivateUse;
}

void SendKey(QLineEdit* edit, const QString& text) {
    QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QCoreApplication::sendEvent(edit, &key);
}

// Typed keys: everything selected is replaced by the characters, through key events, so the
// edit's length limit and textEdited run as for a person at the keyboard. A run of
// typeable characters goes in one event, as an input method commits a word: one event per
// character would make the edit lay out its whole text for each, time quadratic in its length.
// Each character no key types goes alone, and the edit refuses it as it would from a keyboard.
void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    if (text.isEmpty()) {
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QCoreApplication::sendEvent(edit, &del);
    }
    qsizetype runStart = 0;
    qsizetype position = 0;
    for (const char32_t character : text.toUcs4()) {
        const qsizetype width = QChar::requiresSurrogates(character) ? 2 : 1;
        if (!Typeable(character)) {
            if (position > runStart) {
                SendKey(edit, text.mid(runStart, position - runStart));
            }
            SendKey(edit, text.mid(position, width));
            runStart = position + width;
        }
        position += width;
    }
    if (position > runStart) {
        SendKey(edit, text.mid(runStart));
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
            return at + "no menu entry '" + Echo(command.arguments[0]) + "'";
        }
        if (!NamesControl(command.verb)) {
            continue;
        }
        QWidget* control = FindControl(window, command.arguments[0]);
        if (control == nullptr) {
            return at + "no control '" + Echo(command.arguments[0]) + "'";
        }
        if (!Fits(command.verb, control)) {
            return at + "'" + VerbName(command.verb) + "' needs " + NeededKind(command.verb) +
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
                   : "cannot save the screenshot '" + Echo(a[0]) + "'";
    case ScriptVerb::Report:
        return reportWriter_ ? reportWriter_(a[0]) : "no frequency response is being recorded";
    case ScriptVerb::Calibration:
        // On standard error, beside the start-up note, so that a log on standard output stays
        // plain CSV.
        if (const auto* form = dynamic_cast<const TForm1*>(&window_)) {
            std::cerr << measure::FactorsInForceText(form->model.levelCalibration) << std::endl;
            return {};
        }
        return "this window has no level calibration";
    case ScriptVerb::CheckTexts:
        return CheckTexts(command);
    case ScriptVerb::Menu: {
        QAction* action = FindAction(window_, a[0]);
        if (!action->isEnabled() || !action->isVisible()) {
            return "the menu entry '" + Echo(a[0]) + "' is disabled or hidden";
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
        return "expected " + a[0] + " to show \"" + Echo(a[1]) + "\", it shows \"" +
               Echo(actual.toStdString()) + "\"";
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
            return "'" + a[0] + "' has no item '" + Echo(a[1]) + "'";
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
