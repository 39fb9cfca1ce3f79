// SPDX-License-Identifier: MIT
// The window's editable boxes under the user's keys: the item index follows the typed text,
// and only a choice from the list is a click.

#include "Form1TestRig.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace app {
namespace {

using test::Form1Rig;

struct BoxCase {
    const char* name;
    QComboBox* TForm1::*box;
    const char* itemText; // an item other than item 0, typed in full
    int item;
};

void PrintTo(const BoxCase& box, std::ostream* out) {
    *out << box.name;
}

class EditableBox : public ::testing::TestWithParam<BoxCase> {
protected:
    // Replaces the box's text by `text`, key by key, as the user does (also keys beyond ASCII,
    // which QTest::keyClicks cannot send).
    void Type(const QString& text) {
        QTest::keyClick(line, Qt::Key_A, Qt::ControlModifier);
        for (QChar character : text) {
            QTest::sendKeyEvent(QTest::Click, line, Qt::Key_unknown, QString(character),
                                Qt::NoModifier);
        }
    }

    Form1Rig rig;
    QComboBox* box = rig.form.get()->*GetParam().box;
    QLineEdit* line = box->lineEdit();
    QSignalSpy clicks{box, &QComboBox::activated};
    const int items = box->count();
};

TEST_P(EditableBox, TextNamingNoItemSelectsNoneAndClicksNothingEvenOnReturn) {
    ASSERT_EQ(box->currentIndex(), 0);
    Type(QStringLiteral("12 mA"));
    EXPECT_EQ(box->currentIndex(), -1);
    EXPECT_EQ(box->currentText(), QStringLiteral("12 mA"));
    QTest::keyClick(line, Qt::Key_Return);
    QTest::keyClick(line, Qt::Key_Enter);
    EXPECT_EQ(box->currentIndex(), -1);
    EXPECT_EQ(box->currentText(), QStringLiteral("12 mA"));
    EXPECT_EQ(box->count(), items);
    EXPECT_EQ(clicks.count(), 0);
}

TEST_P(EditableBox, TextNamingAnItemSelectsItAndClicksNothing) {
    const QString itemText = QString::fromUtf8(GetParam().itemText);
    // A handler bound to the edit's change already sees the index that the text names.
    int indexSeenByChange = -2;
    const QObject scope; // ends the connection with this test's locals
    QObject::connect(box, &QComboBox::editTextChanged, &scope,
                     [&] { indexSeenByChange = box->currentIndex(); });
    Type(itemText);
    EXPECT_EQ(box->currentIndex(), GetParam().item);
    EXPECT_EQ(indexSeenByChange, GetParam().item);
    QTest::keyClick(line, Qt::Key_Return);
    EXPECT_EQ(box->currentIndex(), GetParam().item);
    // One more key: the cursor stayed where the user typed, and the text names no item again.
    QTest::keyClick(line, Qt::Key_X);
    EXPECT_EQ(box->currentText(), itemText + QStringLiteral("x"));
    EXPECT_EQ(box->currentIndex(), -1);
    EXPECT_EQ(indexSeenByChange, -1);
    QTest::keyClick(line, Qt::Key_Backspace);
    EXPECT_EQ(box->currentIndex(), GetParam().item);
    // Prefix matches select nothing: "automaticky" without its last letter.
    Type(QStringLiteral("automatick"));
    EXPECT_EQ(box->currentIndex(), -1);
    QTest::keyClick(line, Qt::Key_Y);
    EXPECT_EQ(box->currentIndex(), 0);
    EXPECT_EQ(box->count(), items);
    EXPECT_EQ(clicks.count(), 0);
}

TEST_P(EditableBox, ChoosingFromTheListClicks) {
    Type(QStringLiteral("nothing"));
    box->showPopup();
    QAbstractItemView* list = box->view();
    list->setCurrentIndex(box->model()->index(GetParam().item, 0));
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.front().front().toInt(), GetParam().item);
    EXPECT_EQ(box->currentIndex(), GetParam().item);
    EXPECT_EQ(box->currentText(), QString::fromUtf8(GetParam().itemText));
}

INSTANTIATE_TEST_SUITE_P(
    Form1, EditableBox,
    ::testing::Values(BoxCase{"ComboBox4", &TForm1::ComboBox4, "od kanálu R", 2},
                      BoxCase{"ComboBox9", &TForm1::ComboBox9, "     20 mA    ", 5},
                      BoxCase{"ComboBox10", &TForm1::ComboBox10, "       10 mV", 12}),
    [](const ::testing::TestParamInfo<BoxCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace app
