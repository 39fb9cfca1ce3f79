// SPDX-License-Identifier: MIT
// The frequency-response report of the osciloskop program as a user runs it on the simulated
// card: written at every close, signals included, and at a script's `report`; a file that
// cannot take it fails before the window opens, or with exit code 1 at the close.

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr int kDeadlineMs = 60000;

void EnsureCoreApplication() {
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "app_report_end_to_end_tests";
        static char* argv[] = {name, nullptr};
        new QCoreApplication(argc, argv); // lives until the process ends
    }
}

// A folder of this process's files, removed at its end.
struct Scratch {
    Scratch() : path(fs::temp_directory_path() / ("osc_report_" + std::to_string(getpid()))) {
        fs::create_directories(path);
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
    fs::path path;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The program on the simulated card, started without a display.
struct Program {
    explicit Program(QStringList arguments) {
        EnsureCoreApplication();
        process.setProgram(QStringLiteral(OSC_PROGRAM));
        arguments.prepend(QStringLiteral("sim"));
        arguments.prepend(QStringLiteral("--audio"));
        process.setArguments(arguments);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.start();
    }
    // Waits until the readout log on standard output (--log -) has `rows` rows: the window
    // is open and measuring.
    bool WaitForRows(int rows) {
        std::string out;
        while (std::count(out.begin(), out.end(), '\n') < rows + 1) {
            if (!process.waitForReadyRead(kDeadlineMs)) {
                return false;
            }
            out += process.readAllStandardOutput().toStdString();
        }
        return true;
    }
    int Finish() {
        const bool finished = process.waitForFinished(kDeadlineMs);
        err += process.readAllStandardError().toStdString();
        if (!finished) {
            process.kill();
            process.waitForFinished();
            return -1;
        }
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    QProcess process;
    std::string err;
};

const char* const kHeader = "frequency_Hz,current_mA,voltage_mV,impedance_ohm,blocks,phase_deg,"
                            "resistance_ohm,reactance_ohm\n";

TEST(ReportEndToEnd, AFileThatCannotTakeTheReportEndsTheRunBeforeTheWindowOpens) {
    const Scratch scratch;
    const std::string script = scratch / "bad.osc";
    std::ofstream(script) << "wait 10\nreport /nonexistent/plot.svg\nquit\n";
    const struct {
        QStringList arguments;
        std::string message;
    } cases[] = {
        {{"--report", "/nonexistent/response.csv"},
         "osciloskop: cannot write the report '/nonexistent/response.csv': No such file or "
         "directory\n"},
        {{"--report", "response.pdf"},
         "osciloskop: the report 'response.pdf' must end in .csv, .svg or .png\n"},
        {{"--script", QString::fromStdString(script)},
         "osciloskop: script '" + script +
             "', line 2: cannot write the report '/nonexistent/plot.svg': No such file or "
             "directory\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        Program program(c.arguments + QStringList{"--quit-after", "100"});
        EXPECT_EQ(program.Finish(), 2);
        EXPECT_NE(program.err.find(c.message), std::string::npos) << program.err;
        EXPECT_EQ(program.err.find("audio:"), std::string::npos) << "no sound card, no window";
    }
}

TEST(ReportEndToEnd, EveryCloseWritesTheReportSignalsIncluded) {
    const Scratch scratch;
    // One steady tone: a single point, written with a line saying that it is only one.
    const std::string byTimer = scratch / "timer.csv";
    Program timed({"--report", QString::fromStdString(byTimer), "--quit-after", "3000"});
    EXPECT_EQ(timed.Finish(), 0) << timed.err;
    EXPECT_TRUE(ReadAll(byTimer).starts_with(std::string(kHeader) + "100,")) << ReadAll(byTimer);
    EXPECT_NE(timed.err.find("the report '" + byTimer + "' has 1 point"), std::string::npos)
        << timed.err;

    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        const std::string path = scratch / ("signal" + std::to_string(signal) + ".svg");
        Program program({"--report", QString::fromStdString(path), "--log", "-"});
        ASSERT_TRUE(program.WaitForRows(3)) << program.err;
        ::kill(static_cast<pid_t>(program.process.processId()), signal);
        EXPECT_EQ(program.Finish(), 128 + signal) << program.err;
        QFile svg(QString::fromStdString(path));
        ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&svg);
        ASSERT_TRUE(xml.readNextStartElement());
        EXPECT_EQ(xml.name(), QStringLiteral("svg"));
    }
}

TEST(ReportEndToEnd, AScriptWritesTheReportSoFarAtEachReportCommand) {
    const Scratch scratch;
    const std::string script = scratch / "steps.osc";
    std::ofstream(script) << "scroll ScrollBar5 300\nwait 3000\nreport " << scratch / "a.csv"
                          << "\nscroll ScrollBar5 600\nwait 3000\nreport " << scratch / "b.csv"
                          << "\nquit\n";
    Program program({"--script", QString::fromStdString(script)});
    ASSERT_EQ(program.Finish(), 0) << program.err;
    const std::string first = ReadAll(scratch / "a.csv");
    const std::string second = ReadAll(scratch / "b.csv");
    EXPECT_TRUE(first.starts_with(std::string(kHeader) + "100,")) << first;
    EXPECT_NE(first.find("\n300,"), std::string::npos) << first;
    EXPECT_TRUE(second.starts_with(first.substr(0, first.find("\n300,")))) << "same 100 Hz";
    EXPECT_NE(second.find("\n300,"), std::string::npos) << second;
    EXPECT_NE(second.find("\n600,"), std::string::npos) << second;
}

TEST(ReportEndToEnd, AReportThatCannotBeWrittenAtTheCloseExitsOne) {
    const Scratch scratch;
    const fs::path folder = scratch.path / "gone";
    fs::create_directories(folder);
    const std::string path = (folder / "response.png").string();
    // The folder goes once the window measures, long before it closes by itself.
    Program program(
        {"--report", QString::fromStdString(path), "--log", "-", "--quit-after", "8000"});
    ASSERT_TRUE(program.WaitForRows(1)) << program.err;
    fs::remove_all(folder);
    EXPECT_EQ(program.Finish(), 1);
    EXPECT_NE(program.err.find("osciloskop: the report: "), std::string::npos) << program.err;
    EXPECT_NE(program.err.find(path + "' cannot be used: No such file or directory"),
              std::string::npos)
        << program.err;
}

// The README's example session, whose last command writes the report as a table instead.
TEST(ReportEndToEnd, TheExampleSessionGivesTheLoadsPhaseAtEveryStep) {
    const Scratch scratch;
    std::string script = ReadAll(OSC_EXAMPLES "/frequency-response.osc");
    const std::string plot = "report response.png";
    ASSERT_NE(script.find(plot), std::string::npos);
    script.replace(script.find(plot), plot.size(), "report " + scratch / "response.csv");
    std::ofstream(scratch / "example.osc") << script;
    Program program({"--script", QString::fromStdString(scratch / "example.osc")});
    ASSERT_EQ(program.Finish(), 0) << program.err;
    std::istringstream table(ReadAll(scratch / "response.csv"));
    std::string line;
    std::getline(table, line);
    int steps = 0;
    for (; std::getline(table, line); ++steps) {
        std::vector<double> row;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) {
            row.push_back(std::stod(cell));
        }
        ASSERT_EQ(row.size(), 8u) << line;
        // 22 ohm in series with 68 uF.
        const double reactance = -1 / (2 * std::numbers::pi * row[0] * 68e-6);
        EXPECT_NEAR(row[5], std::atan2(reactance, 22) * 180 / std::numbers::pi, 0.3) << line;
        EXPECT_NEAR(row[6], 22, 0.22) << line;
        EXPECT_NEAR(row[7], reactance, -reactance * 0.01) << line;
    }
    EXPECT_EQ(steps, 10) << "100 Hz to 1000 Hz in steps of 100 Hz";
}

} // namespace
