// SPDX-License-Identifier: MIT
#pragma once

// Small builders for the window's controls in their stored state: each control gets its name
// (as objectName), place and size within its parent, colours, font, texts and hint. Used by
// TForm1's constructor on the UI thread.

#include <QColor>
#include <QFont>
#include <QFrame>
#include <QRect>
#include <QString>
#include <QStringList>

class QComboBox;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QWidget;

namespace app::layout {

inline const QColor kYellow{255, 255, 0};
inline const QColor kAqua{0, 255, 255};
inline const QColor kRed{255, 0, 0};
inline const QColor kTeal{0, 128, 128};
inline const QColor kGrey{128, 128, 128};
inline const QColor kSilver{192, 192, 192};
inline const QColor kButtonFace{212, 208, 200};

// Height of a one-line edit box and of a combo box.
inline constexpr int kEditHeight = 21;
// Height of a borderless edit used as a caption.
inline constexpr int kLabelHeight = 13;
inline constexpr int kScrollBarHeight = 17;
// Font size of the drop-down boxes and buttons, a pixel below the window's, so that their
// longest texts fit their stored widths.
inline constexpr int kSelectorPixels = 10;

// The unit labels' texts as start-up leaves them, at the ends of the R scale (Edit18, Edit19)
// and the L scale (Edit2, Edit5); the ranges overwrite them, their reset puts them back.
inline constexpr const char* kUnitTextUpperR = "+mV";
inline constexpr const char* kUnitTextLowerR = "-mV";
inline constexpr const char* kUnitTextL = "mA";

// The window's font: a bold sans of `pixelSize` pixels, metric-compatible with the classic
// dialog font where the machine has one.
QFont FormFont(int pixelSize = 11);
// The Debian package that holds FormFont's family.
inline constexpr const char* kFormFontPackage = "fonts-liberation2";

// Background and text colour of a control, painted by the control itself.
void SetColors(QWidget* widget, const QColor& background, const QColor& text);

QFrame* MakePanel(QWidget* parent, const char* name, QRect geometry, const QColor& color,
                  QFrame::Shadow bevel);
QLineEdit* MakeEdit(QWidget* parent, const char* name, QRect geometry, const QString& text);
// Gives an edit made by the caller (a subclass) its name, place and size, as MakeEdit does.
QLineEdit* SetUpEdit(QLineEdit* edit, const char* name, QRect geometry);
// A borderless edit used as a caption or unit label.
QLineEdit* MakeLabelEdit(QWidget* parent, const char* name, QRect geometry, const QString& text);
// An editable drop-down box showing `text`, which selects an item only when it names one.
QComboBox* MakeCombo(QWidget* parent, const char* name, QRect geometry, const QStringList& items,
                     const QString& text);
// A drop-down list without typing, standing on `item`.
QComboBox* MakeList(QWidget* parent, const char* name, QRect geometry, const QStringList& items,
                    int item);
QPushButton* MakeButton(QWidget* parent, const char* name, QRect geometry, const QString& caption);

struct ScrollRange {
    int minimum;
    int maximum;
    int position;
    int largeChange;
};
QScrollBar* MakeScrollBar(QWidget* parent, const char* name, QRect geometry, ScrollRange range,
                          const QString& hint);

} // namespace app::layout
