// SPDX-License-Identifier: MIT
#include "app/program/Options.h"

#include <gtest/gtest.h>

using app::ParseCommandLine;
using app::ParsedCommandLine;
using Action = ParsedCommandLine::Action;

namespace {

void ExpectFailure(const std::vector<std::string>& arguments, const std::string& fragment) {
    auto parsed = ParseCommandLine(arguments);
    EXPECT_EQ(parsed.action, Action::Fail) << arguments.front();
    EXPECT_EQ(parsed.exitCode, 2);
    EXPECT_NE(parsed.message.find(fragment), std::string::npos) << parsed.message;
    EXPECT_NE(parsed.message.find("--help"), std::string::npos) << parsed.message;
}

} // namespace

TEST(OptionsTest, NoArgumentsRunsWithTheDefaults) {
    auto parsed = ParseCommandLine({});
    EXPECT_EQ(parsed.action, Action::Run);
    EXPECT_EQ(parsed.exitCode, 0);
    EXPECT_TRUE(parsed.message.empty());
    EXPECT_EQ(parsed.options.audio, "");
    EXPECT_EQ(parsed.options.input, "");
    EXPECT_EQ(parsed.options.log, "");
    EXPECT_FALSE(parsed.options.quitAfterMs.has_value());
    EXPECT_EQ(parsed.options.screenshot, "");
}

TEST(OptionsTest, EveryOptionTakesItsValueSeparateOrAfterAnEqualsSign) {
    auto parsed = ParseCommandLine({"--audio", "hw:1", "--log=-", "--quit-after", "1500",
                                    "--screenshot=shot.png", "--script", "-"});
    ASSERT_EQ(parsed.action, Action::Run) << parsed.message;
    EXPECT_EQ(parsed.options.audio, "hw:1");
    EXPECT_EQ(parsed.options.log, "-");
    EXPECT_EQ(parsed.options.quitAfterMs, 1500);
    EXPECT_EQ(parsed.options.screenshot, "shot.png");
    EXPECT_EQ(parsed.options.script, "-");

    EXPECT_EQ(ParseCommandLine({"--audio=auto"}).options.audio, "");
    EXPECT_EQ(ParseCommandLine({"--quit-after=0"}).options.quitAfterMs, 0);
    // A file named like an option is still the value.
    EXPECT_EQ(ParseCommandLine({"--log", "--odd-name"}).options.log, "--odd-name");
}

TEST(OptionsTest, InputChoosesTheSimulatedCard) {
    auto parsed = ParseCommandLine({"--input", "signal.wav"});
    ASSERT_EQ(parsed.action, Action::Run);
    EXPECT_EQ(parsed.options.input, "signal.wav");
    EXPECT_EQ(parsed.options.audio, "sim");
    EXPECT_EQ(ParseCommandLine({"--audio", "sim", "--input", "a.wav"}).action, Action::Run);
    ExpectFailure({"--audio", "2", "--input", "a.wav"}, "--audio 2");
}

TEST(OptionsTest, HelpWinsAndNamesEveryOption) {
    auto parsed = ParseCommandLine({"--audio", "sim", "--help"});
    EXPECT_EQ(parsed.action, Action::ShowHelp);
    EXPECT_EQ(parsed.exitCode, 0);
    for (auto option :
         {"--audio", "--input", "--log", "--quit-after", "--screenshot", "--script", "--help"}) {
        EXPECT_NE(parsed.message.find(option), std::string::npos) << option;
    }
}

TEST(OptionsTest, VersionNamesTheProgramAndItsVersion) {
    auto parsed = ParseCommandLine({"--audio", "sim", "--version"});
    EXPECT_EQ(parsed.action, Action::ShowVersion);
    EXPECT_EQ(parsed.exitCode, 0);
    EXPECT_EQ(parsed.message, "osciloskop " OSC_TEST_VERSION "\n");
    EXPECT_NE(app::UsageText().find("--version"), std::string::npos);
}

TEST(OptionsTest, UnknownOptionsAndStrayArgumentsFail) {
    ExpectFailure({"--loud"}, "unknown option '--loud'");
    ExpectFailure({"-x"}, "unknown option '-x'");
    ExpectFailure({"--loud=3"}, "unknown option '--loud'");
    ExpectFailure({"file.wav"}, "unexpected argument 'file.wav'");
}

TEST(OptionsTest, BadOrMissingValuesFail) {
    ExpectFailure({"--quit-after", "soon"}, "'soon'");
    ExpectFailure({"--quit-after", "-5"}, "'-5'");
    ExpectFailure({"--quit-after", "15s"}, "'15s'");
    ExpectFailure({"--quit-after", "99999999999"}, "'99999999999'");
    ExpectFailure({"--quit-after", ""}, "--quit-after");
    ExpectFailure({"--log"}, "'--log' needs a value");
    ExpectFailure({"--input="}, "'--input' needs a non-empty value");
    ExpectFailure({"--screenshot", ""}, "'--screenshot' needs a non-empty value");
    ExpectFailure({"--log", "a.csv", "--log", "b.csv"}, "more than once");
}

TEST(OptionsTest, ScpiPortTakesTheWholeTcpRangeAndNothingElse) {
    EXPECT_EQ(ParseCommandLine({"--scpi", "0"}).options.scpiPort, 0);
    const ParsedCommandLine open = ParseCommandLine({"--scpi=65535", "--scpi-listen", "::"});
    EXPECT_EQ(open.options.scpiPort, 65535);
    EXPECT_EQ(open.options.scpiListen, "::");
    ExpectFailure({"--scpi", "65536"}, "'65536' is not a TCP port number");
    ExpectFailure({"--scpi", "-1"}, "'-1'");
    ExpectFailure({"--scpi", "5025x"}, "'5025x'");
    ExpectFailure({"--scpi-listen", "127.0.0.1"}, "--scpi-listen needs --scpi PORT");
}

TEST(OptionsTest, CalibrationRequestCommandLineRefusesABadReferenceWithExitCodeTwo) {
    const ParsedCommandLine bad = ParseCommandLine({"--calibrate", "current=-2mA"});
    EXPECT_EQ(bad.action, ParsedCommandLine::Action::Fail);
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.message.find("above zero"), std::string::npos) << bad.message;
    const ParsedCommandLine good = ParseCommandLine({"--calibrate=voltage=1,5V", "--audio", "sim"});
    ASSERT_EQ(good.action, ParsedCommandLine::Action::Run) << good.message;
    ASSERT_TRUE(good.options.calibrate);
    EXPECT_DOUBLE_EQ(good.options.calibrate->reference, 1500);
    EXPECT_TRUE(ParseCommandLine({"--calibration"}).options.listCalibration);
    for (const char* change : {"voltage=reset", "current=10mA"}) {
        const ParsedCommandLine both = ParseCommandLine({"--calibration", "--calibrate", change});
        EXPECT_EQ(both.action, ParsedCommandLine::Action::Fail) << change;
        EXPECT_EQ(both.exitCode, 2);
        EXPECT_NE(both.message.find("give one of them"), std::string::npos) << both.message;
    }
    EXPECT_NE(app::UsageText().find("--calibrate"), std::string::npos);
    EXPECT_NE(app::UsageText().find("--calibration"), std::string::npos);
}

TEST(OptionsTest, ALoadIsNamedAndOnlyForTheSimulatedMeasuringUnit) {
    for (const char* load : {"rc", "r", "rl"}) {
        const ParsedCommandLine parsed = ParseCommandLine({"--load", load});
        ASSERT_EQ(parsed.action, Action::Run) << parsed.message;
        EXPECT_EQ(parsed.options.load, load);
        EXPECT_EQ(parsed.options.audio, "sim") << "a load is the simulated card's";
    }
    EXPECT_EQ(ParseCommandLine({"--audio", "sim", "--load=rl"}).options.load, "rl");
    ExpectFailure({"--load", "c"}, "unknown load 'c' for --load; give rc, r or rl");
    ExpectFailure({"--load", "RC"}, "unknown load 'RC'");
    ExpectFailure({"--load", "rl", "--audio", "hw:1"}, "--audio hw:1");
    ExpectFailure({"--load", "r", "--input", "a.wav"}, "cannot be used with --input");
    EXPECT_NE(app::UsageText().find("--load"), std::string::npos);
}
