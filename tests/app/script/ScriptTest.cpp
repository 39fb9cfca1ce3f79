// SPDX-License-Identifier: MIT
// The script parser: every command, quoting, UTF-8 and each error with its line number; and the
// check of what a command names against a window with one control of each kind.

#include "Form1TestRig.h"

#include "app/script/Script.h"
#include "app/script/ScriptEcho.h"
#include "app/script/ScriptRunner.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace {

using app::ParseScript;
using app::ScriptVerb;

struct ScriptCase {
    const char* text;
    // The one command expected (line, verb, arguments, number), unless `error` is set.
    int line;
    ScriptVerb verb;
    std::vector<std::string> arguments;
    int number;
    const char* error;
};

const ScriptCase cases[] = {
    {"wait 500", 1, ScriptVerb::Wait, {"500"}, 500, ""},
    {"click RadioButton3", 1, ScriptVerb::Click, {"RadioButton3"}, 0, ""},
    {"select ComboBox4 2", 1, ScriptVerb::Select, {"ComboBox4", "2"}, 0, ""},
    {"select ComboBox4 \"od kanálu L\"",
     1,
     ScriptVerb::Select,
     {"ComboBox4", "od kanálu L"},
     0,
     ""},
    {"type Edit14 \"250\"", 1, ScriptVerb::Type, {"Edit14", "250"}, 0, ""},
    {"type Edit14 \"\"", 1, ScriptVerb::Type, {"Edit14", ""}, 0, ""},
    {"dblclick Edit14", 1, ScriptVerb::DoubleClick, {"Edit14"}, 0, ""},
    {"scroll ScrollBar5 250", 1, ScriptVerb::Scroll, {"ScrollBar5", "250"}, 250, ""},
    {"scroll ScrollBar5 -40", 1, ScriptVerb::Scroll, {"ScrollBar5", "-40"}, -40, ""},
    {"menu mazání", 1, ScriptVerb::Menu, {"mazání"}, 0, ""},
    {"menu \"generátor/generátor 2/zobrazit\"",
     1,
     ScriptVerb::Menu,
     {"generátor/generátor 2/zobrazit"},
     0,
     ""},
    {"screenshot /tmp/a b.png",
     1,
     ScriptVerb::Screenshot,
     {"/tmp/a", "b.png"},
     0,
     "line 1: 'screenshot' takes 1 argument, not 2"},
    {"screenshot \"/tmp/a b.png\"", 1, ScriptVerb::Screenshot, {"/tmp/a b.png"}, 0, ""},
    {"expect Button3 \"say \\\"hi\\\" \\\\\"",
     1,
     ScriptVerb::Expect,
     {"Button3", "say \"hi\" \\"},
     0,
     ""},
    {"quit", 1, ScriptVerb::Quit, {}, 0, ""},
    {"calibration", 1, ScriptVerb::Calibration, {}, 0, ""},
    {"calibration now",
     0,
     ScriptVerb::Quit,
     {},
     0,
     "line 1: 'calibration' takes 0 arguments, not 1"},
    {"checktexts", 1, ScriptVerb::CheckTexts, {}, 0, ""},
    // Layout: comments, blank lines, tabs, carriage returns, '#' inside quotes.
    {"# exercise\n\n\t  \nclick Button3   # again\r\n", 4, ScriptVerb::Click, {"Button3"}, 0, ""},
    {"expect Edit1 \"#1\"", 1, ScriptVerb::Expect, {"Edit1", "#1"}, 0, ""},
    // Errors name the line where they are.
    {"wait 10\njump Button3", 0, ScriptVerb::Quit, {}, 0, "line 2: unknown command 'jump'"},
    {"Click Button3", 0, ScriptVerb::Quit, {}, 0, "line 1: unknown command 'Click'"},
    {"\n\nclick", 0, ScriptVerb::Quit, {}, 0, "line 3: 'click' takes 1 argument, not 0"},
    {"select ComboBox4", 0, ScriptVerb::Quit, {}, 0, "line 1: 'select' takes 2 arguments, not 1"},
    {"quit now", 0, ScriptVerb::Quit, {}, 0, "line 1: 'quit' takes 0 arguments, not 1"},
    {"checktexts Edit1",
     0,
     ScriptVerb::Quit,
     {},
     0,
     "line 1: 'checktexts' takes 0 arguments, not 1"},
    {"wait soon",
     0,
     ScriptVerb::Quit,
     {},
     0,
     "line 1: 'soon' is not a whole number of milliseconds"},
    // A whole number that does not fit is out of range, not malformed.
    {"wait -5",
     0,
     ScriptVerb::Quit,
     {},
     0,
     "line 1: '-5' is out of range: 'wait' takes 0 to 2147483647 milliseconds"},
    {"wait 99999999999",
     0,
     ScriptVerb::Quit,
     {},
     0,
     "line 1: '99999999999' is out of range: 'wait' takes 0 to 2147483647 milliseconds"},
    {"wait 4294967296",
     0,
     ScriptVerb::Quit,
     {},
     0,
     "line 1: '4294967296' is out of range: 'wait' takes 0 to 2147483647 milliseconds"},
    {"wait 2147483647", 1, ScriptVerb::Wait, {"2147483647"}, 2147483647, ""},
    {"scroll ScrollBar5 -2147483649",
     0,
     ScriptVerb::Quit,
     {},
     0,
     "line 1: '-2147483649' is out of range: a position lies between -2147483648 and "
     "2147483647"},
    {"wait +5", 0, ScriptVerb::Quit, {}, 0, "line 1: '+5' is not a whole number of milliseconds"},
    // Echoed text shows control bytes escaped.
    {"\"\x1b[2J\x7f\t\"", 0, ScriptVerb::Quit, {}, 0, "line 1: unknown command '\\x1b[2J\\x7f\\t'"},
    {"scroll ScrollBar5 2.5", 0, ScriptVerb::Quit, {}, 0, "line 1: '2.5' is not a whole number"},
    {"quit\ntype Edit14 \"250",
     0,
     ScriptVerb::Quit,
     {},
     0,
     "line 2: the quoted text is not closed"},
    {"type Edit14 \"25\"0",
     0,
     ScriptVerb::Quit,
     {},
     0,
     "line 1: a blank must follow the closing quote"},
};

class ScriptLines : public testing::TestWithParam<ScriptCase> {};

TEST_P(ScriptLines, ParseToTheCommandOrTheError) {
    const ScriptCase& c = GetParam();
    const app::ParsedScript parsed = ParseScript(c.text);
    ASSERT_EQ(parsed.error, c.error) << c.text;
    if (*c.error != '\0') {
        EXPECT_TRUE(parsed.commands.empty()) << "nothing may run from a script with an error";
        return;
    }
    ASSERT_EQ(parsed.commands.size(), 1u) << c.text;
    const app::ScriptCommand& command = parsed.commands.front();
    EXPECT_EQ(command.line, c.line);
    EXPECT_EQ(command.verb, c.verb);
    EXPECT_EQ(command.arguments, c.arguments);
    EXPECT_EQ(command.number, c.number);
}

INSTANTIATE_TEST_SUITE_P(Table, ScriptLines, testing::ValuesIn(cases));

TEST(Script, KeepsEveryCommandWithItsLineInOrder) {
    const app::ParsedScript parsed = ParseScript("click RadioButton3\n# x\nwait 0\nquit");
    ASSERT_EQ(parsed.error, "");
    ASSERT_EQ(parsed.commands.size(), 3u);
    EXPECT_EQ(parsed.commands[0].line, 1);
    EXPECT_EQ(parsed.commands[1].line, 3);
    EXPECT_EQ(parsed.commands[2].line, 4);
    EXPECT_TRUE(ParseScript("").commands.empty());
}

TEST(Script, AnEchoedTextIsCutToEightyCharactersOnACharacterBoundary) {
    const struct {
        std::string text;
        std::string echo;
    } cases[] = {
        {std::string(80, 'x'), std::string(80, 'x')},
        {std::string(81, 'x'), std::string(80, 'x') + "..."},
        {std::string(1'000'000, 'x'), std::string(80, 'x') + "..."},
        // Two-byte characters: 80 of them are 160 bytes, none of them split.
        {[] {
             std::string s;
             for (int i = 0; i < 100; ++i) {
                 s += "\xc5\xbe"; // ž
             }
             return s;
         }(),
         [] {
             std::string s;
             for (int i = 0; i < 80; ++i) {
                 s += "\xc5\xbe";
             }
             return s + "...";
         }()},
        {std::string("a\nb\rc\0d\x01", 8), "a\\nb\\rc\\x00d\\x01"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(app::Echo(c.text), c.echo) << c.text.substr(0, 100);
    }
}

TEST(Script, AMegabyteUnknownCommandIsEchoedCut) {
    const app::ParsedScript parsed = ParseScript(std::string(1'000'000, 'z') + "\n");
    EXPECT_EQ(parsed.error, "line 1: unknown command '" + std::string(80, 'z') + "...'");
}

// One control of each kind a user tells apart, named by what it is, and one menu entry.
class KindsWindow : public QMainWindow {
public:
    KindsWindow() {
        auto* area = new QWidget(this);
        auto* layout = new QVBoxLayout(area);
        auto add = [&](QWidget* control, const char* name) {
            control->setObjectName(QString::fromLatin1(name));
            layout->addWidget(control);
        };
        add(new QPushButton(QStringLiteral("go")), "Button");
        add(new QComboBox, "List");
        auto* listWithEdit = new QComboBox;
        listWithEdit->setEditable(true);
        add(listWithEdit, "ListWithEdit");
        add(new QLineEdit, "Edit");
        add(new QScrollBar, "Bar");
        add(new QLabel(QStringLiteral("mA")), "Label");
        add(new QFrame, "Panel");
        setCentralWidget(area);
        menuBar()->addMenu(QStringLiteral("&file"))->addAction(QStringLiteral("open"));
    }
};

TEST(ScriptCheck, EachCommandTakesExactlyTheKindsOfControlItActsOn) {
    app::test::EnsureApplication();
    KindsWindow window;
    const std::pair<const char*, const char*> kinds[] = {
        {"Button", "a button"},
        {"List", "a list"},
        {"ListWithEdit", "a list with an edit field"},
        {"Edit", "an edit field"},
        {"Bar", "a scroll bar"},
        {"Label", "a label"},
        {"Panel", "a panel"},
    };
    // Each command naming a control, with what it needs and the controls that fit it.
    const struct {
        const char* line;
        const char* needs;
        std::vector<std::string> fitting;
    } commands[] = {
        {"click %", "a button", {"Button"}},
        {"select % 0", "a list", {"List", "ListWithEdit"}},
        {"type % x", "an edit field or a list with one", {"ListWithEdit", "Edit"}},
        {"dblclick %", "an edit field", {"Edit"}},
        {"scroll % 0", "a scroll bar", {"Bar"}},
        {"expect % x",
         "a button, list, edit field or label",
         {"Button", "List", "ListWithEdit", "Edit", "Label"}},
    };
    for (const auto& command : commands) {
        for (const auto& [name, kind] : kinds) {
            std::string line = command.line;
            line.replace(line.find('%'), 1, name);
            const app::ParsedScript parsed = ParseScript(line);
            ASSERT_EQ(parsed.error, "") << line;
            const bool fits = std::find(command.fitting.begin(), command.fitting.end(), name) !=
                              command.fitting.end();
            const std::string verb = line.substr(0, line.find(' '));
            EXPECT_EQ(app::CheckScript(parsed.commands, window),
                      fits ? ""
                           : "line 1: '" + verb + "' needs " + command.needs + "; '" + name +
                                 "' is " + kind)
                << line;
        }
    }
    // A menu entry by caption path or not at all; a file name is no control.
    EXPECT_EQ(app::CheckScript(ParseScript("menu file/open\nscreenshot Nothing").commands, window),
              "");
    EXPECT_EQ(app::CheckScript(ParseScript("wait 0\nmenu file/close").commands, window),
              "line 2: no menu entry 'file/close'");
    EXPECT_EQ(app::CheckScript(ParseScript("expect Nothing x").commands, window),
              "line 1: no control 'Nothing'");
}

} // namespace
