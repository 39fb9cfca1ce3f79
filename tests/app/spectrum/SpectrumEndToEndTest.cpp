// SPDX-License-Identifier: MIT
// The spectrum export of the osciloskop program as a user runs it, on the simulated card
// playing a recording made here: the window's THD readout and the flat-top CSV's level and
// peak frequency of a tone between two bins, --spectrum written at every close whether or not
// the window was opened, and files that cannot take it refused before the window opens.

#include "program/ProgramRunSupport.h"
#include "program/StereoWav.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using app::test::ProgramRun;
using app::test::ReadAll;

// The instrument's level constants at start-up, without calibration: mA and mV per rms unit.
constexpr double kCurrentScale = 0.063;
constexpr double kVoltageScale = 0.46;
constexpr double kBinWidth = 44100.0 / 8000;

fs::path Scratch(const std::string& name) {
    static const fs::path directory = app::test::ScratchFolder("osc_spectrum_");
    return directory / name;
}

// The program on the simulated card, with a configuration folder of its own (no calibration).
ProgramRun Osciloskop(const std::string& arguments, const std::string& prefix = "timeout 60") {
    const fs::path err = Scratch("stderr.txt");
    const fs::path suppressions = Scratch("lsan.supp");
    std::ofstream(suppressions) << "leak:libfontconfig\n";
    fs::create_directories(Scratch("config"));
    const std::string command = "QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME='" +
                                Scratch("config").string() + "' LSAN_OPTIONS=suppressions='" +
                                suppressions.string() + "' " + prefix + " '" OSC_PROGRAM "' " +
                                arguments + " 2>'" + err.string() + "'";
    return app::test::RunProgram(command, err);
}

// One second of 1000 Hz (bin 181.4, between two bins; whole periods, so the loop is seamless):
// the voltage a plain sine of 12 000, the current 8 000 with a third harmonic of 1 %.
fs::path TestTone() {
    return app::test::WriteStereoWav(Scratch("tone.wav"), [](int k) {
        const double t = 2 * std::numbers::pi * 1000 * k / 44100;
        return std::pair(12000 * std::sin(t), 8000 * std::sin(t) + 80 * std::sin(3 * t + 0.4));
    });
}

struct Csv {
    std::string header;
    std::vector<std::vector<double>> columns{3};
};

Csv ReadCsv(const fs::path& path) {
    std::istringstream in(ReadAll(path));
    Csv csv;
    std::getline(in, csv.header);
    for (std::string line; std::getline(in, line);) {
        std::istringstream row(line);
        std::string cell;
        for (auto& column : csv.columns) {
            std::getline(row, cell, ',');
            column.push_back(std::stod(cell));
        }
    }
    return csv;
}

std::size_t Peak(const std::vector<double>& levels) {
    return static_cast<std::size_t>(std::max_element(levels.begin() + 1, levels.end()) -
                                    levels.begin());
}

std::string Script(const std::string& name, const std::string& text) {
    const fs::path path = Scratch(name);
    std::ofstream(path) << text;
    return "'" + path.string() + "'";
}

TEST(SpectrumEndToEnd, WindowReadsThdAndTheFlatTopCsvReadsTheToneBetweenBins) {
    const fs::path csv = Scratch("window.csv");
    const fs::path svg = Scratch("close.svg");
    fs::remove(csv);
    fs::remove(svg);
    const ProgramRun run = Osciloskop(
        "--input '" + TestTone().string() + "' --spectrum '" + svg.string() + "' --script " +
        Script("flat-top.osc", "menu spektrum1\n"
                               "select SpectrumWindowBox flat-top\n"
                               "wait 2500\n"
                               "expect SpectrumThdL \"1.00 %\"\n"
                               "expect SpectrumFundamentalR \"1000.0 Hz\"\n"
                               "spectrum \"" +
                                   csv.string() + "\"\nquit\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err;

    const Csv spectrum = ReadCsv(csv);
    EXPECT_EQ(spectrum.header, "frequency_Hz,current_mA,voltage_mV");
    ASSERT_EQ(spectrum.columns[0].size(), 4001u);
    for (const int channel : {1, 2}) {
        SCOPED_TRACE(channel);
        const std::size_t peak = Peak(spectrum.columns[channel]);
        EXPECT_LE(std::abs(spectrum.columns[0][peak] - 1000), kBinWidth / 2);
        // The tone's rms as the readouts give it: their mean runs over twice the block's
        // frames, so a sine of amplitude A reads A / 2 times the scale.
        const double rms = channel == 1 ? 8000 / 2.0 * kCurrentScale : 12000 / 2.0 * kVoltageScale;
        EXPECT_NEAR(spectrum.columns[channel][peak] / rms, 1, 0.001);
    }
    // Written at the close too, as a picture whose text is text.
    EXPECT_NE(ReadAll(svg).find("THD"), std::string::npos);
}

TEST(SpectrumEndToEnd, SpectrumIsWrittenAtEveryCloseWithoutTheWindowEverOpening) {
    const fs::path quit = Scratch("quit.csv");
    const fs::path signal = Scratch("signal.png");
    fs::remove(quit);
    fs::remove(signal);
    ProgramRun run = Osciloskop("--input '" + TestTone().string() +
                                "' --quit-after 2500 --spectrum '" + quit.string() + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Csv spectrum = ReadCsv(quit);
    EXPECT_NEAR(spectrum.columns[0][Peak(spectrum.columns[2])], 1000, kBinWidth / 2);

    // An ending signal closes the window as the user would: the file is there all the same.
    const fs::path log = Scratch("signal.csv");
    fs::remove(log);
    EXPECT_EQ(app::test::ExitCodeAfterSignal(OSC_PROGRAM,
                                             {"--audio", "sim", "--log", log, "--spectrum", signal},
                                             log, SIGTERM),
              128 + SIGTERM);
    EXPECT_EQ(ReadAll(signal).substr(1, 3), "PNG");
}

TEST(SpectrumEndToEnd, FilesThatCannotTakeTheSpectrumAreRefusedBeforeTheWindowOpens) {
    const std::string missing = Scratch("missing").string() + "/s.csv";
    struct Case {
        std::string arguments, message;
    } cases[] = {
        {"--spectrum '" + Scratch("s.txt").string() + "'", "must end in .csv, .svg or .png"},
        {"--spectrum '" + missing + "'", "No such file or directory"},
        {"--spectrum '" + Scratch("").string() + "'", "must end in .csv"},
        {"--script " + Script("bad.osc", "spectrum out.pdf\n"),
         "line 1: the spectrum 'out.pdf' must end in .csv, .svg or .png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const ProgramRun run = Osciloskop("--audio sim --quit-after 20000 " + c.arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("simulated sound card"), std::string::npos) << "before the card";
    }
    EXPECT_FALSE(fs::exists(missing));
}

} // namespace
