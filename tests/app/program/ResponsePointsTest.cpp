// SPDX-License-Identifier: MIT
// The rules that turn measured blocks into the points of a frequency response, the tone the
// playback ring is playing, the report's table, its file names and the plot's ticks.

#include "app/program/ResponsePoints.h"
#include "app/program/FrequencyReport.h"
#include "app/program/Options.h"
#include "app/program/ResponsePlot.h"
#include "app/program/StartupChecks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace app {
namespace {

constexpr Tone kA{100, 32000};
constexpr Tone kB{200, 32000};
constexpr Tone kAQuieter{100, 16000};

struct Block {
    std::optional<Tone> tone;
    double currentMa = 0;
    double voltageMv = 0;
};

std::string Describe(const std::vector<ResponsePoint>& points) {
    std::ostringstream text;
    for (const ResponsePoint& p : points) {
        text << p.frequencyHz << " Hz " << p.currentMa << " mA " << p.voltageMv << " mV x"
             << p.blocks << "; ";
    }
    return text.str();
}

TEST(ResponsePoints, EachStretchOfOneToneGivesThePointOfItsInnerBlocks) {
    // 99 and 999 mark the blocks next to a change, which must not reach any mean.
    const struct {
        const char* name;
        std::vector<Block> blocks;
        std::vector<ResponsePoint> expected;
    } cases[] = {
        {"nothing measured", {}, {}},
        {"two blocks are both next to a change", {{kA, 99, 999}, {kA, 99, 999}}, {}},
        {"the first and the latest block are left out",
         {{kA, 99, 999}, {kA, 10, 100}, {kA, 20, 200}, {kA, 99, 999}},
         {{100, 15, 150, 2}}},
        {"two tones in turn",
         {{kA, 99, 999}, {kA, 10, 100}, {kA, 99, 999}, {kB, 99, 999}, {kB, 30, 300}, {kB, 99}},
         {{100, 10, 100, 1}, {200, 30, 300, 1}}},
        {"a frequency visited twice gives two points in time order",
         {{kA, 99}, {kA, 10}, {kA, 99}, {kB, 99}, {kB, 20}, {kB, 99}, {kA, 99}, {kA, 30}, {kA}},
         {{100, 10, 0, 1}, {200, 20, 0, 1}, {100, 30, 0, 1}}},
        {"a block of no tone (generator 2, swept signal) ends the stretch",
         {{kA, 99}, {kA, 10}, {kA, 99}, {std::nullopt, 5}, {kA, 99}, {kA, 30}, {kA, 99}},
         {{100, 10, 0, 1}, {100, 30, 0, 1}}},
        {"another amplitude at the same frequency is another stretch",
         {{kA, 99}, {kA, 10}, {kA, 99}, {kAQuieter, 99}, {kAQuieter, 5}, {kAQuieter, 99}},
         {{100, 10, 0, 1}, {100, 5, 0, 1}}},
        {"no tone at all", {{std::nullopt, 1}, {std::nullopt, 2}, {std::nullopt, 3}}, {}},
        {"zero readouts are readouts", {{kA}, {kA}, {kA}, {kA}}, {{100, 0, 0, 2}}},
    };
    for (const auto& c : cases) {
        ResponsePoints points;
        for (const Block& block : c.blocks) {
            points.AddBlock(block.tone, block.currentMa, block.voltageMv);
        }
        EXPECT_EQ(Describe(points.Points()), Describe(c.expected)) << c.name;
    }
}

TEST(PlayedTones, ANewToneIsHeardOnceTheBuffersQueuedBeforeItHavePlayed) {
    PlayedTones played(4, kA);
    // Fills 1 to 3 replace buffers that played; the three queued before B still play A.
    for (int fill = 1; fill <= 3; ++fill) {
        played.BufferFilled(kB);
        EXPECT_EQ(played.Playing(), kA) << "after fill " << fill;
    }
    played.BufferFilled(kB);
    EXPECT_EQ(played.Playing(), kB);
    played.BufferFilled(std::nullopt);
    EXPECT_EQ(played.Playing(), kB) << "the swept signal is still queued";
}

TEST(PlayedTones, AStreamStartedAgainRefillsTheWholeRing) {
    PlayedTones played(4, kA);
    for (int fill = 0; fill < 4; ++fill) {
        played.BufferFilled(kB); // a start fills every buffer before any plays
    }
    EXPECT_EQ(played.Playing(), kB);
}

TEST(ResponseCsv, OneRowPerPointAndNoImpedanceWithoutCurrent) {
    const std::vector<ResponsePoint> points = {
        {100, 50, 1000, 3}, {200, 0, 5, 1}, {1000.5, 0.25, 1.0 / 3.0, 7}};
    EXPECT_EQ(ResponseCsv(points), "frequency_Hz,current_mA,voltage_mV,impedance_ohm,blocks\n"
                                   "100,50,1000,20,3\n"
                                   "200,0,5,,1\n"
                                   "1000.5,0.25,0.3333333333333333,1.3333333333333333,7\n");
    EXPECT_EQ(ResponseCsv({}), "frequency_Hz,current_mA,voltage_mV,impedance_ohm,blocks\n");
}

TEST(ReportFile, TheExtensionChoosesTheFormat) {
    const struct {
        const char* path;
        std::optional<ReportFormat> format;
    } cases[] = {
        {"response.csv", ReportFormat::Csv},
        {"RESPONSE.SVG", ReportFormat::Svg},
        {"a.b/plot.Png", ReportFormat::Png},
        {"response", std::nullopt},
        {"csv", std::nullopt},
        {"response.txt", std::nullopt},
        {"response.csv.bak", std::nullopt},
        {"dir.csv/", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReportFormatOf(c.path), c.format) << c.path;
    }
}

TEST(ReportFile, PathsThatCannotTakeAReportAreNamedWithTheReason) {
    const auto writable = std::filesystem::temp_directory_path() / "osc_report_check.svg";
    EXPECT_EQ(ReportPathError(writable.string()), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(writable)) << "checking creates nothing";

    const auto noFolder = ReportPathError("/nonexistent-dir/response.csv");
    ASSERT_TRUE(noFolder);
    EXPECT_EQ(*noFolder, "cannot write the report '/nonexistent-dir/response.csv': No such file "
                         "or directory");
    const auto badName = ReportPathError("response.pdf");
    ASSERT_TRUE(badName);
    EXPECT_EQ(*badName, "the report 'response.pdf' must end in .csv, .svg or .png");

    const ParsedScript script =
        ParseScript("wait 10\nreport ok.csv\nreport /nonexistent-dir/a.png\n");
    ASSERT_EQ(script.error, "");
    EXPECT_EQ(ScriptReportError(script.commands),
              "line 3: cannot write the report '/nonexistent-dir/a.png': No such file or "
              "directory");
}

TEST(ReportFile, TheCommandLineAndScriptsNameTheReportFile) {
    EXPECT_EQ(ParseCommandLine({"--report", "r.svg"}).options.report, "r.svg");
    EXPECT_EQ(ParseCommandLine({"--report=r.csv", "--log", "-"}).options.report, "r.csv");
    EXPECT_EQ(ParseCommandLine({"--report", ""}).exitCode, 2);
    EXPECT_EQ(ParseCommandLine({"--report", "a.csv", "--report", "b.csv"}).exitCode, 2);
    EXPECT_NE(UsageText().find("--report FILE"), std::string::npos);

    Options options;
    options.report = "/nonexistent-dir/r.png";
    EXPECT_EQ(StartupError(options),
              "cannot write the report '/nonexistent-dir/r.png': No such file or directory");
    EXPECT_EQ(ParseScript("report\n").error.empty(), false) << "the file is required";
    EXPECT_EQ(ParseScript("report a.csv b.csv\n").error.empty(), false);
}

TEST(ReportFile, FewerThanTwoPointsAreWrittenWithOneLineSayingSo) {
    const auto path = std::filesystem::temp_directory_path() / "osc_report_few.csv";
    FrequencyReport report("audio: simulated sound card");
    std::ostringstream notes;
    EXPECT_EQ(report.Write(path.string(), notes), "");
    std::ifstream in(path);
    std::string header;
    std::getline(in, header);
    EXPECT_EQ(header, "frequency_Hz,current_mA,voltage_mV,impedance_ohm,blocks");
    EXPECT_EQ(notes.str(), "osciloskop: the report '" + path.string() +
                               "' has 0 points: fewer than two of generator 1's tones lasted "
                               "three measured blocks\n");
    std::filesystem::remove(path);
}

TEST(ReportFile, AFileThatCannotBeWrittenAtTheEndIsAnErrorNamingIt) {
    // Checked writable at the start, its folder is gone when the report is written.
    const auto folder = std::filesystem::temp_directory_path() / "osc_report_gone";
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "response.csv").string();
    ASSERT_EQ(ReportPathError(path), std::nullopt);
    std::filesystem::remove_all(folder);
    FrequencyReport report("audio: simulated sound card");
    std::ostringstream notes;
    const std::string error = report.Write(path, notes);
    EXPECT_TRUE(error.starts_with("cannot write the report '" + path + "': ")) << error;
}

TEST(OneTwoFiveTicks, SpanThePointsFromTheTickBelowToTheTickAbove) {
    const struct {
        double low, high;
        std::vector<double> ticks;
    } cases[] = {
        {100, 1000, {100, 200, 500, 1000}},
        {100, 100, {100, 200}},
        {150, 150, {100, 200}},
        {95, 1050, {50, 100, 200, 500, 1000, 2000}},
        {20, 20000, {20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000}},
        {0.3, 0.7, {0.2, 0.5, 1}},
    };
    for (const auto& c : cases) {
        const std::vector<double> ticks = OneTwoFiveTicks(c.low, c.high);
        ASSERT_EQ(ticks.size(), c.ticks.size()) << c.low << ".." << c.high;
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            EXPECT_NEAR(ticks[i], c.ticks[i], c.ticks[i] * 1e-12) << c.low << ".." << c.high;
        }
    }
}

} // namespace
} // namespace app
