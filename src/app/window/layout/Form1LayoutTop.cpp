// SPDX-License-Identifier: MIT
// The menu bar, the readout and selector row across the top of the screen, the scales' unit
// labels, the hidden trigger-level and grid-brightness controls and the warning panel.

#include "app/window/TForm1.h"
#include "app/window/layout/Form1LayoutKit.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>

namespace app {

using namespace layout;

namespace {

QAction* BarEntry(QMenuBar* bar, const char* name, const QString& caption) {
    QAction* action = bar->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QAction* MenuEntry(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

// A submenu with its "zobrazit" and "zrušit" entries; the submenu's own entry is returned.
QAction* ShowCancelMenu(QMenu* parent, const char* name, const QString& caption,
                        const char* showName, QAction*& show, const char* cancelName,
                        QAction*& cancel) {
    QMenu* menu = parent->addMenu(caption);
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    show = MenuEntry(menu, showName, QStringLiteral("zobrazit"));
    cancel = MenuEntry(menu, cancelName, QStringLiteral("zrušit"));
    return menu->menuAction();
}

// A default menu entry is shown in bold.
void MarkDefault(QAction* action) {
    QFont font = action->font();
    font.setBold(true);
    action->setFont(font);
}

QRadioButton* MakeRadio(QWidget* parent, const char* name, QRect geometry, const QString& caption,
                        const QColor& background) {
    auto* radio = new QRadioButton(caption, parent);
    radio->setObjectName(QString::fromLatin1(name));
    radio->setGeometry(geometry);
    SetColors(radio, background, Qt::black);
    return radio;
}

QLineEdit* MakeReadout(QWidget* parent, const char* name, QRect geometry, const QString& text,
                       const QColor& color) {
    QLineEdit* edit = MakeEdit(parent, name, geometry, text);
    edit->setReadOnly(true);
    edit->setFont(FormFont(11));
    SetColors(edit, color, Qt::black);
    return edit;
}

} // namespace

void TForm1::BuildMenu() {
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    // The menu's entries caption the readouts below them, so they sit close together, in the
    // menu's own regular weight, to fit the window's 800 pixels.
    QFont menuFont = FormFont(11);
    menuFont.setBold(false);
    MainMenu1->setFont(menuFont);
    MainMenu1->setStyleSheet(
        QStringLiteral("QMenuBar { spacing: 0px; } QMenuBar::item { padding: 1px 3px; }"));
    setMenuBar(MainMenu1);
    spoutn1 = BarEntry(MainMenu1, "spoutn1", QStringLiteral("   spouštění"));
    mix1 = BarEntry(MainMenu1, "mix1", QStringLiteral("mix. pult "));
    volbazobrazen1 = BarEntry(MainMenu1, "volbazobrazen1", QStringLiteral("volba zobrazení"));
    volbazobrazen1->setCheckable(true);
    volbazobrazen1->setChecked(true);
    MarkDefault(volbazobrazen1);
    file1 = BarEntry(MainMenu1, "file1", QStringLiteral("mazání"));
    mickanl1 = BarEntry(MainMenu1, "mickanl1", QStringLiteral("proud IL"));
    volbarozsahu1 = BarEntry(MainMenu1, "volbarozsahu1", QStringLiteral("volba rozsahu"));
    frekvence1 = BarEntry(MainMenu1, "frekvence1", QStringLiteral("frekvence"));
    naptR1 = BarEntry(MainMenu1, "naptR1", QStringLiteral("napětí UR"));
    volbarozsahu2 = BarEntry(MainMenu1, "volbarozsahu2", QStringLiteral("volba rozsahu"));
    frekvence2 = BarEntry(MainMenu1, "frekvence2", QStringLiteral("frekvence"));
    asovzkladna1 = BarEntry(MainMenu1, "asovzkladna1", QStringLiteral("časová &osa"));

    QMenu* generators = MainMenu1->addMenu(QStringLiteral("generátor"));
    test2 = generators->menuAction();
    test2->setObjectName(QStringLiteral("test2"));
    genertor11 = ShowCancelMenu(generators, "genertor11", QStringLiteral("generátor 1"),
                                "zobrazit1", zobrazit1, "zruit1", zruit1);
    MarkDefault(genertor11);
    MarkDefault(zobrazit1);
    genertor21 = ShowCancelMenu(generators, "genertor21", QStringLiteral("generátor 2"),
                                "zobrazit2", zobrazit2, "zruit2", zruit2);
    automatick1 = ShowCancelMenu(generators, "automatick1", QStringLiteral("automatický"),
                                 "zobrazit3", zobrazit3, "zruit3", zruit3);
    rozmtan1 = ShowCancelMenu(generators, "rozmtan1", QStringLiteral("rozmítaný"), "zobrazit4",
                              zobrazit4, "zruit4", zruit4);

    QMenu* analysis = MainMenu1->addMenu(QStringLiteral("analýza"));
    analyza1 = analysis->menuAction();
    analyza1->setObjectName(QStringLiteral("analyza1"));
    fazeimpedance1 = MenuEntry(analysis, "fazeimpedance1", QStringLiteral("fáze a impedance"));
    spektrum1 = MenuEntry(analysis, "spektrum1", QStringLiteral("spektrum"));
}

void TForm1::BuildTopRow() {
    QWidget* client = centralWidget();
    ComboBox4 = MakeCombo(client, "ComboBox4", {0, 0, 82, kEditHeight},
                          {QStringLiteral("automaticky"), QStringLiteral("od kanálu L"),
                           QStringLiteral("od kanálu R")},
                          QStringLiteral("od kanálu R"));

    Panel15 = MakePanel(client, "Panel15", {77, 0, 184, 21}, Qt::black, QFrame::Sunken);
    Button3 = MakeButton(Panel15, "Button3", {8, 3, 65, 16}, QStringLiteral("jednorázové"));
    Button3->setToolTip(
        QStringLiteral("přepíná mezi jednrázovým a periodickým (neustálým) spoštěním"));
    Button3->setFocusPolicy(Qt::NoFocus);
    RadioButton5 =
        MakeRadio(Panel15, "RadioButton5", {138, 3, 43, 14}, QStringLiteral("L+R"), kButtonFace);
    RadioButton5->setChecked(true);
    RadioButton3 =
        MakeRadio(Panel15, "RadioButton3", {106, 3, 30, 14}, QStringLiteral("L"), kYellow);
    RadioButton4 = MakeRadio(Panel15, "RadioButton4", {74, 3, 30, 14}, QStringLiteral("R"), kAqua);

    Edit4 =
        MakeReadout(client, "Edit4", {262, 0, 62, kEditHeight}, QStringLiteral("465 mA"), kYellow);
    Edit4->setToolTip(QStringLiteral("velikost napětí v prvním měřicím kanálu"));
    ComboBox9 = MakeCombo(client, "ComboBox9", {323, 0, 81, kEditHeight},
                          {QStringLiteral("automaticky"), QStringLiteral("    500 mA"),
                           QStringLiteral("   200 mA"), QStringLiteral("   100 mA"),
                           QStringLiteral("     50 mA"), QStringLiteral("     20 mA    "),
                           QStringLiteral("     10 mA"), QStringLiteral("      5 mA"),
                           QStringLiteral("      2 mA")},
                          QStringLiteral("automaticky"));
    ComboBox9->setMaxVisibleItems(15);
    SetColors(ComboBox9, kYellow, Qt::black);
    Edit12 = MakeReadout(client, "Edit12", {403, 0, 58, kEditHeight}, QStringLiteral("12760Hz"),
                         kYellow);
    Edit12->setFixedSize(58, kEditHeight);
    Edit12->setToolTip(QStringLiteral("frekvence napětí v prvním měřicím kanálu"));

    Edit1 =
        MakeReadout(client, "Edit1", {462, 0, 62, kEditHeight}, QStringLiteral("532.2 mV"), kAqua);
    ComboBox10 = MakeCombo(client, "ComboBox10", {523, 0, 81, kEditHeight},
                           {QStringLiteral("automaticky"), QStringLiteral("      50 V"),
                            QStringLiteral("      20 V"), QStringLiteral("      10 V"),
                            QStringLiteral("        5 V"), QStringLiteral("        2 V"),
                            QStringLiteral("        1 V"), QStringLiteral("     500 mV"),
                            QStringLiteral("     200 mV"), QStringLiteral("     100 mV"),
                            QStringLiteral("       50 mV"), QStringLiteral("       20 mV"),
                            QStringLiteral("       10 mV")},
                           QStringLiteral("automaticky"));
    ComboBox10->setMaxVisibleItems(15);
    SetColors(ComboBox10, kAqua, Qt::black);
    Edit8 =
        MakeReadout(client, "Edit8", {603, 0, 57, kEditHeight}, QStringLiteral("12760Hz"), kAqua);

    ComboBox1 = MakeList(client, "ComboBox1", {660, 0, 83, kEditHeight},
                         {QStringLiteral("automatická"), QStringLiteral("   100 msec"),
                          QStringLiteral("    50 msec"), QStringLiteral("    20 msec"),
                          QStringLiteral("    10 msec"), QStringLiteral("      5 msec"),
                          QStringLiteral("      2 msec"), QStringLiteral("      1 msec"),
                          QStringLiteral(" generátoru")},
                         0);
    ComboBox1->setMaxVisibleItems(9);
    ComboBox1->setToolTip(QStringLiteral("nastavení časové osy"));

    Panel10 = MakePanel(client, "Panel10", {744, 0, 50, 21}, kRed, QFrame::Sunken);
    Button2 = MakeButton(client, "Button2", {746, 2, 45, 18}, QStringLiteral("optimum"));
    Button2->setToolTip(QStringLiteral("vytvoří nebo odstraní svítící rastr na obrazovce"));
}

void TForm1::BuildScales() {
    QWidget* client = centralWidget();
    TrackBar1 = new QSlider(Qt::Vertical, client);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setGeometry(32, 48, 20, 440);
    TrackBar1->setRange(-220, 220);
    TrackBar1->setValue(0);
    TrackBar1->setSingleStep(5);
    TrackBar1->setPageStep(20);
    TrackBar1->setTickPosition(QSlider::NoTicks);
    TrackBar1->setToolTip(QStringLiteral("nastavuje spouštěcí úroveň"));
    TrackBar1->hide();

    UpDown2 = new QSpinBox(client);
    UpDown2->setObjectName(QStringLiteral("UpDown2"));
    UpDown2->setGeometry(0, 24, 17, 21);
    UpDown2->setRange(0, 50);
    UpDown2->setSingleStep(5);
    UpDown2->setValue(15);
    UpDown2->setToolTip(QStringLiteral("nastavuje jas rastru"));
    UpDown2->setEnabled(false);
    UpDown2->hide();

    // Unit labels at the two ends of each scale: R (voltage) at the left edge, L (current)
    // beside it, in the channels' colours.
    const auto unitLabel = [&](const char* name, QRect geometry, const QString& text,
                               const QColor& color) {
        QLineEdit* edit = MakeLabelEdit(client, name, geometry, text);
        edit->setFont(FormFont(10)); // "+mV" fits the 27-pixel label
        SetColors(edit, Qt::black, color);
        return edit;
    };
    Edit18 = unitLabel("Edit18", {0, 37, 27, kLabelHeight}, kUnitTextUpperR, kAqua);
    Edit19 = unitLabel("Edit19", {0, 475, 27, kLabelHeight}, kUnitTextLowerR, kAqua);
    Edit2 = unitLabel("Edit2", {30, 37, 27, kLabelHeight}, kUnitTextL, kYellow);
    Edit5 = unitLabel("Edit5", {30, 475, 27, kLabelHeight}, kUnitTextL, kYellow);

    Panel14 = MakePanel(client, "Panel14", {72, 172, 629, 21}, kRed, QFrame::Raised);
    auto* warning =
        new QLabel(QStringLiteral("překročena mez zobrazitelnosti - snižte frekvenci"), Panel14);
    warning->setObjectName(QStringLiteral("Panel14Caption"));
    warning->setGeometry(Panel14->rect());
    warning->setAlignment(Qt::AlignCenter);
    warning->setFont(FormFont(13));
    SetColors(warning, kRed, Qt::white);
    Panel14->hide();
}

} // namespace app
