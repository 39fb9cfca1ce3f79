// SPDX-License-Identifier: MIT
// The program's output files as a hostile or unlucky user meets them: a FIFO, a link to one or
// one file named twice is refused before the window opens, and a file size limit (ulimit -f,
// which fails writes as a full disk does) ends the run with exit code 1 and the cause, keeping
// the earlier file whole and the log ending with a whole row.

#include "ProgramRunSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using app::test::ProgramRun;
using app::test::ReadAll;

namespace fs = std::filesystem;

fs::path Scratch(const std::string& name) {
    static const fs::path directory = app::test::ScratchFolder("osc_outputs_");
    return directory / name;
}

// The program on the simulated card; `limitKiB` is the shell's file size limit, 0 for none.
ProgramRun Osciloskop(const std::string& arguments, int limitKiB = 0) {
    const fs::path err = Scratch("stderr.txt");
    const fs::path suppressions = Scratch("lsan.supp");
    std::ofstream(suppressions) << "leak:libfontconfig\n";
    const std::string limit = limitKiB > 0 ? "ulimit -f " + std::to_string(limitKiB) + "; " : "";
    const std::string command =
        "(" + limit + "QT_QPA_PLATFORM=offscreen LSAN_OPTIONS=suppressions='" +
        suppressions.string() + "' exec timeout -k 5 60 '" OSC_PROGRAM "' --audio sim " +
        arguments + ") 2>'" + err.string() + "'";
    return app::test::RunProgram(command, err);
}

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

TEST(OutputFiles, PathsThatCannotTakeAFileAreRefusedBeforeTheWindowOpens) {
    const fs::path fifo = Scratch("fifo");
    fs::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const fs::path linkToFifo = Scratch("link-to-fifo.csv");
    fs::remove(linkToFifo);
    fs::create_symlink(fifo, linkToFifo);
    const fs::path same = Scratch("same.csv");
    fs::remove(same);
    const struct {
        std::string arguments;
        std::string message;
    } cases[] = {
        {"--screenshot " + Quoted(fifo), "--screenshot: "},
        {"--log " + Quoted(fifo), "--log: "},
        {"--report " + Quoted(linkToFifo), "--report: "},
        {"--log " + Quoted(same) + " --report " + Quoted(same), "--log and --report name one file"},
        {"--report " + Quoted(same) + " --screenshot ./" + Quoted(fs::relative(same)),
         "--report and --screenshot name one file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const ProgramRun run = Osciloskop(c.arguments + " --quit-after 3000");
        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    struct stat info {};
    ASSERT_EQ(stat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "the FIFO was replaced";
    EXPECT_FALSE(fs::exists(same)) << "a refused run wrote a file";
}

TEST(OutputFiles, AScreenshotOverTheSizeLimitKeepsTheEarlierFileAndExitsOne) {
    const fs::path picture = Scratch("picture.png");
    const std::string earlier(3000, 'e');
    std::ofstream(picture) << earlier;
    const ProgramRun run = Osciloskop("--screenshot " + Quoted(picture) + " --quit-after 500", 1);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("osciloskop: cannot write"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("File too large"), std::string::npos) << run.err;
    EXPECT_EQ(ReadAll(picture), earlier) << "the earlier screenshot was cut or replaced";
}

TEST(OutputFiles, AReportOverTheSizeLimitKeepsTheEarlierReportAndExitsOne) {
    const fs::path report = Scratch("response.png");
    const std::string earlier(3000, 'r');
    std::ofstream(report) << earlier;
    const ProgramRun run = Osciloskop("--report " + Quoted(report) + " --quit-after 500", 1);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("File too large"), std::string::npos) << run.err;
    EXPECT_EQ(ReadAll(report), earlier);
}

TEST(OutputFiles, ALogOverTheSizeLimitEndsWithAWholeRowAndExitsOne) {
    const fs::path log = Scratch("limited.csv");
    const ProgramRun run = Osciloskop("--log " + Quoted(log) + " --quit-after 8000", 2);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    const std::string text = ReadAll(log);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n') << "the log ends mid-row";
    EXPECT_GT(std::count(text.begin(), text.end(), '\n'), 3) << text;
    EXPECT_NE(run.err.find("File too large"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("is incomplete"), std::string::npos) << run.err;
}

} // namespace
