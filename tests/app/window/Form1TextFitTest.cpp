// SPDX-License-Identifier: MIT
// Whole texts: every visible control of the started window shows its whole text, the measurement
// behind that (also the script's `checktexts`) catches a cut one, and a missing window font is
// noticed.

#include "Form1TestRig.h"

#include "app/program/FontCheck.h"
#include "app/widgets/TextFit.h"
#include "app/window/layout/Form1LayoutKit.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace app {
namespace {

using test::Form1Rig;

TEST(Form1TextFit, EveryVisibleControlShowsItsWholeText) {
    Form1Rig rig;
    const std::vector<TextRoom> rooms = MeasureTextRoom(*rig.form);
    for (const TextRoom& room : rooms) {
        EXPECT_LE(room.textWidth, room.areaWidth)
            << room.control << " \"" << room.text.toStdString() << "\"";
        EXPECT_LE(room.textHeight, room.areaHeight)
            << room.control << " \"" << room.text.toStdString() << "\"";
    }
    // The top row, the scales' unit labels and generator 1's strip.
    EXPECT_GE(rooms.size(), 20U);
}

// A window of its own with one control of each kind; `fits` says whether its text has room.
struct Shown {
    const char* control;
    QString text;
    bool fits;
};

TEST(TextFit, MeasuresEveryVisibleTextAgainstTheRoomItsControlGives) {
    test::EnsureApplication();
    QWidget window;
    window.resize(400, 300);
    const auto place = [](QWidget* widget, const char* name, QRect geometry) {
        widget->setObjectName(QString::fromLatin1(name));
        widget->setGeometry(geometry);
        widget->setFont(layout::FormFont());
    };
    place(new QLineEdit(QStringLiteral("a text far too long for its edit"), &window), "Narrow",
          {0, 0, 40, 21});
    place(new QLineEdit(QStringLiteral("short"), &window), "Wide", {0, 30, 300, 21});
    place(new QLineEdit(QStringLiteral("far too long, but hidden"), &window), "Hidden",
          {0, 60, 20, 21});
    window.findChild<QLineEdit*>(QStringLiteral("Hidden"))->hide();
    place(new QLineEdit(QStringLiteral("fits      "), &window), "TrailingBlanks", {0, 90, 60, 21});
    place(new QPushButton(QStringLiteral("&start"), &window), "Button", {0, 120, 80, 23});
    place(new QLabel(QStringLiteral("tall text"), &window), "Flat", {100, 0, 200, 5});
    place(new QLabel(QString(), &window), "Empty", {100, 30, 5, 5});
    auto* box = new QComboBox(&window);
    box->setEditable(true);
    box->setEditText(QStringLiteral("typed into a box much too narrow"));
    place(box, "Box", {100, 60, 50, 21});

    const std::vector<Shown> expected = {
        {"Narrow", QStringLiteral("a text far too long for its edit"), false},
        {"Wide", QStringLiteral("short"), true},
        {"TrailingBlanks", QStringLiteral("fits"), true},
        {"Button", QStringLiteral("start"), true},
        {"Flat", QStringLiteral("tall text"), false},
        {"Box", QStringLiteral("typed into a box much too narrow"), false},
    };
    const std::vector<TextRoom> rooms = MeasureTextRoom(window);
    ASSERT_EQ(rooms.size(), expected.size()) << DescribeTextRoom(rooms);
    for (std::size_t i = 0; i < rooms.size(); ++i) {
        EXPECT_EQ(rooms[i].control, expected[i].control);
        EXPECT_EQ(rooms[i].text, expected[i].text) << expected[i].control;
        EXPECT_EQ(rooms[i].Fits(), expected[i].fits) << expected[i].control;
    }
}

TEST(TextFit, DescriptionNamesEveryCutTextOrTheTightestWholeOne) {
    const TextRoom roomy{"Edit1", QStringLiteral("12 mA"), 30, 13, 50, 17};
    const TextRoom tight{"ComboBox8", QStringLiteral("automaticky"), 58, 13, 60, 17};
    const TextRoom narrow{"Button3", QStringLiteral("ptimum"), 70, 13, 58, 17};
    const TextRoom low{"Edit2", QStringLiteral("V"), 8, 13, 20, 9};
    const struct {
        std::vector<TextRoom> rooms;
        std::string description;
    } cases[] = {
        {{roomy, tight},
         "2 texts whole, the tightest ComboBox8 \"automaticky\" with 2 px to spare"},
        {{roomy, narrow, low},
         "cut: Button3 \"ptimum\" needs 70 x 13 px, has 58 x 17 px; "
         "Edit2 \"V\" needs 8 x 13 px, has 20 x 9 px"},
        {{}, "no control shows a text"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DescribeTextRoom(c.rooms), c.description);
    }
}

TEST(FontCheck, NamesThePackageOnlyWhenTheFontAskedForIsMissing) {
    test::EnsureApplication();
    EXPECT_EQ(MissingFontNotice(layout::FormFont(), layout::kFormFontPackage), std::nullopt)
        << "the test machine has the window's font";
    QFont absent(QStringLiteral("Osciloskop Absent Sans"));
    absent.setStyleHint(QFont::SansSerif);
    EXPECT_EQ(MissingFontNotice(absent, "fonts-absent"),
              "the font 'Osciloskop Absent Sans' is missing; texts may be cut - install "
              "fonts-absent");
}

} // namespace
} // namespace app
