// SPDX-License-Identifier: MIT
// The report's table, its file names and the plot's ticks.

#include "app/program/Options.h"
#include "app/program/StartupChecks.h"
#include "app/report/FrequencyReport.h"
#include "app/report/ResponsePlot.h"
#include "common/CsvFields.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>

namespace app {
namespace {

using analysis::ResponsePoint;

constexpr const char* kHeader = "frequency_Hz,current_mA,voltage_mV,impedance_ohm,blocks,"
                                "phase_deg,resistance_ohm,reactance_ohm\n";

TEST(ResponseCsv, OneRowPerPointAndNoImpedanceWithoutCurrent) {
    const std::vector<ResponsePoint> points = {
        {100, 50, 1000, 3}, {200, 0, 5, 1}, {1000.5, 0.25, 1.0 / 3.0, 7}};
    EXPECT_EQ(ResponseCsv(points), std::string(kHeader) +
                                       "100,50,1000,20,3,,,\n"
                                       "200,0,5,,1,,,\n"
                                       "1000.5,0.25,0.3333333333333333,1.3333333333333333,7,,,\n");
    EXPECT_EQ(ResponseCsv({}), kHeader);
}

TEST(ResponseCsv, APhaseSplitsTheImpedanceIntoItsSeriesParts) {
    ResponsePoint point{50, 10, 200, 4};
    point.phaseDegrees = -60;
    EXPECT_EQ(ResponseCsv({point}),
              std::string(kHeader) + "50,10,200,20,4,-60," +
                  common::NumberField(20 * std::cos(-60 * std::numbers::pi / 180)) + "," +
                  common::NumberField(20 * std::sin(-60 * std::numbers::pi / 180)) + "\n");
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
    EXPECT_EQ(header + "\n", kHeader);
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
    EXPECT_TRUE(error.starts_with("the report: ")) << error;
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_TRUE(error.ends_with(": No such file or directory")) << error;
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
