// SPDX-License-Identifier: MIT
// Calibration as a user runs it, on the simulated card with recordings: a calibrated run on a
// signal A shows what an uncalibrated run shows on 2·A; weak, clipped and unsteady signals and
// bad references are refused with nothing stored; factors are kept across runs, listed, reset,
// and an unreadable file is reported and left alone until a new calibration replaces it.

#include "program/ProgramRunSupport.h"
#include "program/StereoWav.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using app::test::ProgramRun;
using app::test::ReadAll;

namespace fs = std::filesystem;

fs::path Scratch(const std::string& name) {
    static const fs::path directory = app::test::ScratchFolder("osc_calibration_");
    return directory / name;
}

// The program with its configuration in `config` (XDG_CONFIG_HOME).
ProgramRun Osciloskop(const fs::path& config, const std::string& arguments) {
    const fs::path err = Scratch("stderr.txt");
    const fs::path suppressions = Scratch("lsan.supp");
    std::ofstream(suppressions) << "leak:libfontconfig\n";
    const std::string command = "QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME='" + config.string() +
                                "' LSAN_OPTIONS=suppressions='" + suppressions.string() +
                                "' timeout 60 '" OSC_PROGRAM "' " + arguments + " 2>'" +
                                err.string() + "'";
    return app::test::RunProgram(command, err);
}

// One second of stereo 16-bit sound at 44.1 kHz, looped by the simulated card: first channel
// the voltage UR, second the current IL.
fs::path Wav(const std::string& name, const std::function<std::pair<double, double>(int)>& frame) {
    return app::test::WriteStereoWav(Scratch(name), frame);
}

// 441 Hz: every block of 8000 frames holds 80 whole periods and reads the same.
fs::path Sine(const std::string& name, double voltage, double current) {
    return Wav(name, [=](int k) {
        const double s = std::sin(2 * std::numbers::pi * 441 * k / 44100);
        return std::pair{voltage * s, current * s};
    });
}

struct Row {
    double current, voltage;
    std::string currentText, voltageText, rangeL, rangeR;
};

// The log's rows after the first (which may come before the first ranging).
std::vector<Row> Rows(const std::string& log) {
    std::istringstream in(log);
    std::string line;
    std::getline(in, line);
    std::getline(in, line);
    std::vector<Row> rows;
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) {
            f.push_back(cell.size() >= 2 && cell.front() == '"' ? cell.substr(1, cell.size() - 2)
                                                                : cell);
        }
        if (f.size() >= 14) { // the readouts, then the analysis columns
            rows.push_back({std::stod(f[1]), std::stod(f[3]), f[5], f[7], f[9], f[10]});
        }
    }
    return rows;
}

// The readout's unit without its digits: " 315mA" -> "mA", "1.84V" -> "V".
std::string Unit(const std::string& text) {
    return std::regex_replace(text, std::regex("[ 0-9.]"), "");
}

class Calibration : public ::testing::Test {
protected:
    void SetUp() override {
        config = Scratch(::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(config);
    }
    fs::path File() const { return config / "osciloskop" / "calibration.ini"; }
    ProgramRun Run(const std::string& arguments) const { return Osciloskop(config, arguments); }

    fs::path config;
};

const std::string kToday = [] {
    char text[16];
    const std::time_t now = std::time(nullptr);
    std::strftime(text, sizeof text, "%Y-%m-%d", std::localtime(&now));
    return std::string(text);
}();

TEST_F(Calibration, CalibratedRunOnAShowsWhatTheUncalibratedRunShowsOnTwiceA) {
    const fs::path a = Sine("a.wav", 4000, 5000);
    const fs::path doubled = Sine("2a.wav", 8000, 10000);
    // The readouts on A, uncalibrated: the references are twice them.
    const std::vector<Row> plain =
        Rows(Run("--input '" + a.string() + "' --log - --quit-after 1500").out);
    ASSERT_GE(plain.size(), 2u);
    const double current = 2 * plain.back().current;
    const double voltage = 2 * plain.back().voltage;

    char reference[64];
    std::snprintf(reference, sizeof reference, "current=%.4fmA", current);
    ProgramRun calibrate = Run("--input '" + a.string() + "' --calibrate " + reference);
    ASSERT_EQ(calibrate.exitCode, 0) << calibrate.err;
    EXPECT_TRUE(std::regex_match(calibrate.out,
                                 std::regex("current: measured [0-9]+\\.[0-9]{2} mA, reference "
                                            "[0-9]+\\.[0-9]{4} mA, factor 2\\.000, stored for card "
                                            "'simulated'\n")))
        << calibrate.out;
    // In volts with a decimal comma.
    std::snprintf(reference, sizeof reference, "voltage=%.6fV", voltage / 1000);
    std::string commaReference = reference;
    commaReference[commaReference.find('.')] = ',';
    calibrate = Run("--input '" + a.string() + "' --calibrate " + commaReference);
    ASSERT_EQ(calibrate.exitCode, 0) << calibrate.err;
    EXPECT_NE(calibrate.out.find("voltage: measured "), std::string::npos) << calibrate.out;
    // The reference is echoed as the user wrote it, digits and comma kept.
    EXPECT_NE(calibrate.out.find(", reference " +
                                 commaReference.substr(8, commaReference.size() - 9) +
                                 " V, factor 2.000, stored"),
              std::string::npos)
        << calibrate.out;

    const ProgramRun calibrated = Run("--input '" + a.string() + "' --log - --quit-after 1500");
    ASSERT_EQ(calibrated.exitCode, 0) << calibrated.err;
    EXPECT_NE(calibrated.err.find("calibration: current ×2.000 (" + kToday + "), voltage ×2.000 (" +
                                  kToday + ")\n"),
              std::string::npos)
        << calibrated.err;
    const ProgramRun reference2A = Osciloskop(
        Scratch("empty_config"), "--input '" + doubled.string() + "' --log - --quit-after 1500");
    EXPECT_EQ(reference2A.err.find("calibration: "), std::string::npos) << reference2A.err;
    const std::vector<Row> rowsA = Rows(calibrated.out);
    const std::vector<Row> rows2A = Rows(reference2A.out);
    ASSERT_GE(rowsA.size(), 2u);
    ASSERT_GE(rows2A.size(), 2u);
    for (const Row& row : rowsA) {
        const Row& expected = rows2A.back();
        EXPECT_NEAR(row.current, expected.current, 0.005 * expected.current);
        EXPECT_NEAR(row.voltage, expected.voltage, 0.005 * expected.voltage);
        EXPECT_EQ(row.rangeL, expected.rangeL);
        EXPECT_EQ(row.rangeR, expected.rangeR);
        EXPECT_EQ(Unit(row.currentText), Unit(expected.currentText));
        EXPECT_EQ(Unit(row.voltageText), Unit(expected.voltageText));
    }
    EXPECT_EQ(plain.back().rangeL, "500 mA") << "the calibrated range differs from A's own";

    // A script reports the factors in force.
    std::ofstream(Scratch("report.txt")) << "calibration\nquit\n";
    const ProgramRun script =
        Run("--input '" + a.string() + "' --script '" + Scratch("report.txt").string() + "'");
    EXPECT_EQ(script.exitCode, 0) << script.err;
    EXPECT_NE(script.err.find("calibration: current ×2.000, voltage ×2.000\n"), std::string::npos)
        << script.err;
}

// Each quantity alone on its channel, the other silent: a run that read the other channel would
// find it too weak. "Optimum" and range changes during the run (by a script here, by a click
// in the first moments for a user) leave the stored factor as it is without them.
TEST_F(Calibration, EachQuantityIsMeasuredOnItsOwnChannelWhateverTheConstantsMeanwhile) {
    const fs::path currentOnly = Sine("current_only.wav", 0, 5000);
    const fs::path voltageOnly = Sine("voltage_only.wav", 4000, 0);
    const std::vector<Row> currentRows =
        Rows(Run("--input '" + currentOnly.string() + "' --log - --quit-after 1500").out);
    const std::vector<Row> voltageRows =
        Rows(Run("--input '" + voltageOnly.string() + "' --log - --quit-after 1500").out);
    ASSERT_GE(currentRows.size(), 2u);
    ASSERT_GE(voltageRows.size(), 2u);
    char current[64];
    std::snprintf(current, sizeof current, "current=%.4fmA", 2 * currentRows.back().current);
    char voltage[64];
    std::snprintf(voltage, sizeof voltage, "voltage=%.4fmV", 2 * voltageRows.back().voltage);
    std::ofstream(Scratch("meddle.osc"))
        << "click Button2\nselect ComboBox9 3\nselect ComboBox10 3\nwait 20000\n";
    const std::string meddling = " --script '" + Scratch("meddle.osc").string() + "'";
    const struct {
        std::string arguments;
        int exitCode;
        const char* said;
    } cases[] = {
        {"--input '" + currentOnly.string() + "' --calibrate " + current, 0, "factor 2.000"},
        {"--input '" + voltageOnly.string() + "' --calibrate " + voltage, 0, "factor 2.000"},
        {"--input '" + currentOnly.string() + "' --calibrate voltage=1V", 2, "too weak"},
        {"--input '" + voltageOnly.string() + "' --calibrate current=100mA", 2, "too weak"},
        {"--input '" + currentOnly.string() + "' --calibrate " + current + meddling, 0,
         "factor 2.000"},
        {"--input '" + voltageOnly.string() + "' --calibrate " + voltage + meddling, 0,
         "factor 2.000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const ProgramRun run = Run(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_NE((run.out + run.err).find(c.said), std::string::npos) << run.out << run.err;
    }
}

TEST_F(Calibration, RefusalsExitTwoAndStoreNothing) {
    const fs::path clipped = Sine("clipped.wav", 32767, 32767);
    const fs::path weak = Sine("weak.wav", 300, 300);
    // The level jumps by an eighth every half second: blocks differ by far more than 1 %.
    const fs::path unsteady = Wav("unsteady.wav", [](int k) {
        const double s =
            (k < 22050 ? 8000 : 9000) * std::sin(2 * std::numbers::pi * 441 * k / 44100);
        return std::pair{s, s};
    });
    const fs::path good = Sine("good.wav", 4000, 5000);
    struct Case {
        std::string arguments;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"--input '" + clipped.string() + "' --calibrate current=100mA", "clipped"},
        {"--input '" + clipped.string() + "' --calibrate voltage=1V", "clipped"},
        {"--input '" + weak.string() + "' --calibrate current=100mA", "too weak"},
        {"--input '" + unsteady.string() + "' --calibrate voltage=1V", "not steady"},
        {"--input '" + good.string() + "' --calibrate current=", "needs a reference value"},
        {"--input '" + good.string() + "' --calibrate current=12.5", "needs a unit"},
        {"--input '" + good.string() + "' --calibrate current=12.5mV", "not a unit of current"},
        {"--input '" + good.string() + "' --calibrate current=many", "not a number"},
        {"--input '" + good.string() + "' --calibrate voltage=0V", "above zero"},
        {"--input '" + good.string() + "' --calibrate voltage=-2,5V", "above zero"},
        {"--input '" + good.string() + "' --calibrate power=5W", "neither current nor voltage"},
        {"--input '" + good.string() + "' --calibrate current=100mA --quit-after 200",
         "closed before the measurement ended"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const ProgramRun run = Run(c.arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(fs::exists(File()));
    }
}

TEST_F(Calibration, FactorsAreKeptAcrossRunsListedAndReset) {
    const fs::path a = Sine("keep.wav", 4000, 5000);
    const std::string input = "--input '" + a.string() + "' ";
    EXPECT_EQ(Run("--calibration").out, "no calibration stored (" + File().string() + ")\n");
    ASSERT_EQ(Run(input + "--calibrate current=315mA").exitCode, 0);
    ASSERT_EQ(Run(input + "--calibrate voltage=460mV").exitCode, 0);
    ProgramRun list = Run("--calibration");
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.out, "card 'simulated': current ×2.000 (" + kToday + "), voltage ×0.500 (" +
                            kToday + ")\n");

    const ProgramRun reset = Run(input + "--calibrate current=reset");
    EXPECT_EQ(reset.exitCode, 0) << reset.err;
    EXPECT_EQ(reset.out, "current: calibration removed for card 'simulated'\n");
    EXPECT_EQ(Run("--calibration").out, "card 'simulated': voltage ×0.500 (" + kToday + ")\n");
    const ProgramRun run = Run(input + "--quit-after 300");
    EXPECT_NE(run.err.find("calibration: voltage ×0.500 (" + kToday + ")\n"), std::string::npos)
        << run.err;
    EXPECT_EQ(Run(input + "--calibrate voltage=reset").exitCode, 0);
    EXPECT_EQ(Run(input + "--calibrate voltage=reset").out,
              "voltage: no calibration was stored for card 'simulated'\n");
    EXPECT_EQ(Run("--calibration").out, "no calibration stored (" + File().string() + ")\n");
}

TEST_F(Calibration, UnreadableFileStartsUncalibratedAndStaysUntilANewCalibration) {
    const fs::path a = Sine("corrupt.wav", 4000, 5000);
    const std::string input = "--input '" + a.string() + "' ";
    fs::create_directories(File().parent_path());
    const std::string broken = "[simulated\ncurrent\\factor=2\ncurrent\\date=2026-01-01\n";
    std::ofstream(File(), std::ios::binary) << broken;

    const ProgramRun run = Run(input + "--log - --quit-after 1000");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("cannot be read"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("starting uncalibrated"), std::string::npos) << run.err;
    const std::vector<Row> rows = Rows(run.out);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.back().rangeL, "500 mA") << "uncalibrated";
    EXPECT_EQ(Run("--calibration").exitCode, 2);
    EXPECT_EQ(Run(input + "--calibrate current=reset").exitCode, 2);
    EXPECT_EQ(ReadAll(File()), broken);

    ASSERT_EQ(Run(input + "--calibrate current=315mA").exitCode, 0);
    EXPECT_EQ(Run("--calibration").out, "card 'simulated': current ×2.000 (" + kToday + ")\n");
}

} // namespace
