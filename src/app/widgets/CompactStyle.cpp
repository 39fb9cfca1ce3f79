// SPDX-License-Identifier: MIT
#include "app/widgets/CompactStyle.h"

#include <QApplication>
#include <QStyleOption>
#include <QWidget>

namespace app::layout {

namespace {

constexpr int kComboFrame = 2;  // pixels of border around a box's field and arrow
constexpr int kArrowWidth = 13; // the drop-down arrow's column
constexpr int kButtonFrame = 1; // pixels between a button's edge and its caption

} // namespace

void UseCompactStyle(QWidget* widget) {
    static CompactStyle* const style = [] {
        auto* shared = new CompactStyle;
        shared->setParent(QApplication::instance());
        return shared;
    }();
    widget->setStyle(style);
}

QRect CompactStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                   SubControl part, const QWidget* widget) const {
    if (control != CC_ComboBox || (part != SC_ComboBoxArrow && part != SC_ComboBoxEditField)) {
        return QProxyStyle::subControlRect(control, option, part, widget);
    }
    const QRect inner = option->rect.adjusted(kComboFrame, kComboFrame, -kComboFrame, -kComboFrame);
    const QRect arrow(inner.right() - kArrowWidth + 1, inner.top(), kArrowWidth, inner.height());
    const QRect field(inner.topLeft(), QPoint(arrow.left() - 1, inner.bottom()));
    return visualRect(option->direction, option->rect, part == SC_ComboBoxArrow ? arrow : field);
}

QRect CompactStyle::subElementRect(SubElement element, const QStyleOption* option,
                                   const QWidget* widget) const {
    if (element == SE_PushButtonContents) {
        return option->rect.adjusted(kButtonFrame, kButtonFrame, -kButtonFrame, -kButtonFrame);
    }
    return QProxyStyle::subElementRect(element, option, widget);
}

} // namespace app::layout
