// SPDX-License-Identifier: MIT
// The window's controls as the user finds them: names, places, colours, items, texts, hints
// and the menu bar.

#include "Form1TestRig.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace app {
namespace {

using test::Form1Rig;

std::vector<std::string> Items(const QComboBox* combo) {
    std::vector<std::string> items;
    for (int i = 0; i < combo->count(); ++i) {
        items.push_back(combo->itemText(i).toStdString());
    }
    return items;
}

QColor Background(const QWidget* widget) {
    return widget->palette().color(QPalette::Base);
}

class Form1Layout : public ::testing::Test {
protected:
    Form1Rig rig;
    TForm1& form = *rig.form;
};

TEST_F(Form1Layout, EveryControlCarriesItsNameAndSitsInItsParent) {
    const std::vector<std::pair<QWidget*, QWidget*>> children{
        {form.Button3, form.Panel15},        {form.RadioButton3, form.Panel15},
        {form.RadioButton4, form.Panel15},   {form.RadioButton5, form.Panel15},
        {form.ComboBox7, form.Panel13},      {form.ScrollBar5, form.Panel13},
        {form.Edit3, form.Panel13},          {form.ComboBox411, form.Panel410},
        {form.Edit409, form.Panel410},       {form.Button203, form.Panel215},
        {form.Edit224, form.Panel215},       {form.Edit110, form.Panel110},
        {form.Button104, form.Panel110},     {form.Button2, form.centralWidget()},
        {form.Panel14, form.centralWidget()}};
    for (const auto& [child, parent] : children) {
        EXPECT_EQ(child->parentWidget(), parent) << child->objectName().toStdString();
    }
    const std::vector<std::pair<QObject*, const char*>> named{{form.ComboBox4, "ComboBox4"},
                                                              {form.Edit4, "Edit4"},
                                                              {form.ComboBox9, "ComboBox9"},
                                                              {form.Edit12, "Edit12"},
                                                              {form.Edit1, "Edit1"},
                                                              {form.ComboBox10, "ComboBox10"},
                                                              {form.Edit8, "Edit8"},
                                                              {form.ComboBox1, "ComboBox1"},
                                                              {form.Panel10, "Panel10"},
                                                              {form.TrackBar1, "TrackBar1"},
                                                              {form.UpDown2, "UpDown2"},
                                                              {form.Edit2, "Edit2"},
                                                              {form.Edit5, "Edit5"},
                                                              {form.Edit18, "Edit18"},
                                                              {form.Edit19, "Edit19"},
                                                              {form.Edit13, "Edit13"},
                                                              {form.Edit6, "Edit6"},
                                                              {form.ScrollBar4, "ScrollBar4"},
                                                              {form.Edit14, "Edit14"},
                                                              {form.ComboBox8, "ComboBox8"},
                                                              {form.ComboBox410, "ComboBox410"},
                                                              {form.Edit403, "Edit403"},
                                                              {form.Edit10, "Edit10"},
                                                              {form.ScrollBar403, "ScrollBar403"},
                                                              {form.ScrollBar406, "ScrollBar406"},
                                                              {form.Edit9, "Edit9"},
                                                              {form.Edit225, "Edit225"},
                                                              {form.Edit206, "Edit206"},
                                                              {form.Edit227, "Edit227"},
                                                              {form.Edit216, "Edit216"},
                                                              {form.ComboBox212, "ComboBox212"},
                                                              {form.Edit223, "Edit223"},
                                                              {form.Edit229, "Edit229"},
                                                              {form.Edit222, "Edit222"},
                                                              {form.Button204, "Button204"},
                                                              {form.Edit130, "Edit130"},
                                                              {form.Edit106, "Edit106"},
                                                              {form.Edit109, "Edit109"},
                                                              {form.Button103, "Button103"},
                                                              {form.Timer1, "Timer1"},
                                                              {form.MainMenu1, "MainMenu1"}};
    for (const auto& [object, name] : named) {
        ASSERT_NE(object, nullptr) << name;
        EXPECT_EQ(object->objectName().toStdString(), name);
        EXPECT_EQ(form.findChild<QObject*>(QString::fromLatin1(name)), object) << name;
    }
}

TEST_F(Form1Layout, TopRowPlacesAndColours) {
    EXPECT_EQ(form.ComboBox4->geometry(), QRect(0, 0, 82, 21));
    EXPECT_EQ(form.Panel15->geometry(), QRect(77, 0, 184, 21));
    EXPECT_EQ(form.Button3->geometry(), QRect(8, 3, 65, 16));
    EXPECT_EQ(form.RadioButton5->geometry(), QRect(138, 3, 43, 14));
    EXPECT_EQ(form.RadioButton3->geometry(), QRect(106, 3, 30, 14));
    EXPECT_EQ(form.RadioButton4->geometry(), QRect(74, 3, 30, 14));
    EXPECT_EQ(form.Edit4->geometry(), QRect(262, 0, 62, 21));
    EXPECT_EQ(form.ComboBox9->geometry(), QRect(323, 0, 81, 21));
    EXPECT_EQ(form.Edit12->geometry(), QRect(403, 0, 58, 21));
    EXPECT_EQ(form.Edit1->geometry(), QRect(462, 0, 62, 21));
    EXPECT_EQ(form.ComboBox10->geometry(), QRect(523, 0, 81, 21));
    EXPECT_EQ(form.Edit8->geometry(), QRect(603, 0, 57, 21));
    EXPECT_EQ(form.ComboBox1->geometry(), QRect(660, 0, 83, 21));
    EXPECT_EQ(form.Panel10->geometry(), QRect(744, 0, 50, 21));
    EXPECT_EQ(form.Button2->geometry(), QRect(746, 2, 45, 18));
    EXPECT_EQ(form.Panel14->geometry(), QRect(72, 172, 629, 21));

    const QColor yellow(255, 255, 0);
    const QColor aqua(0, 255, 255);
    EXPECT_EQ(Background(form.Edit4), yellow);
    EXPECT_EQ(Background(form.Edit12), yellow);
    EXPECT_EQ(Background(form.ComboBox9), yellow);
    EXPECT_EQ(Background(form.Edit1), aqua);
    EXPECT_EQ(Background(form.Edit8), aqua);
    EXPECT_EQ(Background(form.ComboBox10), aqua);
    EXPECT_EQ(form.RadioButton3->palette().color(QPalette::Window), yellow);
    EXPECT_EQ(form.RadioButton4->palette().color(QPalette::Window), aqua);
    EXPECT_EQ(form.Panel15->palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_EQ(form.Panel10->palette().color(QPalette::Window), QColor(255, 0, 0));
    EXPECT_EQ(form.Panel14->palette().color(QPalette::Window), QColor(255, 0, 0));
}

TEST_F(Form1Layout, ReadoutsAreReadOnlyWithTheirStoredTextsAndHints) {
    for (QLineEdit* readout : {form.Edit4, form.Edit12, form.Edit1, form.Edit8}) {
        EXPECT_TRUE(readout->isReadOnly()) << readout->objectName().toStdString();
    }
    EXPECT_FALSE(form.Edit13->isReadOnly());
    EXPECT_FALSE(form.Edit14->isReadOnly());
    EXPECT_EQ(form.Edit4->toolTip().toStdString(), "velikost napětí v prvním měřicím kanálu");
    EXPECT_EQ(form.Edit12->toolTip().toStdString(), "frekvence napětí v prvním měřicím kanálu");
    EXPECT_EQ(form.Button3->toolTip().toStdString(),
              "přepíná mezi jednrázovým a periodickým (neustálým) spoštěním");
    EXPECT_EQ(form.Button2->text().toStdString(), "optimum");
    EXPECT_EQ(form.Button2->toolTip().toStdString(),
              "vytvoří nebo odstraní svítící rastr na obrazovce");
    EXPECT_EQ(form.ComboBox1->toolTip().toStdString(), "nastavení časové osy");
    EXPECT_EQ(form.ScrollBar4->toolTip().toStdString(), "nastavení amplitudy");
    EXPECT_EQ(form.ScrollBar406->toolTip().toStdString(), "nastavení frekvence");
    EXPECT_EQ(form.Edit14->toolTip().toStdString(), "double click");
    EXPECT_EQ(form.Edit18->text().toStdString(), "+mV");
    EXPECT_EQ(form.Edit19->text().toStdString(), "-mV");
    // The display cycle that start-up runs has applied the 1 mA range.
    EXPECT_EQ(form.Edit2->text().toStdString(), "+mA");
    EXPECT_EQ(form.Edit5->text().toStdString(), "-mA");
    EXPECT_FALSE(form.Edit2->hasFrame());
    EXPECT_EQ(form.Panel14->findChild<QLabel*>()->text().toStdString(),
              "překročena mez zobrazitelnosti - snižte frekvenci");
}

TEST_F(Form1Layout, SelectorItemsAreCopiedCharacterForCharacter) {
    EXPECT_EQ(Items(form.ComboBox4),
              (std::vector<std::string>{"automaticky", "od kanálu L", "od kanálu R"}));
    EXPECT_EQ(Items(form.ComboBox1),
              (std::vector<std::string>{"automatická", "   100 msec", "    50 msec", "    20 msec",
                                        "    10 msec", "      5 msec", "      2 msec",
                                        "      1 msec", " generátoru"}));
    EXPECT_FALSE(form.ComboBox1->isEditable());
    EXPECT_EQ(form.ComboBox1->maxVisibleItems(), 9);
    EXPECT_EQ(Items(form.ComboBox9),
              (std::vector<std::string>{"automaticky", "    500 mA", "   200 mA", "   100 mA",
                                        "     50 mA", "     20 mA    ", "     10 mA", "      5 mA",
                                        "      2 mA"}));
    EXPECT_TRUE(form.ComboBox9->isEditable());
    EXPECT_EQ(form.ComboBox9->maxVisibleItems(), 15);
    const std::vector<std::string> voltage{
        "automaticky",  "      50 V",   "      20 V",  "      10 V",  "        5 V",
        "        2 V",  "        1 V",  "     500 mV", "     200 mV", "     100 mV",
        "       50 mV", "       20 mV", "       10 mV"};
    EXPECT_EQ(Items(form.ComboBox10), voltage);
    EXPECT_EQ(
        Items(form.ComboBox7),
        (std::vector<std::string>{" 0 až 1 V", " 0 až 500 mV", " 0 až 200 mV", " 0 až 100 mV",
                                  " 0 až 50 mV", " 0 až 20 mV", " 0 až 10 mV ", "  vypnuto"}));
    const std::vector<std::string> frequency{"20 Hz až 100 Hz", "100 Hz až 1 kHz",
                                             "1 kHz až 20 kHz", "10 Hz až 20 kHz"};
    EXPECT_EQ(Items(form.ComboBox8), frequency);
    std::vector<std::string> frequency2 = frequency;
    frequency2.push_back("     zrušit");
    EXPECT_EQ(Items(form.ComboBox411), frequency2);
    EXPECT_EQ(Items(form.ComboBox410),
              (std::vector<std::string>{" 0 až 2000m V", " 0 až 1000mV", " 0 až 500 mV",
                                        " 0 až 200 mV", " 0 až 100 mV", " 0 až 50 mV",
                                        " 0 až 20 mV", " 0 až 10 mV ", ""}));
    EXPECT_EQ(Items(form.ComboBox212), (std::vector<std::string>{"automaticky", "   ručně"}));
}

TEST_F(Form1Layout, EditableBoxesShowStoredTextsThatNameNoItem) {
    EXPECT_EQ(form.ComboBox410->currentText().toStdString(), " 0 až 1 V ");
    EXPECT_EQ(form.ComboBox410->currentIndex(), -1);
    EXPECT_EQ(form.ComboBox411->currentText().toStdString(), "100 Hz až 1 kHz ");
    EXPECT_EQ(form.ComboBox411->currentIndex(), -1);
    EXPECT_EQ(form.ComboBox212->currentText().toStdString(), "       ručně");
    EXPECT_EQ(form.ComboBox212->currentIndex(), -1);
}

TEST_F(Form1Layout, GeneratorStripsInTheirStoredState) {
    EXPECT_EQ(form.Panel13->size(), QSize(800, 29));
    EXPECT_EQ(form.Panel13->palette().color(QPalette::Window), QColor(0, 128, 128));
    EXPECT_EQ(form.Edit13->geometry().topLeft(), QPoint(104, 4));
    EXPECT_EQ(form.ScrollBar5->geometry().topLeft(), QPoint(388, 5));
    EXPECT_EQ(form.ScrollBar5->width(), 219);
    EXPECT_EQ(form.ComboBox8->geometry().topLeft(), QPoint(674, 4));
    EXPECT_EQ(form.Edit6->text().toStdString(), "mV");

    EXPECT_EQ(form.ScrollBar403->minimum(), 0);
    EXPECT_EQ(form.ScrollBar403->maximum(), 32767);
    EXPECT_EQ(form.ScrollBar403->value(), 1000);
    EXPECT_EQ(form.ScrollBar403->pageStep(), 10);
    EXPECT_EQ(form.ScrollBar406->minimum(), 100);
    EXPECT_EQ(form.ScrollBar406->maximum(), 1000);
    EXPECT_EQ(form.ScrollBar406->value(), 500);
    EXPECT_EQ(form.Edit403->text().toStdString(), "1000");
    EXPECT_EQ(form.Edit409->text().toStdString(), " 500");
    EXPECT_EQ(form.Edit9->text().toStdString(), " Hz");

    EXPECT_EQ(form.Panel215->geometry(), QRect(0, 472, 801, 30));
    EXPECT_TRUE(form.Panel215->isHidden());
    EXPECT_EQ(form.Edit225->text().toStdString(), "od frekvence                  Hz");
    EXPECT_EQ(form.Edit227->text().toStdString(), "do frekvence                Hz");
    EXPECT_EQ(form.Edit224->text().toStdString(),
              "krok změny frekvence                                           Hz              "
              "                            ");
    EXPECT_EQ(form.Edit229->text().toStdString(), "prodleva mezi kroky           sec");
    EXPECT_EQ(form.Edit206->text().toStdString(), "100");
    EXPECT_EQ(form.Edit216->text().toStdString(), "200");
    EXPECT_EQ(form.Edit223->text().toStdString(), "10");
    EXPECT_EQ(form.Edit222->text().toStdString(), "1");
    EXPECT_EQ(form.Button203->text().toStdString(), "start");
    EXPECT_EQ(form.Button204->text().toStdString(), "zrušit");

    EXPECT_EQ(form.Panel110->size(), QSize(409, 29));
    EXPECT_EQ(form.Edit130->text().toStdString(), "od frekvence               Hz");
    EXPECT_EQ(form.Edit109->text().toStdString(), "do frekvence              Hz");
    EXPECT_EQ(form.Edit106->text().toStdString(), "100");
    EXPECT_EQ(form.Edit110->text().toStdString(), "500");
}

TEST_F(Form1Layout, HiddenControlsStayOutOfTheUsersReach) {
    EXPECT_TRUE(form.TrackBar1->isHidden());
    EXPECT_EQ(form.TrackBar1->orientation(), Qt::Vertical);
    EXPECT_EQ(form.TrackBar1->minimum(), -220);
    EXPECT_EQ(form.TrackBar1->maximum(), 220);
    EXPECT_EQ(form.TrackBar1->singleStep(), 5);
    EXPECT_EQ(form.TrackBar1->pageStep(), 20);
    EXPECT_EQ(form.TrackBar1->size(), QSize(20, 440));
    EXPECT_TRUE(form.UpDown2->isHidden());
    EXPECT_FALSE(form.UpDown2->isEnabled());
    EXPECT_EQ(form.UpDown2->value(), 15);
    EXPECT_EQ(form.UpDown2->singleStep(), 5);
    EXPECT_EQ(form.UpDown2->maximum(), 50);
    EXPECT_EQ(form.Button3->focusPolicy(), Qt::NoFocus);
}

TEST_F(Form1Layout, MenuBarEntriesLeftToRight) {
    std::vector<std::string> captions;
    for (QAction* action : form.MainMenu1->actions()) {
        captions.push_back(action->text().toStdString());
    }
    EXPECT_EQ(captions, (std::vector<std::string>{
                            "   spouštění", "mix. pult ", "volba zobrazení", "mazání", "proud IL",
                            "volba rozsahu", "frekvence", "napětí UR", "volba rozsahu", "frekvence",
                            "časová &osa", "generátor", "analýza"}));
    EXPECT_EQ(form.MainMenu1->actions().front(), form.spoutn1);
    EXPECT_EQ(form.MainMenu1->actions().back(), form.analyza1);
    // The analysis menu opens the two windows of their own; the client area is untouched.
    ASSERT_NE(form.analyza1->menu(), nullptr);
    EXPECT_EQ(form.analyza1->menu()->actions(),
              (QList<QAction*>{form.fazeimpedance1, form.spektrum1}));
    EXPECT_TRUE(form.volbazobrazen1->isChecked());
    EXPECT_EQ(form.file1->menu(), nullptr);
    EXPECT_EQ(form.mix1->menu(), nullptr);
}

TEST_F(Form1Layout, GeneratorMenuOffersShowAndCancelForEachGenerator) {
    QMenu* generators = form.test2->menu();
    ASSERT_NE(generators, nullptr);
    const std::vector<std::pair<QAction*, std::pair<QAction*, QAction*>>> entries{
        {form.genertor11, {form.zobrazit1, form.zruit1}},
        {form.genertor21, {form.zobrazit2, form.zruit2}},
        {form.automatick1, {form.zobrazit3, form.zruit3}},
        {form.rozmtan1, {form.zobrazit4, form.zruit4}}};
    const std::vector<std::string> captions{"generátor 1", "generátor 2", "automatický",
                                            "rozmítaný"};
    ASSERT_EQ(generators->actions().size(), 4);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        QAction* entry = entries[i].first;
        EXPECT_EQ(generators->actions()[static_cast<qsizetype>(i)], entry);
        EXPECT_EQ(entry->text().toStdString(), captions[i]);
        ASSERT_NE(entry->menu(), nullptr);
        const QList<QAction*> pair = entry->menu()->actions();
        ASSERT_EQ(pair.size(), 2);
        EXPECT_EQ(pair[0], entries[i].second.first);
        EXPECT_EQ(pair[1], entries[i].second.second);
        EXPECT_EQ(pair[0]->text().toStdString(), "zobrazit");
        EXPECT_EQ(pair[1]->text().toStdString(), "zrušit");
    }
    EXPECT_TRUE(form.genertor11->font().bold());
    EXPECT_TRUE(form.zobrazit1->font().bold());
}

} // namespace
} // namespace app
