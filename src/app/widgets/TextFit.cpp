// SPDX-License-Identifier: MIT
#include "app/widgets/TextFit.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <optional>

namespace app {

namespace {

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
    return std::nullopt;
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
        named = named->parentWidget();
    }
    return named->objectName().toStdString();
}

std::string Quoted(const TextRoom& room) {
    return room.control + " \"" + room.text.toStdString() + "\"";
}

} // namespace

std::vector<TextRoom> MeasureTextRoom(QWidget& window) {
    std::vector<TextRoom> rooms;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&window) || widget->window() != &window) {
            continue;
        }
        const std::optional<Shown> shown = ShownText(widget);
        if (!shown || Visible(shown->text).isEmpty()) {
            continue;
        }
        const QFontMetrics metrics(widget->font());
        const QString text = Visible(shown->text).remove(QLatin1Char('&'));
        rooms.push_back({Name(widget), text, metrics.horizontalAdvance(text),
                         metrics.ascent() + metrics.descent(), shown->area.width(),
                         shown->area.height()});
    }
    return rooms;
}

std::string DescribeTextRoom(const std::vector<TextRoom>& rooms) {
    std::string cut;
    for (const TextRoom& room : rooms) {
        if (!room.Fits()) {
            cut += (cut.empty() ? "cut: " : "; ") + Quoted(room) + " needs " +
                   std::to_string(room.textWidth) + " x " + std::to_string(room.textHeight) +
                   " px, has " + std::to_string(room.areaWidth) + " x " +
                   std::to_string(room.areaHeight) + " px";
        }
    }
    if (rooms.empty()) {
        return "no control shows a text";
    }
    if (!cut.empty()) {
        return cut;
    }
    const auto spare = [](const TextRoom& room) { return room.areaWidth - room.textWidth; };
    const TextRoom& tightest = *std::min_element(
        rooms.begin(), rooms.end(),
        [&spare](const TextRoom& a, const TextRoom& b) { return spare(a) < spare(b); });
    return std::to_string(rooms.size()) + " texts whole, the tightest " + Quoted(tightest) +
           " with " + std::to_string(spare(tightest)) + " px to spare";
}

} // namespace app
