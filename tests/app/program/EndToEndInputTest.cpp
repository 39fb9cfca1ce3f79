// SPDX-License-Identifier: MIT
// The osciloskop program as a user runs it, on script and input files that are not what they
// should be: directories and missing files are refused before the window opens, a pipe without
// data is waited for out loud and never beyond --quit-after or an ending signal, and script
// messages name the control and the command in the user's words, with the echo kept short.

#include "ProgramRunSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using app::test::ReadAll;

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Files of this process only: ctest runs the tests of this file side by side.
fs::path Scratch(const std::string& name) {
    static const fs::path directory = app::test::ScratchFolder("osc_input_");
    return directory / name;
}

struct ProgramRun {
    int exitCode = -1;
    std::string err;
    Clock::duration took{};
};

// Runs the program through the shell, so that `arguments` may redirect its standard input.
ProgramRun Osciloskop(const std::string& arguments) {
    const fs::path err = Scratch("stderr.txt");
    const std::string command = "QT_QPA_PLATFORM=offscreen timeout 60 '" OSC_PROGRAM "' " +
                                arguments + " >/dev/null 2>'" + err.string() + "'";
    ProgramRun run;
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    run.took = Clock::now() - start;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = ReadAll(err);
    return run;
}

// A named pipe that nobody writes into.
fs::path SilentPipe() {
    const fs::path pipe = Scratch("silent.fifo");
    if (!fs::exists(pipe)) {
        EXPECT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    }
    return pipe;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos;
         at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

TEST(InputEndToEnd, DirectoriesAndMissingFilesAreRefusedBeforeTheWindowOpens) {
    const std::string directory = Scratch("").parent_path().string();
    const struct {
        std::string arguments;
        std::string message;
    } cases[] = {
        {"--audio sim --script '" + directory + "'",
         "cannot read the script '" + directory + "': Is a directory"},
        {"--input '" + directory + "'",
         "cannot read the input '" + directory + "': Is a directory"},
        {"--audio sim --script /nonexistent/a.osc",
         "cannot read the script '/nonexistent/a.osc': No such file or directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const ProgramRun run = Osciloskop(c.arguments + " --quit-after 100");
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.err, "osciloskop: " + c.message + "\n");
    }
}

TEST(InputEndToEnd, APipeWithoutDataIsWaitedForOutLoudUntilQuitAfter) {
    const std::string pipe = SilentPipe().string();
    for (const std::string& arguments :
         {"--input '" + pipe + "'", "--audio sim --script '" + pipe + "'",
          // Standard input open for reading and writing: no data, and never an end.
          "--audio sim --script - <>'" + pipe + "'"}) {
        SCOPED_TRACE(arguments);
        const ProgramRun run = Osciloskop(arguments + " --quit-after 1500");
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_EQ(Count(run.err, "osciloskop: waiting for data on "), 1u) << run.err;
        EXPECT_EQ(Count(run.err, "within --quit-after's 1500 ms"), 1u) << run.err;
        EXPECT_LT(run.took, 30s);
    }
}

TEST(InputEndToEnd, AnEndingSignalEndsTheWaitForData) {
    const fs::path err = Scratch("signal.err");
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        const int input = open(SilentPipe().c_str(), O_RDWR);
        dup2(input, STDIN_FILENO);
        const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(errFd, STDERR_FILENO);
        execl(OSC_PROGRAM, OSC_PROGRAM, "--audio", "sim", "--script", "-", nullptr);
        _exit(127);
    }
    const auto deadline = Clock::now() + 30s;
    while (ReadAll(err).find("waiting for data") == std::string::npos && Clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
    }
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "the signal ended the program instead of the wait";
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM) << ReadAll(err);
}

// Runs a script given as text through standard input.
ProgramRun Script(const std::string& text) {
    const fs::path file = Scratch("script.osc");
    std::ofstream(file) << text;
    return Osciloskop("--audio sim --script - <'" + file.string() + "'");
}

TEST(InputEndToEnd, ScriptMessagesNameTheControlAndTheCommand) {
    const struct {
        std::string script;
        std::string message;
    } cases[] = {
        {"dblclick Button3\n", "line 1: 'dblclick' needs an edit field; 'Button3' is a button"},
        {"click Edit14\n", "line 1: 'click' needs a button; 'Edit14' is an edit field"},
        {"select ScrollBar5 1\n", "line 1: 'select' needs a list; 'ScrollBar5' is a scroll bar"},
        {"click \"" + std::string(1'000'000, 'B') + "\"\n",
         "line 1: no control '" + std::string(80, 'B') + "...'"},
        {"click \"Button\x1b[2J\"\n", "line 1: no control 'Button\\x1b[2J'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const ProgramRun run = Script(c.script);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err.substr(0, 500);
        EXPECT_LT(run.err.size(), 400u);
    }
}

TEST(InputEndToEnd, TypingAMegabyteTakesLinearTime) {
    // One key event a character took minutes for this (the edit laid out its text each time).
    const ProgramRun run = Script("type Edit14 \"" + std::string(1'000'000, '7') +
                                  "\"\nexpect Edit14 \"" + std::string(32767, '7') + "\"\nquit\n");
    EXPECT_EQ(run.exitCode, 0) << run.err.substr(0, 500);
    EXPECT_LT(run.took, 20s);
}

} // namespace
