// SPDX-License-Identifier: MIT
// The osciloskop program as a user runs it, without a display: recordings played into the
// simulated card come out as readouts in the log, a picture of the window is kept at the end,
// and bad command lines fail with exit code 2.

#include <QImage>

#include "ProgramRunSupport.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using app::test::ProgramRun;
using app::test::ReadAll;

namespace fs = std::filesystem;

// Files of this process only: ctest runs the tests of this file side by side.
struct ScratchDirectory {
    ScratchDirectory()
        : path(fs::temp_directory_path() / ("osc_end_to_end_" + std::to_string(getpid()))) {
        fs::create_directories(path);
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    fs::path path;
};

fs::path Scratch(const std::string& name) {
    static ScratchDirectory directory;
    return directory.path / name;
}

ProgramRun Osciloskop(const std::string& arguments) {
    const fs::path err = Scratch("stderr.txt");
    // Sanitizer builds: fontconfig keeps its one-time set-up for the whole process.
    const fs::path suppressions = Scratch("lsan.supp");
    std::ofstream(suppressions) << "leak:libfontconfig\n";
    const std::string command = "QT_QPA_PLATFORM=offscreen LSAN_OPTIONS=suppressions='" +
                                suppressions.string() + "' timeout 60 '" OSC_PROGRAM "' " +
                                arguments + " 2>'" + err.string() + "'";
    return app::test::RunProgram(command, err);
}

// A stereo 16-bit WAV of one second; `frame` gives (first channel, second channel) of frame k.
// `frames` frames (one second's worth when 0), played in a loop by the simulated card.
void WriteWav(const fs::path& path, int rate,
              const std::function<std::pair<double, double>(int)>& frame, int frames = 0) {
    frames = frames > 0 ? frames : rate;
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    std::vector<short> samples;
    for (int k = 0; k < frames; ++k) {
        auto [first, second] = frame(k);
        samples.push_back(static_cast<short>(std::lround(first)));
        samples.push_back(static_cast<short>(std::lround(second)));
    }
    sf_writef_short(file, samples.data(), frames);
    sf_close(file);
}

struct Row {
    double time, current, frequencyL, voltage, frequencyR;
    std::string currentText, frequencyLText, voltageText, frequencyRText;
    std::string rangeL, rangeR, timeBase;
    double measuredL, measuredR;
};

// Rows of the log; the text fields never hold a comma or quote here.
std::vector<Row> Rows(const std::string& log) {
    std::istringstream in(log);
    std::string line;
    std::getline(in, line);
    // The readout columns come first, as they always have; the analysed ones follow.
    EXPECT_TRUE(line.starts_with("time_s,current_mA,frequency_L_Hz,voltage_mV,frequency_R_Hz,"
                                 "IL_text,fL_text,UR_text,fR_text,range_L,range_R,time_base,"
                                 "measured_L_Hz,measured_R_Hz,"))
        << line;
    std::vector<Row> rows;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) {
            fields.push_back(cell);
        }
        EXPECT_GE(fields.size(), 14u) << line;
        if (fields.size() < 14) {
            continue;
        }
        auto text = [](const std::string& quoted) {
            EXPECT_TRUE(quoted.size() >= 2 && quoted.front() == '"' && quoted.back() == '"');
            return quoted.substr(1, quoted.size() - 2);
        };
        rows.push_back({std::stod(fields[0]), std::stod(fields[1]), std::stod(fields[2]),
                        std::stod(fields[3]), std::stod(fields[4]), text(fields[5]),
                        text(fields[6]), text(fields[7]), text(fields[8]), text(fields[9]),
                        text(fields[10]), text(fields[11]), std::stod(fields[12]),
                        std::stod(fields[13])});
    }
    return rows;
}

TEST(EndToEnd, ConstantLevelsReadAsHalfABlockOfThatLevel) {
    const fs::path wav = Scratch("constant.wav");
    WriteWav(wav, 44100, [](int) { return std::pair{3000.0, 10000.0}; });
    ProgramRun run =
        Osciloskop("--audio sim --input '" + wav.string() + "' --log - --quit-after 1500");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("simulated sound card"), std::string::npos) << run.err;
    auto rows = Rows(run.out);
    ASSERT_GE(rows.size(), 2u) << run.out;
    for (const Row& row : rows) {
        // sqrt(7999 c^2 / 16000) * scale: position 0 is left out, the block's second half is 0.
        EXPECT_NEAR(row.current, std::sqrt(7999.0 * 10000 * 10000 / 16000) * 0.063, 1e-9);
        EXPECT_NEAR(row.voltage, std::sqrt(7999.0 * 3000 * 3000 / 16000) * 0.46, 1e-9);
        EXPECT_EQ(row.currentText, " 445mA");
        EXPECT_EQ(row.voltageText, " 976mV");
        EXPECT_EQ(row.frequencyL, 100) << "the time base follows generator 1";
        EXPECT_EQ(row.frequencyLText, "   100Hz");
        EXPECT_EQ(row.frequencyRText, "   100Hz");
        EXPECT_GT(row.time, 0);
        EXPECT_LT(row.time, 10);
    }
    for (std::size_t i = 1; i < rows.size(); ++i) {
        EXPECT_GT(rows[i].time, rows[i - 1].time);
    }
}

TEST(EndToEnd, SineLevelsReadAsTheirRmsOverTheWholeBlock) {
    // 441 Hz: a block of 8000 frames holds exactly 80 periods, whatever its phase.
    const fs::path wav = Scratch("sine.wav");
    WriteWav(wav, 44100, [](int k) {
        const double s = std::sin(2 * std::numbers::pi * 441 * k / 44100);
        return std::pair{8000 * s, 16000 * s};
    });
    ProgramRun run = Osciloskop("--input '" + wav.string() + "' --log - --quit-after 1500");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    auto rows = Rows(run.out);
    ASSERT_GE(rows.size(), 2u) << run.out;
    for (const Row& row : rows) {
        // Mean square A^2 (4000 - sin^2 of position 0) / 16000, so rms within 1/8000 of A / 2.
        EXPECT_NEAR(row.current, 16000 * 0.5 * 0.063, 504 * 2e-4);
        EXPECT_NEAR(row.voltage, 8000 * 0.5 * 0.46, 1840 * 2e-4);
        EXPECT_EQ(row.currentText, " 504mA");
        EXPECT_EQ(row.voltageText, "1.84V");
    }
}

TEST(EndToEnd, LogRecordsTheScreensRangesTimeBaseAndMeasuredFrequencies) {
    // The readouts follow generator 1 (" generátoru"); the measured columns do not.
    const fs::path wav = Scratch("sine55.wav");
    // 55 whole periods of 800 samples, so that the loop joins without a jump: a block across a
    // jump would time a shortened half-wave.
    WriteWav(
        wav, 44100,
        [](int k) {
            const double s = std::sin(2 * std::numbers::pi * 55.125 * k / 44100);
            return std::pair{8000 * s, 16000 * s};
        },
        55 * 800);
    ProgramRun run = Osciloskop("--input '" + wav.string() + "' --log - --quit-after 2000");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    auto rows = Rows(run.out);
    ASSERT_GE(rows.size(), 2u) << run.out;
    // The first block may arrive before the first display cycle has ranged it.
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const Row& row = rows[i];
        EXPECT_NEAR(row.measuredL, 55.125, 55.125 * 0.02) << i;
        EXPECT_NEAR(row.measuredR, 55.125, 55.125 * 0.02) << i;
        EXPECT_EQ(row.frequencyL, 100) << i;
        EXPECT_EQ(row.rangeL, "1 A") << i; // peak 16000 lies beyond the 500 mA band
        EXPECT_EQ(row.rangeR, "5 V") << i;
        EXPECT_EQ(row.timeBase, "20 msec") << i; // generator 1 at 100 Hz
    }
}

TEST(EndToEnd, ScreenshotShowsTheGraticuleInTheClientArea) {
    const fs::path png = Scratch("window.png");
    fs::remove(png);
    ProgramRun run =
        Osciloskop("--audio sim --quit-after 3000 --screenshot '" + png.string() + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    QImage image(QString::fromStdString(png.string()));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(800, 526));
    const QColor grey(75, 75, 75);
    // Most of each grid line is grey (traces may cross it): rows y0 -/+ 20 i from 56 to 790,
    // columns at the rounded 3.8 * 2 * i * 9.73 + 55 from 283 to 483 and 258 to 43.
    auto greyShare = [&](auto pointAt, int from, int to) {
        int count = 0;
        for (int t = from; t <= to; ++t) {
            count += image.pixelColor(pointAt(t)) == grey;
        }
        return double(count) / (to - from + 1);
    };
    for (int i = 1; i <= 11; ++i) {
        for (int y : {263 - 20 * i, 263 + 20 * i}) {
            EXPECT_GT(greyShare([y](int x) { return QPoint(x, y); }, 60, 785), 0.8) << "row " << y;
        }
    }
    for (int x : {129, 203, 277, 351, 425, 499, 573, 647, 721, 794}) {
        EXPECT_GT(greyShare([x](int y) { return QPoint(x, y); }, 285, 480), 0.8) << "column " << x;
        EXPECT_GT(greyShare([x](int y) { return QPoint(x, y); }, 45, 256), 0.8) << "column " << x;
        EXPECT_NE(image.pixelColor(x, 270), grey) << "the gap around the time axis";
    }
}

TEST(EndToEnd, BadCommandLinesAndFilesFailWithExitCodeTwo) {
    ProgramRun unknown = Osciloskop("--colour red");
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("unknown option '--colour'"), std::string::npos) << unknown.err;

    ProgramRun bad = Osciloskop("--quit-after soon");
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("'soon'"), std::string::npos) << bad.err;

    const fs::path wav = Scratch("rate48k.wav");
    WriteWav(wav, 48000, [](int) { return std::pair{0.0, 0.0}; });
    ProgramRun rate = Osciloskop("--input '" + wav.string() + "' --quit-after 100");
    EXPECT_EQ(rate.exitCode, 2);
    EXPECT_NE(rate.err.find(wav.string()), std::string::npos) << rate.err;

    ProgramRun missing = Osciloskop("--input /nonexistent/recording.wav --quit-after 100");
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("/nonexistent/recording.wav"), std::string::npos) << missing.err;

    ProgramRun help = Osciloskop("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--screenshot FILE"), std::string::npos);
}

TEST(EndToEnd, EndingSignalsCloseTheWindowAndExitWith128PlusTheSignal) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) {
        SCOPED_TRACE(signal);
        const fs::path log = Scratch("signal.log");
        fs::remove(log);
        EXPECT_EQ(app::test::ExitCodeAfterSignal(OSC_PROGRAM, {"--audio", "sim", "--log", log}, log,
                                                 signal),
                  128 + signal);
        const std::string text = ReadAll(log);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.back(), '\n') << "the log ends with a complete row";
    }
}

// Runs a script given as text through standard input; the log is returned in `out`.
ProgramRun Script(const std::string& text, const std::string& options = "--log -") {
    const fs::path file = Scratch("script.osc");
    std::ofstream(file) << text;
    return Osciloskop("--audio sim " + options + " --script - < '" + file.string() + "'");
}

// A readout of generator 1's frequency, right-aligned in its field as the window shows it.
TEST(ScriptEndToEnd, ClicksReachTheHandlersAsAUsersClickDoes) {
    ProgramRun run = Script("click RadioButton3\n"
                            "expect ComboBox4 \"od kanálu L\"\n"
                            "click Button3\nclick Button3\n"
                            "expect Button3 \"jednorázové\"\nquit\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
}

TEST(ScriptEndToEnd, ScrollAndTypedValueMoveGeneratorOne) {
    for (const char* steps :
         {"scroll ScrollBar5 250\n", "type Edit14 \"250\"\ndblclick Edit14\n"}) {
        ProgramRun run = Script(std::string(steps) + "wait 1500\nquit\n");
        ASSERT_EQ(run.exitCode, 0) << steps << run.err;
        auto rows = Rows(run.out);
        ASSERT_FALSE(rows.empty()) << steps;
        EXPECT_EQ(rows.back().frequencyLText, "  250Hz") << steps;
    }
}

TEST(ScriptEndToEnd, ScriptErrorsExitTwoBeforeTheWindowOpens) {
    const fs::path picture = Scratch("never.png");
    for (const char* text : {"click RadioButton3\nclick Nothing9\n", "wait soon\n",
                             "select Button3 1\n", "menu \"generátor/nic\"\n"}) {
        ProgramRun run = Script(text, "--screenshot '" + picture.string() + "'");
        EXPECT_EQ(run.exitCode, 2) << text;
        EXPECT_NE(run.err.find("line "), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(picture)) << "the window must not have opened for " << text;
    }
}

TEST(ScriptEndToEnd, FailedExpectationExitsOneAfterANormalClose) {
    const fs::path picture = Scratch("closed.png");
    ProgramRun run = Script("expect ComboBox4 \"nic\"\nclick RadioButton3\n",
                            "--screenshot '" + picture.string() + "'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("script line 1: expected ComboBox4 to show \"nic\", it shows "
                           "\"automaticky\""),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(fs::exists(picture)) << "the window closes normally";
}

// The program measures its own texts, as on a machine it was installed on, and says how close
// the tightest came; the window's font is there, so nothing is said about it.
TEST(ScriptEndToEnd, CheckTextsReportsEveryTextWholeWithTheWindowsFont) {
    ProgramRun run = Script("checktexts\nquit\n", "");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("script line 1: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(" texts whole, the tightest "), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("font"), std::string::npos) << run.err;
}

TEST(ScriptEndToEnd, InstrumentErrorsArePrintedWithTheLineAndNeverBlockTheScript) {
    ProgramRun run = Script("type Edit14 \"abc\"\ndblclick Edit14\nwait 300\nquit\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("script line 2: 'abc' is not a valid integer value"), std::string::npos)
        << run.err;
}

TEST(ScriptEndToEnd, HiddenOrDisabledControlsRefuseWithTheLine) {
    ProgramRun run = Script("wait 0\nclick Button203\n");
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("script line 2: 'Button203' is hidden or disabled"), std::string::npos)
        << run.err;
}

TEST(ScriptEndToEnd, FrequencyResponseExampleLogsEveryStep) {
    ProgramRun run =
        Osciloskop("--audio sim --log - --script '" OSC_EXAMPLES "/frequency-response.osc'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    auto rows = Rows(run.out);
    // Generator 1 reached every step while the log ran (the readout text of a step can also
    // be the warning of a block that straddles the change, so the frequency column counts).
    for (int hz = 100; hz <= 1000; hz += 100) {
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(),
                                [&](const Row& row) { return row.frequencyL == hz; }))
            << "no readout of " << hz << " Hz in\n"
            << run.out;
    }
}

TEST(ScriptEndToEnd, TourExampleSwitchesRangesAndTimeBasesAndKeepsPictures) {
    const fs::path directory = Scratch("tour");
    fs::create_directories(directory);
    const fs::path previous = fs::current_path();
    fs::current_path(directory);
    ProgramRun run = Osciloskop("--audio sim --log - --script '" OSC_EXAMPLES "/tour.osc'");
    fs::current_path(previous);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    auto rows = Rows(run.out);
    auto shown = [&](const char* current, const char* voltage, const char* timeBase) {
        return std::any_of(rows.begin(), rows.end(), [&](const Row& row) {
            return row.rangeL == current && row.rangeR == voltage && row.timeBase == timeBase;
        });
    };
    EXPECT_TRUE(shown("100 mA", "10 V", "100 msec"));
    EXPECT_TRUE(shown("100 mA", "2 V", "2 msec"));
    QImage slow((directory / "tour-slow.png").c_str());
    QImage fast((directory / "tour-fast.png").c_str());
    ASSERT_FALSE(slow.isNull());
    ASSERT_EQ(slow.size(), fast.size());
    EXPECT_NE(slow, fast) << "the two time bases must draw different pictures";
}

} // namespace

TEST(EndToEnd, StartupErrorsNameTheirCauseBeforeTheWindowOpens) {
    const std::string directory = Scratch("").string();
    struct Case {
        std::string arguments;
        std::string message;
    } cases[] = {
        {"--audio sim --log /nonexistent/log.csv",
         "cannot create the log file '/nonexistent/log.csv': No such file or directory"},
        {"--audio sim --screenshot '" + directory + "'",
         "cannot save the screenshot '" + directory + "': Is a directory"},
        {"--audio sim --screenshot /nonexistent/picture.png",
         "cannot save the screenshot '/nonexistent/picture.png': No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const ProgramRun run = Osciloskop(c.arguments + " --quit-after 100");
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
}

TEST(EndToEnd, NoDisplayEndsWithOneLineNamingTheWayOut) {
    const std::string command =
        "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 60 '" +
        std::string(OSC_PROGRAM) + "' --audio sim --quit-after 100 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
        out.append(chunk, n);
    }
    const int status = pclose(pipe);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    for (const char* name : {"$DISPLAY", "$WAYLAND_DISPLAY", "xvfb-run"}) {
        EXPECT_NE(out.find(name), std::string::npos) << out;
    }
}

TEST(EndToEnd, LogThatStopsBeingWritableEndsWithExitCodeOne) {
    // The reader of the log goes away after the header; the rows after it cannot be written.
    const fs::path code = Scratch("log_exit_code.txt");
    const fs::path err = Scratch("log_stderr.txt");
    const std::string command = "(QT_QPA_PLATFORM=offscreen timeout 60 '" +
                                std::string(OSC_PROGRAM) +
                                "' --audio sim --log - --quit-after 2000 2>'" + err.string() +
                                "'; echo $? >'" + code.string() + "') | head -n 1 >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadAll(code), "1\n") << ReadAll(err);
    EXPECT_NE(ReadAll(err).find("is incomplete"), std::string::npos) << ReadAll(err);
}
