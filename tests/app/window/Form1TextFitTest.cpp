// SPDX-License-Identifier: MIT
// Every visible control of the started window shows its whole text: nothing is cut at the
// right edge or at the top and bottom of the control's content rectangle.

#include "Form1TestRig.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace app {
namespace {

using test::Form1Rig;

// A control's text and the rectangle it is drawn into.
struct Shown {
    QString text;
    QRect area;
};

// The text area of an edit field: its contents less the text margins and the two pixels that
// the field keeps clear at each side.
QRect EditArea(const QLineEdit* edit) {
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->hasFrame()
                           ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit)
                           : 0;
    const QRect contents =
        edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    return contents.marginsRemoved(edit->textMargins()).adjusted(2, 0, -2, 0);
}

QRect ButtonArea(const QAbstractButton* button, QStyle::SubElement element) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    return button->style()->subElementRect(element, &option, button);
}

// A list-only box draws its text into the edit field less a pixel at each side.
QRect ListArea(const QComboBox* box) {
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.editable = false;
    option.currentText = box->currentText();
    return box->style()
        ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box)
        .adjusted(1, 0, -1, 0);
}

std::optional<Shown> ShownText(QWidget* widget) {
    if (auto* box = qobject_cast<QComboBox*>(widget); box != nullptr && !box->isEditable()) {
        return Shown{box->currentText(), ListArea(box)};
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return Shown{edit->text(), EditArea(edit)};
    }
    if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
        return Shown{radio->text(), ButtonArea(radio, QStyle::SE_RadioButtonContents)};
    }
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        return Shown{button->text(), ButtonArea(button, QStyle::SE_PushButtonContents)};
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return Shown{label->text(), label->contentsRect()};
    }
    return std::nullopt; // an editable box shows its text through its edit field
}

// Blanks at the end show nothing, so only the text up to its last visible character counts.
QString Visible(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text[end - 1].isSpace()) {
        --end;
    }
    return text.left(end);
}

std::string Name(const QWidget* widget) {
    const QWidget* named = widget;
    while (named->objectName().isEmpty() && named->parentWidget() != nullptr) {
        named = named->parentWidget(); // an editable box's edit field is known by its box
    }
    return named->objectName().toStdString();
}

TEST(Form1TextFit, EveryVisibleControlShowsItsWholeText) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    int checked = 0;
    for (QWidget* widget : form.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&form) || widget->window() != &form) {
            continue;
        }
        const std::optional<Shown> shown = ShownText(widget);
        if (!shown || Visible(shown->text).isEmpty()) {
            continue;
        }
        ++checked;
        const QFontMetrics metrics(widget->font());
        const QString text = Visible(shown->text).remove(QLatin1Char('&'));
        EXPECT_LE(metrics.horizontalAdvance(text), shown->area.width())
            << Name(widget) << " \"" << text.toStdString() << "\"";
        EXPECT_LE(metrics.ascent() + metrics.descent(), shown->area.height())
            << Name(widget) << " \"" << text.toStdString() << "\"";
    }
    // The top row, the scales' unit labels and generator 1's strip.
    EXPECT_GE(checked, 20);
}

} // namespace
} // namespace app
