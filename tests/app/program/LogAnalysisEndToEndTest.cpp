// SPDX-License-Identifier: MIT
// The log's analysed columns as a user gets them: recordings with a planted phase and harmonic
// played into the simulated card, bad recordings that must leave the columns empty, and the
// simulated measuring unit's loads, whose phase and series parts follow from their formulas.

#include "ProgramRunSupport.h"
#include "StereoWav.h"

#include <QImage>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <numbers>
#include <optional>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using app::test::ProgramRun;

const fs::path& Folder() {
    static const fs::path folder = app::test::ScratchFolder("osc_log_analysis_");
    return folder;
}

ProgramRun Osciloskop(const std::string& arguments) {
    const fs::path err = Folder() / "stderr.txt";
    return app::test::RunProgram("QT_QPA_PLATFORM=offscreen timeout 60 '" OSC_PROGRAM "' " +
                                     arguments + " 2>'" + err.string() + "'",
                                 err);
}

// One second of stereo 16-bit frames at 44100 Hz: (voltage, current) of frame k.
fs::path Wav(const std::string& name, const std::function<std::pair<double, double>(int)>& frame) {
    return app::test::WriteStereoWav(Folder() / name, frame);
}

// The analysed columns of every row, by name; nothing for an empty field.
using Analysed = std::map<std::string, std::optional<double>>;

std::vector<Analysed> AnalysedRows(const std::string& log) {
    const char* names[] = {
        "fundamental_Hz", "current_fundamental_mA", "voltage_fundamental_mV", "phase_deg",
        "impedance_ohm",  "resistance_ohm",         "reactance_ohm",          "power_mW",
        "power_factor",   "thd_current_pct",        "thd_voltage_pct"};
    std::istringstream in(log);
    std::string line;
    std::getline(in, line);
    EXPECT_TRUE(line.ends_with(",fundamental_Hz,current_fundamental_mA,voltage_fundamental_mV,"
                               "phase_deg,impedance_ohm,resistance_ohm,reactance_ohm,power_mW,"
                               "power_factor,thd_current_pct,thd_voltage_pct"))
        << line;
    std::vector<Analysed> rows;
    while (std::getline(in, line)) {
        std::vector<std::string> fields(1);
        for (char c : line) { // the texts in these runs hold no comma
            if (c == ',') {
                fields.emplace_back();
            } else {
                fields.back().push_back(c);
            }
        }
        EXPECT_EQ(fields.size(), 25u) << line;
        if (fields.size() != 25) {
            continue;
        }
        Analysed row;
        for (std::size_t i = 0; i < std::size(names); ++i) {
            const std::string& field = fields[14 + i];
            row[names[i]] = field.empty() ? std::nullopt : std::optional(std::stod(field));
        }
        rows.push_back(row);
    }
    return rows;
}

// The rows after the first, which may have been captured before the signal was in force.
std::vector<Analysed> SettledRows(const ProgramRun& run) {
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::vector<Analysed> rows = AnalysedRows(run.out);
    EXPECT_GE(rows.size(), 3u) << run.out;
    if (!rows.empty()) {
        rows.erase(rows.begin());
    }
    return rows;
}

double Radians(double degrees) {
    return degrees * std::numbers::pi / 180;
}

// A recorded pair of sines: voltage 8000 units with a planted 1 % third harmonic, current
// 16000 units leading by `lead` degrees. Every second holds whole periods, so the loop joins.
struct RecordedPair {
    double frequency;
    double lead;
    double phaseTolerance;
};

class LogOfRecordedPair : public testing::TestWithParam<RecordedPair> {};

TEST_P(LogOfRecordedPair, PhaseLevelsImpedanceAndDistortion) {
    const RecordedPair pair = GetParam();
    const double w = 2 * std::numbers::pi * pair.frequency / 44100;
    const fs::path wav = Wav("pair.wav", [&](int k) {
        return std::pair{8000 * std::sin(w * k) + 80 * std::sin(3 * w * k),
                         16000 * std::sin(w * k + Radians(pair.lead))};
    });
    ProgramRun run = Osciloskop("--input '" + wav.string() + "' --log - --quit-after 1500");
    // The readouts' units: a sine of amplitude A reads 0.5 A * 0.063 mA and 0.5 A * 0.46 mV.
    const double i1 = 16000 * 0.5 * 0.063;
    const double u1 = 8000 * 0.5 * 0.46;
    const double z = u1 / i1;
    for (const Analysed& row : SettledRows(run)) {
        ASSERT_TRUE(row.at("phase_deg")) << "no phase at " << pair.frequency << " Hz";
        EXPECT_NEAR(*row.at("fundamental_Hz"), pair.frequency, pair.frequency * 1e-4);
        EXPECT_NEAR(*row.at("phase_deg"), -pair.lead, pair.phaseTolerance);
        EXPECT_NEAR(*row.at("current_fundamental_mA"), i1, i1 * 2e-3);
        EXPECT_NEAR(*row.at("voltage_fundamental_mV"), u1, u1 * 2e-3);
        EXPECT_NEAR(*row.at("impedance_ohm"), z, z * 3e-3);
        EXPECT_NEAR(*row.at("resistance_ohm"), z * std::cos(Radians(pair.lead)), z * 6e-3);
        EXPECT_NEAR(*row.at("reactance_ohm"), -z * std::sin(Radians(pair.lead)), z * 6e-3);
        EXPECT_NEAR(*row.at("power_mW"), u1 * i1 / 1000 * std::cos(Radians(pair.lead)),
                    u1 * i1 / 1000 * 6e-3);
        EXPECT_NEAR(*row.at("power_factor"), std::cos(Radians(pair.lead)), 6e-3);
        if (2 * pair.frequency < 22050) {
            ASSERT_TRUE(row.at("thd_voltage_pct") && row.at("thd_current_pct"));
            EXPECT_NEAR(*row.at("thd_voltage_pct"), 1.0, 0.02);
            EXPECT_LT(*row.at("thd_current_pct"), 0.05);
        } else { // no harmonic below the Nyquist frequency: no distortion to tell
            EXPECT_FALSE(row.at("thd_voltage_pct") || row.at("thd_current_pct"));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(LeadingAndLaggingAcrossTheBand, LogOfRecordedPair,
                         testing::Values(RecordedPair{437, 30, 0.1}, RecordedPair{61, -70, 0.1},
                                         RecordedPair{20, 45, 0.3}, RecordedPair{19993, -20, 0.3}));

// Recordings that support some of the columns or none: the others stay empty, never a number.
struct BadRecording {
    const char* name;
    std::function<std::pair<double, double>(int)> frame;
    std::vector<const char*> present; // every other analysed column must be empty
};

class LogOfBadRecording : public testing::TestWithParam<BadRecording> {};

TEST_P(LogOfBadRecording, LeavesWhatItCannotSupportEmpty) {
    const BadRecording& bad = GetParam();
    const fs::path wav = Wav(std::string(bad.name) + ".wav", bad.frame);
    for (const Analysed& row :
         SettledRows(Osciloskop("--input '" + wav.string() + "' --log - --quit-after 1500"))) {
        for (const auto& [name, value] : row) {
            const bool expected =
                std::find(bad.present.begin(), bad.present.end(), name) != bad.present.end();
            EXPECT_EQ(value.has_value(), expected) << name;
        }
    }
}

double Sine(int k, double amplitude) {
    return amplitude * std::sin(2 * std::numbers::pi * 441 * k / 44100);
}

// Seeded noise, the same on every run.
double Noise(int k, std::uint32_t seed) {
    std::uint32_t x = seed * 2654435761u + static_cast<std::uint32_t>(k) * 40503u + 12345u;
    x ^= x >> 13;
    x *= 0x5bd1e995u;
    x ^= x >> 15;
    return static_cast<double>(x % 16001) - 8000;
}

INSTANTIATE_TEST_SUITE_P(
    EmptyWhereUnsupported, LogOfBadRecording,
    testing::Values(BadRecording{"silence",
                                 [](int) {
                                     return std::pair{0.0, 0.0};
                                 },
                                 {}},
                    BadRecording{"silent_current",
                                 [](int k) {
                                     return std::pair{Sine(k, 8000), 0.0};
                                 },
                                 {"fundamental_Hz", "voltage_fundamental_mV", "thd_voltage_pct"}},
                    BadRecording{"clipped_current",
                                 [](int k) {
                                     return std::pair{Sine(k, 8000), Sine(k, 60000)};
                                 },
                                 {"fundamental_Hz", "voltage_fundamental_mV", "thd_voltage_pct"}},
                    BadRecording{"noise",
                                 [](int k) {
                                     return std::pair{Noise(k, 1), Noise(k, 2)};
                                 },
                                 {}}),
    [](const testing::TestParamInfo<BadRecording>& info) { return info.param.name; });

// The simulated measuring unit's loads at the start-up tone of 100 Hz: 22 ohm alone, with
// 68 uF (the default) or with 10 mH.
struct SimulatedLoad {
    const char* option;
    double reactance; // ohm
};

class LogOfSimulatedLoad : public testing::TestWithParam<SimulatedLoad> {};

TEST_P(LogOfSimulatedLoad, PhaseAndSeriesPartsFollowTheLoadsFormula) {
    const double r = 22;
    const double x = GetParam().reactance;
    const double phase = std::atan2(x, r) * 180 / std::numbers::pi;
    const std::string options = GetParam().option;
    for (const Analysed& row :
         SettledRows(Osciloskop("--audio sim " + options + " --log - --quit-after 2000"))) {
        ASSERT_TRUE(row.at("phase_deg"));
        EXPECT_NEAR(*row.at("fundamental_Hz"), 100, 0.01);
        EXPECT_NEAR(*row.at("phase_deg"), phase, 0.3);
        EXPECT_NEAR(*row.at("resistance_ohm"), r, r * 0.01);
        // A resistor's reactance within 1 % of its resistance, others within 1 % of their own.
        EXPECT_NEAR(*row.at("reactance_ohm"), x, std::max(std::abs(x), r) * 0.01);
    }
}

INSTANTIATE_TEST_SUITE_P(
    ThreeLoads, LogOfSimulatedLoad,
    testing::Values(SimulatedLoad{"", -1 / (2 * std::numbers::pi * 100 * 68e-6)},
                    SimulatedLoad{"--load r", 0},
                    SimulatedLoad{"--load rl", 2 * std::numbers::pi * 100 * 10e-3}),
    [](const testing::TestParamInfo<SimulatedLoad>& info) {
        return std::string(info.index == 0 ? "rc" : info.index == 1 ? "r" : "rl");
    });

// A script opens the analysis window, reads a readout and photographs the window.
TEST(AnalysisWindowEndToEnd, AScriptOpensReadsAndPhotographsIt) {
    const fs::path png = Folder() / "analysis.png";
    const fs::path script = Folder() / "analysis.osc";
    std::ofstream(script) << "windowshot AnalysisWindow \"" << png.string() << "\"\n";
    ProgramRun closed = Osciloskop("--load r --script '" + script.string() + "'");
    EXPECT_EQ(closed.exitCode, 1);
    EXPECT_NE(closed.err.find("the window 'AnalysisWindow' is not open"), std::string::npos)
        << closed.err;

    std::ofstream(script) << "menu fazeimpedance1\nwait 2000\nexpect EditInductance —\n"
                          << "expect EditCapacitance —\nwindowshot AnalysisWindow \""
                          << png.string() << "\"\nquit\n";
    ProgramRun run = Osciloskop("--load r --script '" + script.string() + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    QImage image(QString::fromStdString(png.string()));
    EXPECT_EQ(image.size(), QSize(700, 400));
}

} // namespace
