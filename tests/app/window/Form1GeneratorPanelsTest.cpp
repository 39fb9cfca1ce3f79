// SPDX-License-Identifier: MIT
// Generator 1's and generator 2's panels: range boxes, typed values, menu entries.

#include "Form1TestRig.h"

#include "app/window/ErrorReport.h"
#include "common/NumberText.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QScrollBar>

#include <gtest/gtest.h>

namespace app {
namespace {

using test::Form1Rig;

std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

// Chooses an item as the user does: the box's item changes, then its activation signal.
void Choose(QComboBox* box, int item) {
    box->setCurrentIndex(item);
    emit box->activated(item);
}

// Every position the bar takes, in order.
std::vector<int> Moves(QScrollBar* bar, const std::function<void()>& action) {
    std::vector<int> moves;
    auto connection = QObject::connect(bar, &QScrollBar::valueChanged,
                                       [&moves](int value) { moves.push_back(value); });
    action();
    QObject::disconnect(connection);
    return moves;
}

TEST(Generator1Panel, FrequencyRangesMoveTheBarInOrderAndFollowEveryMove) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    Choose(form.ComboBox8, 0);
    EXPECT_EQ(form.model.gen1Frequency, 50);
    EXPECT_EQ(Text(form.Edit14), " 50");
    // From 20..100 the maximum rises first; the minimum then pushes the position to 1000.
    EXPECT_EQ(Moves(form.ScrollBar5, [&] { Choose(form.ComboBox8, 2); }),
              (std::vector<int>{1000, 4000}));
    EXPECT_EQ(form.ScrollBar5->minimum(), 1000);
    EXPECT_EQ(form.ScrollBar5->maximum(), 20000);
    EXPECT_EQ(form.model.gen1Frequency, 4000);
    EXPECT_EQ(Text(form.Edit3), "kHz");
    EXPECT_FALSE(form.Panel14->isHidden());
    Choose(form.ComboBox8, 3);
    EXPECT_EQ(form.model.gen1Frequency, 100);
    EXPECT_EQ(form.ScrollBar5->minimum(), 10);
    Choose(form.ComboBox8, 1);
    EXPECT_EQ(form.ScrollBar5->maximum(), 1000);
}

TEST(Generator1Panel, AmplitudeRanges) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    struct Case {
        int item, maximum, position;
        const char* readout;
    };
    for (Case c : {Case{2, 8200, 4100, "234"}, Case{6, 328, 164, "9"}, Case{1, 16384, 8192, "468"},
                   Case{0, 32767, 16384, "936"}}) {
        Choose(form.ComboBox7, c.item);
        EXPECT_EQ(form.ScrollBar4->maximum(), c.maximum) << c.item;
        EXPECT_EQ(form.model.gen1Amplitude, c.position) << c.item;
        EXPECT_EQ(Text(form.Edit13), c.readout) << c.item;
    }
    // Item 0 again, the position unmoved: the amplitude and readout are still rewritten.
    form.model.gen1Amplitude = 1;
    form.Edit13->setText("x");
    Choose(form.ComboBox7, 0);
    EXPECT_EQ(form.model.gen1Amplitude, 16384);
    EXPECT_EQ(Text(form.Edit13), "936");
    Choose(form.ComboBox7, 7); // "  vypnuto"
    EXPECT_EQ(form.model.gen1Amplitude, 16384);
    EXPECT_EQ(form.ScrollBar4->maximum(), 32767);
}

TEST(Generator1Panel, TypedAmplitudeIsAppliedAndClampedToTheRange) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    Choose(form.ComboBox7, 0);
    form.Edit13->setText("100");
    emit form.Edit13->doubleClicked();
    EXPECT_EQ(form.model.gen1Amplitude, 3277);
    EXPECT_EQ(form.ScrollBar4->value(), 3277);
    EXPECT_EQ(Text(form.Edit13), "187");

    Choose(form.ComboBox7, 6);                // 0..328
    for (int press = 0; press < 2; ++press) { // the second press leaves the bar where it is
        form.Edit13->setText("5000");
        form.Edit13DblClick(nullptr);
        EXPECT_EQ(form.model.gen1Amplitude, 328) << press;
        EXPECT_EQ(Text(form.Edit13), "19") << press;
    }
}

TEST(Generator1Panel, TypedFrequencyIsAppliedAndClampedToTheRange) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    form.Edit14->setText(" 250");
    emit form.Edit14->doubleClicked();
    EXPECT_EQ(form.model.gen1Frequency, 250);
    for (int press = 0; press < 2; ++press) {
        form.Edit14->setText("5000");
        form.Edit14DblClick(nullptr);
        EXPECT_EQ(form.ScrollBar5->value(), 1000) << press;
        EXPECT_EQ(form.model.gen1Frequency, 1000) << press;
        EXPECT_EQ(Text(form.Edit14), " 1.0") << press;
    }
}

TEST(Generator1Panel, TypedTextThatIsNoIntegerIsReportedAndChangesNothing) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    RecordedErrorReports reports;
    Choose(form.ComboBox8, 2); // 4.0 kHz
    ASSERT_EQ(Text(form.Edit14), " 4.0");
    emit form.Edit14->doubleClicked();
    form.Edit13->setText("1e3");
    emit form.Edit13->doubleClicked();
    EXPECT_EQ(reports.Messages(), (std::vector<std::string>{"' 4.0' is not a valid integer value",
                                                            "'1e3' is not a valid integer value"}));
    EXPECT_EQ(form.model.gen1Frequency, 4000);
    EXPECT_EQ(form.ScrollBar5->value(), 4000);
    EXPECT_EQ(form.model.gen1Amplitude, 32000);
    EXPECT_EQ(Text(form.Edit13), "1e3");
}

TEST(Generator1Panel, CancelSilencesGenerator1OnlyAndShowRestoresDefaults) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    form.zobrazit2->trigger();
    form.ScrollBar5->setValue(700);
    form.zruit1->trigger();
    EXPECT_TRUE(form.Panel13->isHidden());
    EXPECT_EQ(form.model.gen1Amplitude, 0);
    EXPECT_EQ(form.model.gen2Amplitude, 1000) << "generator 2 goes on sounding";
    EXPECT_EQ(form.model.gen2Frequency, 500);
    EXPECT_EQ(form.ComboBox1->currentIndex(), 0);
    EXPECT_EQ(form.model.generatorTimeBase, 0);
    EXPECT_EQ(form.model.gen1Frequency, 700) << "the frequency is left as it is";

    form.zobrazit1->trigger();
    EXPECT_FALSE(form.Panel13->isHidden());
    EXPECT_EQ(form.model.gen1Amplitude, 3000);
    EXPECT_EQ(Text(form.Edit13), "171");
    EXPECT_EQ(form.model.gen1Frequency, 100);
    EXPECT_EQ(Text(form.Edit14), " 100");
    EXPECT_EQ(form.ComboBox8->currentIndex(), 1);
    EXPECT_EQ(form.model.frequencyL, 40.0);
}

TEST(Generator2Panel, ShowTakesTheScrollBarsAndRangesSetIt) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    EXPECT_EQ(form.model.gen2Amplitude, 0);
    form.zobrazit2->trigger();
    EXPECT_FALSE(form.Panel410->isHidden());
    EXPECT_EQ(Text(form.Edit403), "34");
    EXPECT_EQ(Text(form.Edit409), "500");

    Choose(form.ComboBox411, 2);
    form.ScrollBar406->setValue(12345);
    EXPECT_EQ(form.model.gen2Frequency, 12345);
    EXPECT_EQ(Text(form.Edit409), "12345");
    EXPECT_EQ(Text(form.Edit9), " Hz");

    Choose(form.ComboBox410, 2);
    EXPECT_EQ(form.ScrollBar403->maximum(), 8200);
    EXPECT_EQ(form.model.gen2Amplitude, 4100);
    EXPECT_EQ(Text(form.Edit403), "138");
    for (int item : {7, 8}) { // " 0 až 10 mV " and the empty item
        Choose(form.ComboBox410, item);
        EXPECT_EQ(form.model.gen2Amplitude, 4100) << item;
        EXPECT_EQ(form.ScrollBar403->maximum(), 8200) << item;
        EXPECT_EQ(Text(form.Edit403), "138") << item;
    }
    // Typing a range's text into the box selects it as the change of its text.
    form.ComboBox410->setEditText(" 0 až 1000mV");
    EXPECT_EQ(form.model.gen2Amplitude, 8192);
    EXPECT_EQ(Text(form.Edit403), "275");
    EXPECT_EQ(form.AudioOut1.LastError(), "Wave output device is already open");
}

TEST(Generator2Panel, SwitchOffItemAndCancelSilenceAndHide) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    form.zobrazit2->trigger();
    Choose(form.ComboBox411, 4);
    EXPECT_TRUE(form.Panel410->isHidden());
    EXPECT_EQ(form.model.gen2Amplitude, 0);
    EXPECT_EQ(form.model.gen2Frequency, 0);
    form.zobrazit2->trigger();
    EXPECT_EQ(form.model.gen2Amplitude, 1000) << "the scroll bars still hold the values";
    EXPECT_EQ(form.model.gen2Frequency, 500);

    form.zobrazit3->trigger();
    form.zobrazit2->trigger();
    EXPECT_TRUE(form.Panel215->isHidden());
    EXPECT_FALSE(form.Panel215->isEnabled());
    form.zruit2->trigger();
    EXPECT_TRUE(form.Panel410->isHidden());
    EXPECT_TRUE(form.Panel215->isEnabled());
    EXPECT_EQ(form.model.gen2Amplitude, 0);
    EXPECT_EQ(form.model.gen2Frequency, 0);
}

} // namespace
} // namespace app
