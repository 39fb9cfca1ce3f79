// SPDX-License-Identifier: MIT
// The automatic generator's strip (start, end, step and delay of the stepping) and the swept
// generator's half strip (start and step fields); both hidden until their menu shows them.

#include "app/window/TForm1.h"
#include "app/window/layout/Form1LayoutKit.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace app {

using namespace layout;

namespace {

// An edit used as a caption, in its own colours.
QLineEdit* Caption(QWidget* parent, const char* name, QRect geometry, const QString& text,
                   const QColor& background, const QColor& color) {
    QLineEdit* edit = MakeEdit(parent, name, geometry, text);
    SetColors(edit, background, color);
    edit->setCursorPosition(0); // a caption longer than its field shows its beginning
    return edit;
}

QRect Field(int left, int top, int width) {
    return {left, top, width, kEditHeight};
}
QRect ButtonAt(int left, int width) {
    return {left, 5, width, 19};
}

} // namespace

void TForm1::BuildAutomaticPanel() {
    Panel215 = MakePanel(centralWidget(), "Panel215", {0, 472, 801, 30}, kTeal, QFrame::Raised);
    Edit225 = Caption(Panel215, "Edit225", Field(8, 4, 141),
                      QStringLiteral("od frekvence                  Hz"), kSilver, Qt::black);
    Edit206 = MakeEdit(Panel215, "Edit206", Field(80, 4, 45), QStringLiteral("100"));
    Edit227 = Caption(Panel215, "Edit227", Field(148, 4, 133),
                      QStringLiteral("do frekvence                Hz"), kSilver, Qt::black);
    Edit216 = MakeEdit(Panel215, "Edit216", Field(216, 4, 41), QStringLiteral("200"));
    Edit224 = Caption(Panel215, "Edit224", Field(288, 4, 260),
                      QStringLiteral("krok změny frekvence                                    "
                                     "       Hz                                          "),
                      kGrey, Qt::white);
    ComboBox212 = MakeCombo(Panel215, "ComboBox212", Field(400, 4, 89),
                            {QStringLiteral("automaticky"), QStringLiteral("   ručně")},
                            QStringLiteral("       ručně"));
    Edit223 = MakeEdit(Panel215, "Edit223", Field(488, 4, 35), QStringLiteral("10"));
    Edit229 = Caption(Panel215, "Edit229", Field(555, 4, 153),
                      QStringLiteral("prodleva mezi kroky           sec"), Qt::black, Qt::white);
    Edit222 = MakeEdit(Panel215, "Edit222", Field(656, 4, 25), QStringLiteral("1"));
    Button203 = MakeButton(Panel215, "Button203", ButtonAt(712, 33), QStringLiteral("start"));
    Button204 = MakeButton(Panel215, "Button204", ButtonAt(749, 42), QStringLiteral("zrušit"));
    Panel215->hide();
}

void TForm1::BuildSweptPanel() {
    Panel110 = MakePanel(centralWidget(), "Panel110", {388, 498, 409, 29}, kGrey, QFrame::Raised);
    Edit130 = MakeEdit(Panel110, "Edit130", Field(2, 4, 159),
                       QStringLiteral("od frekvence               Hz"));
    Edit106 = MakeEdit(Panel110, "Edit106", Field(88, 4, 49), QStringLiteral("100"));
    Edit109 = MakeEdit(Panel110, "Edit109", Field(168, 4, 153),
                       QStringLiteral("do frekvence              Hz"));
    Edit110 = MakeEdit(Panel110, "Edit110", Field(248, 4, 49), QStringLiteral("500"));
    Button103 = MakeButton(Panel110, "Button103", ButtonAt(325, 33), QStringLiteral("start"));
    Button104 = MakeButton(Panel110, "Button104", ButtonAt(362, 42), QStringLiteral("zrušit"));
    Panel110->hide();
}

} // namespace app
