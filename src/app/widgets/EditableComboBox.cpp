// SPDX-License-Identifier: MIT
#include "app/widgets/EditableComboBox.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

namespace app {

EditableComboBox::EditableComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // Completion would rewrite what the user types and report the completed item as chosen.
    setCompleter(nullptr);
    QLineEdit* line = lineEdit();
    line->installEventFilter(this);
    connect(line, &QLineEdit::textEdited, this,
            [this](const QString& text) { FollowTypedText(text); });
    connect(this, &QComboBox::currentIndexChanged, line, [line] { line->setCursorPosition(0); });
}

bool EditableComboBox::eventFilter(QObject* watched, QEvent* event) {
    // Return in the edit field would select a matching item and report it as chosen.
    if (watched == lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

void EditableComboBox::FollowTypedText(const QString& text) {
    const int item = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (item == currentIndex()) {
        return;
    }
    // Selecting no item empties the edit field: the field stays quiet meanwhile, keeps the text
    // as typed and its cursor where the user left it.
    QLineEdit* line = lineEdit();
    const int cursor = line->cursorPosition();
    const QSignalBlocker quiet(line);
    setCurrentIndex(item);
    if (line->text() != text) {
        line->setText(text);
    }
    line->setCursorPosition(cursor);
}

} // namespace app
