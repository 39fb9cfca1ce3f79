// SPDX-License-Identifier: MIT
// Calibration on the test's sound server: the instrument's own generator plays its start-up
// tone into the null sink, whose monitor loops it back into the voltage channel (the current
// channel's side of the output is silent). Calibrating on that tone makes the next run read
// the reference; calibrating the silent channel is refused.

#include "program/ProgramRunSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using app::test::ProgramRun;
using app::test::ReadAll;

namespace fs = std::filesystem;

fs::path Scratch(const std::string& name) {
    static const fs::path directory = app::test::ScratchFolder("osc_real_calibration_");
    return directory / name;
}

ProgramRun Osciloskop(const std::string& arguments) {
    const fs::path err = Scratch("stderr.txt");
    const std::string command =
        "QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME='" + Scratch("config").string() +
        "' ASAN_OPTIONS=fast_unwind_on_malloc=0 LSAN_OPTIONS=suppressions='" +
        Scratch("lsan.supp").string() + "' timeout 120 '" OSC_PROGRAM "' --audio auto " +
        arguments + " 2>'" + err.string() + "'";
    return app::test::RunProgram(command, err);
}

// The voltage column of the log's rows, leaving out the first blocks of the stream's start.
std::vector<double> Voltages(const fs::path& log) {
    std::ifstream in(log);
    std::vector<double> voltages;
    int row = 0;
    for (std::string line; std::getline(in, line); ++row) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) {
            fields.push_back(cell);
        }
        if (row > 3 && fields.size() >= 14) { // the readout columns come first
            voltages.push_back(std::stod(fields[3]));
        }
    }
    return voltages;
}

class RealAudioCalibration : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("OSC_SOUND_SERVER") == nullptr) {
            GTEST_SKIP() << "no sound server: scripts/test.sh starts PulseAudio for this test";
        }
        std::ofstream(Scratch("lsan.supp")) << "leak:libfontconfig\nleak:snd_dlopen\n";
        fs::remove_all(Scratch("config"));
    }
};

TEST_F(RealAudioCalibration, CalibratedRunReadsTheReferenceOnTheSameCard) {
    // A loaded machine may drop a block of the loopback, which the steadiness check rightly
    // refuses; the next attempt gets an undisturbed stretch.
    ProgramRun calibrate;
    for (int attempt = 0; attempt < 3; ++attempt) {
        calibrate = Osciloskop("--calibrate voltage=5V");
        if (calibrate.err.find("not steady") == std::string::npos) {
            break;
        }
    }
    ASSERT_EQ(calibrate.exitCode, 0) << calibrate.err;
    EXPECT_TRUE(std::regex_match(
        calibrate.out, std::regex("voltage: measured [0-9]+\\.[0-9]{2} V, reference 5 V, factor "
                                  "[0-9]+\\.[0-9]{3}, stored for card 'default on .+'\n")))
        << calibrate.out;

    const fs::path log = Scratch("calibrated.csv");
    const ProgramRun run = Osciloskop("--log '" + log.string() + "' --quit-after 4000");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("calibration: voltage ×"), std::string::npos) << run.err;
    const std::vector<double> voltages = Voltages(log);
    ASSERT_FALSE(voltages.empty()) << run.err;
    for (const double voltage : voltages) {
        EXPECT_NEAR(voltage, 5000, 50);
    }

    const ProgramRun silent = Osciloskop("--calibrate current=10mA");
    EXPECT_EQ(silent.exitCode, 2);
    EXPECT_NE(silent.err.find("too weak"), std::string::npos) << silent.err;
    const ProgramRun list = Osciloskop("--calibration");
    EXPECT_TRUE(std::regex_match(
        list.out, std::regex("card 'default on .+': voltage ×[0-9.]+ \\([0-9-]+\\)\n")))
        << list.out;
}

} // namespace
