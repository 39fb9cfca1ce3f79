// SPDX-License-Identifier: MIT
#pragma once

// The look of the window's small selectors and buttons: a narrow drop-down arrow and a thin
// button border, so that their texts fit the small stored sizes of the controls. Otherwise
// the application's style. UI thread only.

#include <QProxyStyle>

class QWidget;

namespace app::layout {

// Gives `widget` the compact look; the style is shared and lives as long as the application.
void UseCompactStyle(QWidget* widget);

class CompactStyle : public QProxyStyle {
public:
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                         const QWidget* widget) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option,
                         const QWidget* widget) const override;
};

} // namespace app::layout
