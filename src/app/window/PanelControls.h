// SPDX-License-Identifier: MIT
#pragma once

// Small helpers shared by the generator panels' handlers: applying a range box's item to its
// scroll bar, reading a typed integer, and showing a number. UI thread only.

#include "common/NumberText.h"
#include "generator/PanelRanges.h"

#include <QLineEdit>
#include <QScrollBar>

namespace app {

// Applies the moves in their order; every move of the position runs the bar's change handler.
inline void ApplyRange(QScrollBar* bar, const generator::ScrollRange& range) {
    for (const generator::ScrollMove& move : range) {
        switch (move.bound) {
        case generator::ScrollBound::Minimum:
            bar->setMinimum(move.value);
            break;
        case generator::ScrollBound::Maximum:
            bar->setMaximum(move.value);
            break;
        case generator::ScrollBound::Position:
            bar->setValue(move.value);
            break;
        }
    }
}

// The integer typed into an edit; text that is not one throws common::ConvertError, which the
// default error report shows.
inline std::int32_t TypedInt(const QLineEdit* edit) {
    return common::StrToInt(edit->text().toStdString());
}

// An edit field that must not be empty when read: an empty one gets `replacement` first.
inline std::int32_t FieldInt(QLineEdit* edit, const char* replacement) {
    if (edit->text().isEmpty()) {
        edit->setText(QString::fromLatin1(replacement));
    }
    return TypedInt(edit);
}

inline void ShowNumber(QLineEdit* edit, std::int32_t value) {
    edit->setText(QString::number(value));
}

inline void ShowText(QLineEdit* edit, const std::string& text) {
    edit->setText(QString::fromStdString(text));
}

// Sets the position; when the bar keeps its position (a value outside its range clamps to where
// it stands), runs `change` as a move would, so that what the bar shows is what is used.
template <class Change> void SetPositionOrApply(QScrollBar* bar, int position, Change change) {
    const int before = bar->value();
    bar->setValue(position);
    if (bar->value() == before) {
        change();
    }
}

} // namespace app
