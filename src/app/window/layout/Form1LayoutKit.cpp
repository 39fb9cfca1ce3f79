// SPDX-License-Identifier: MIT
#include "app/window/layout/Form1LayoutKit.h"

#include "app/widgets/CompactStyle.h"
#include "app/widgets/EditableComboBox.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

namespace app::layout {

QFont FormFont(int pixelSize) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(true);
    return font;
}

void SetColors(QWidget* widget, const QColor& background, const QColor& text) {
    QPalette palette = widget->palette();
    for (QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::Button}) {
        palette.setColor(role, background);
    }
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        palette.setColor(role, text);
    }
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QFrame* MakePanel(QWidget* parent, const char* name, QRect geometry, const QColor& color,
                  QFrame::Shadow bevel) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setGeometry(geometry);
    panel->setFrameStyle(QFrame::Panel | bevel);
    panel->setLineWidth(1);
    // Only the panel's own surface: the controls on it keep the usual edit and button colours.
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, color);
    palette.setColor(QPalette::WindowText, Qt::white);
    panel->setPalette(palette);
    panel->setAutoFillBackground(true);
    return panel;
}

QLineEdit* SetUpEdit(QLineEdit* edit, const char* name, QRect geometry) {
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(geometry);
    edit->setTextMargins(0, 0, 0, 0);
    return edit;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, QRect geometry, const QString& text) {
    return SetUpEdit(new QLineEdit(text, parent), name, geometry);
}

QLineEdit* MakeLabelEdit(QWidget* parent, const char* name, QRect geometry, const QString& text) {
    QLineEdit* edit = MakeEdit(parent, name, geometry, text);
    edit->setFrame(false);
    return edit;
}

QComboBox* MakeCombo(QWidget* parent, const char* name, QRect geometry, const QStringList& items,
                     const QString& text) {
    auto* combo = new EditableComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setGeometry(geometry);
    UseCompactStyle(combo);
    combo->setFont(FormFont(kSelectorPixels));
    combo->addItems(items);
    combo->setCurrentIndex(static_cast<int>(items.indexOf(text)));
    combo->setEditText(text);
    combo->lineEdit()->setCursorPosition(0);
    return combo;
}

QComboBox* MakeList(QWidget* parent, const char* name, QRect geometry, const QStringList& items,
                    int item) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setGeometry(geometry);
    UseCompactStyle(combo);
    combo->setFont(FormFont(kSelectorPixels));
    combo->addItems(items);
    combo->setCurrentIndex(item);
    return combo;
}

QPushButton* MakeButton(QWidget* parent, const char* name, QRect geometry, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    UseCompactStyle(button);
    button->setFont(FormFont(kSelectorPixels));
    button->setAutoDefault(false);
    return button;
}

QScrollBar* MakeScrollBar(QWidget* parent, const char* name, QRect geometry, ScrollRange range,
                          const QString& hint) {
    auto* bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setGeometry(geometry);
    bar->setRange(range.minimum, range.maximum);
    bar->setValue(range.position);
    bar->setPageStep(range.largeChange);
    bar->setSingleStep(1);
    bar->setToolTip(hint);
    return bar;
}

} // namespace app::layout
