// SPDX-License-Identifier: MIT
// The generator 1 and generator 2 strips: amplitude range, readout and scroll bar on the left,
// frequency scroll bar, readout and range on the right.

#include "app/widgets/DoubleClickEdit.h"
#include "app/window/TForm1.h"
#include "app/window/layout/Form1LayoutKit.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>

namespace app {

using namespace layout;

namespace {

constexpr int kStripWidth = 800;
constexpr int kStripHeight = 29;

const QStringList& FrequencyRanges() {
    static const QStringList ranges{
        QStringLiteral("20 Hz až 100 Hz"), QStringLiteral("100 Hz až 1 kHz"),
        QStringLiteral("1 kHz až 20 kHz"), QStringLiteral("10 Hz až 20 kHz")};
    return ranges;
}

// A generator strip: teal, with white bold text of its own.
QFrame* MakeStrip(QWidget* parent, const char* name, int top) {
    QFrame* strip =
        MakePanel(parent, name, {0, top, kStripWidth, kStripHeight}, kTeal, QFrame::Raised);
    strip->setFont(FormFont(11));
    return strip;
}

QLineEdit* UnitLabel(QWidget* parent, const char* name, QRect geometry, const QString& text) {
    QLineEdit* edit = MakeLabelEdit(parent, name, geometry, text);
    SetColors(edit, Qt::white, Qt::black);
    return edit;
}

} // namespace

void TForm1::BuildGenerator1Panel() {
    Panel13 = MakeStrip(centralWidget(), "Panel13", 498);
    ComboBox7 = MakeCombo(Panel13, "ComboBox7", {4, 4, 101, kEditHeight},
                          {QStringLiteral(" 0 až 1 V"), QStringLiteral(" 0 až 500 mV"),
                           QStringLiteral(" 0 až 200 mV"), QStringLiteral(" 0 až 100 mV"),
                           QStringLiteral(" 0 až 50 mV"), QStringLiteral(" 0 až 20 mV"),
                           QStringLiteral(" 0 až 10 mV "), QStringLiteral("  vypnuto")},
                          QStringLiteral(" 0 až 1000mV "));
    Edit13 = new DoubleClickEdit(QStringLiteral("999"), Panel13);
    SetUpEdit(Edit13, "Edit13", {104, 4, 57, kEditHeight});
    Edit6 = UnitLabel(Panel13, "Edit6", {137, 7, 25, kLabelHeight}, QStringLiteral("mV"));
    ScrollBar4 = MakeScrollBar(Panel13, "ScrollBar4", {164, 5, 221, kScrollBarHeight},
                               {0, 1000, 500, 100}, QStringLiteral("nastavení amplitudy"));
    ScrollBar5 = MakeScrollBar(Panel13, "ScrollBar5", {388, 5, 219, kScrollBarHeight},
                               {0, 100, 0, 10}, QStringLiteral("nastavení frekvence"));
    Edit14 = new DoubleClickEdit(QStringLiteral("100"), Panel13);
    SetUpEdit(Edit14, "Edit14", {608, 4, 67, kEditHeight});
    Edit14->setToolTip(QStringLiteral("double click"));
    Edit3 = UnitLabel(Panel13, "Edit3", {648, 7, 27, kLabelHeight}, QStringLiteral("kHz"));
    ComboBox8 = MakeCombo(Panel13, "ComboBox8", {674, 4, 120, kEditHeight}, FrequencyRanges(),
                          QStringLiteral("100 Hz až 1 kHz "));
}

void TForm1::BuildGenerator2Panel() {
    Panel410 = MakeStrip(centralWidget(), "Panel410", 472);
    ComboBox410 =
        MakeCombo(Panel410, "ComboBox410", {4, 4, 101, kEditHeight},
                  {QStringLiteral(" 0 až 2000m V"), QStringLiteral(" 0 až 1000mV"),
                   QStringLiteral(" 0 až 500 mV"), QStringLiteral(" 0 až 200 mV"),
                   QStringLiteral(" 0 až 100 mV"), QStringLiteral(" 0 až 50 mV"),
                   QStringLiteral(" 0 až 20 mV"), QStringLiteral(" 0 až 10 mV "), QString()},
                  QStringLiteral(" 0 až 1 V "));
    Edit403 = MakeEdit(Panel410, "Edit403", {104, 4, 57, kEditHeight}, QStringLiteral("1000"));
    Edit10 = UnitLabel(Panel410, "Edit10", {138, 7, 24, kLabelHeight}, QStringLiteral("mV"));
    ScrollBar403 = MakeScrollBar(Panel410, "ScrollBar403", {164, 5, 221, kScrollBarHeight},
                                 {0, 32767, 1000, 10}, QStringLiteral("nastavení amplitudy"));
    ScrollBar406 = MakeScrollBar(Panel410, "ScrollBar406", {388, 5, 219, kScrollBarHeight},
                                 {100, 1000, 500, 10}, QStringLiteral("nastavení frekvence"));
    Edit409 = MakeEdit(Panel410, "Edit409", {608, 4, 67, kEditHeight}, QStringLiteral(" 500"));
    Edit9 = UnitLabel(Panel410, "Edit9", {648, 7, 27, kLabelHeight}, QStringLiteral(" Hz"));
    QStringList ranges = FrequencyRanges();
    ranges << QStringLiteral("     zrušit");
    ComboBox411 = MakeCombo(Panel410, "ComboBox411", {674, 4, 120, kEditHeight}, ranges,
                            QStringLiteral("100 Hz až 1 kHz "));
    Panel410->hide();
}

} // namespace app
