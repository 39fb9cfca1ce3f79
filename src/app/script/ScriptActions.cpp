// SPDX-License-Identifier: MIT
// The runner's hand on the window's controls: a click, a choice from a list, typing, a double
// click and a drag, each sent through the signals and events that a user's own produces.

#include "app/script/ScriptRunner.h"

#include "app/script/ScriptEcho.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>

namespace app {

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QLineEdit* EditOf(QWidget* control) {
    if (auto* box = qobject_cast<QComboBox*>(control)) {
        return box->lineEdit();
    }
    return qobject_cast<QLineEdit*>(control);
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

std::string ScriptRunner::PerformClick(const ScriptCommand&, QWidget* control) {
    qobject_cast<QAbstractButton*>(control)->click();
    return {};
}

std::string ScriptRunner::PerformSelect(const ScriptCommand& command, QWidget* control) {
    const std::vector<std::string>& a = command.arguments;
    auto* box = qobject_cast<QComboBox*>(control);
    const int index = ItemIndex(box, a[1]);
    if (index < 0) {
        return "'" + a[0] + "' has no item '" + Echo(a[1]) + "'";
    }
    Select(box, index);
    return {};
}

std::string ScriptRunner::PerformType(const ScriptCommand& command, QWidget* control) {
    Type(EditOf(control), Text(command.arguments[1]));
    return {};
}

std::string ScriptRunner::PerformDoubleClick(const ScriptCommand&, QWidget* control) {
    DoubleClick(control);
    return {};
}

std::string ScriptRunner::PerformScroll(const ScriptCommand& command, QWidget* control) {
    const std::vector<std::string>& a = command.arguments;
    auto* bar = qobject_cast<QScrollBar*>(control);
    if (command.number < bar->minimum() || command.number > bar->maximum()) {
        return "position " + a[1] + " is outside " + std::to_string(bar->minimum()) + ".." +
               std::to_string(bar->maximum()) + " of '" + a[0] + "'";
    }
    Drag(bar, command.number);
    return {};
}

} // namespace app
