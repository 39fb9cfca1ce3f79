// SPDX-License-Identifier: MIT
// The osciloskop program on the test's sound server, as a user runs it: every ending signal
// gives the user's volume back, and a second instrument on the same card is refused while the
// first goes on undisturbed.

#include "ProgramRunSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using app::test::Output;
using app::test::ReadAll;

using namespace std::chrono_literals;
namespace fs = std::filesystem;

fs::path Scratch(const std::string& name) {
    static const fs::path directory = app::test::ScratchFolder("osc_real_program_");
    return directory / name;
}

// The default sink's volume as the server reports it, e.g. "front-left: 24248 /  37% ...".
std::string SinkVolume() {
    return Output("pactl get-sink-volume @DEFAULT_SINK@");
}

// Starts the program on the system's default card with a readout log and `more` options;
// standard error goes to `err`.
pid_t Start(const fs::path& log, const fs::path& err, const std::vector<std::string>& more = {}) {
    fs::remove(log); // rows of an earlier run are no sign of this one
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // Sanitizer builds: what the sound libraries and fontconfig keep until the end.
        setenv("ASAN_OPTIONS", "fast_unwind_on_malloc=0", 1);
        setenv("LSAN_OPTIONS", ("suppressions=" + Scratch("lsan.supp").string()).c_str(), 1);
        const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(errFd, STDERR_FILENO);
        // The volume journal in a folder of the test's own.
        setenv("XDG_STATE_HOME", Scratch("state").c_str(), 1);
        std::vector<const char*> argv{OSC_PROGRAM, "--audio", "auto", "--log", log.c_str()};
        for (const std::string& option : more) {
            argv.push_back(option.c_str());
        }
        argv.push_back(nullptr);
        execv(OSC_PROGRAM, const_cast<char* const*>(argv.data()));
        _exit(127);
    }
    return pid;
}

long Rows(const fs::path& log) {
    const std::string text = ReadAll(log);
    return std::count(text.begin(), text.end(), '\n') - 1;
}

bool WaitForRows(const fs::path& log, long rows) {
    for (const auto deadline = std::chrono::steady_clock::now() + 60s;
         std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(50ms)) {
        if (Rows(log) >= rows) {
            return true;
        }
    }
    return false;
}

// The exit code, or -1 when a signal ended the process instead of the program itself.
int ExitCode(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class RealAudioProgram : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("OSC_SOUND_SERVER") == nullptr) {
            GTEST_SKIP() << "no sound server: scripts/test.sh starts PulseAudio for this test";
        }
        std::ofstream(Scratch("lsan.supp")) << "leak:libfontconfig\nleak:snd_dlopen\n";
    }
};

TEST_F(RealAudioProgram, EveryEndingSignalGivesTheUsersVolumeBack) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) {
        SCOPED_TRACE(signal);
        ASSERT_EQ(std::system("pactl set-sink-volume @DEFAULT_SINK@ 37% 61%"), 0);
        const std::string before = SinkVolume();
        const fs::path log = Scratch("signal.csv");
        const pid_t pid = Start(log, Scratch("signal.err"));
        ASSERT_TRUE(WaitForRows(log, 2)) << ReadAll(Scratch("signal.err"));
        EXPECT_NE(SinkVolume(), before) << "the instrument sets its own volume while it runs";
        kill(pid, signal);
        EXPECT_EQ(ExitCode(pid), 128 + signal);
        EXPECT_EQ(SinkVolume(), before);
    }
}

TEST_F(RealAudioProgram, AScriptRefusedAtStartLeavesTheVolumesUntouched) {
    ASSERT_EQ(std::system("pactl set-sink-volume @DEFAULT_SINK@ 40%"), 0);
    const std::string before = SinkVolume();
    std::ofstream(Scratch("bad.osc")) << "dblclick Button3\n";
    const pid_t pid =
        Start(Scratch("refused.csv"), Scratch("refused.err"), {"--script", Scratch("bad.osc")});
    EXPECT_EQ(ExitCode(pid), 2) << ReadAll(Scratch("refused.err"));
    EXPECT_EQ(SinkVolume(), before);
}

TEST_F(RealAudioProgram, TheNextStartGivesBackWhatAKilledInstrumentLeft) {
    ASSERT_EQ(std::system("pactl set-sink-volume @DEFAULT_SINK@ 37% 61%"), 0);
    const std::string before = SinkVolume();
    const fs::path log = Scratch("killed.csv");
    const pid_t killed = Start(log, Scratch("killed.err"));
    ASSERT_TRUE(WaitForRows(log, 2)) << ReadAll(Scratch("killed.err"));
    kill(killed, SIGKILL);
    EXPECT_EQ(ExitCode(killed), -1);
    ASSERT_NE(SinkVolume(), before) << "nothing left to give back";

    const fs::path err = Scratch("next.err");
    const pid_t next = Start(log, err);
    ASSERT_TRUE(WaitForRows(log, 2)) << ReadAll(err);
    kill(next, SIGTERM);
    EXPECT_EQ(ExitCode(next), 128 + SIGTERM);
    EXPECT_EQ(SinkVolume(), before) << "the killed run's level was taken for the user's";
    const std::string said = ReadAll(err);
    EXPECT_NE(said.find("was ended before it gave the volumes back"), std::string::npos) << said;
}

TEST_F(RealAudioProgram, SecondInstrumentOnTheSameCardIsRefusedAndTheFirstGoesOn) {
    const fs::path firstLog = Scratch("first.csv");
    const pid_t first = Start(firstLog, Scratch("first.err"));
    ASSERT_TRUE(WaitForRows(firstLog, 2)) << ReadAll(Scratch("first.err"));
    const std::string volume = SinkVolume();

    const pid_t second = Start(Scratch("second.csv"), Scratch("second.err"));
    EXPECT_EQ(ExitCode(second), 2);
    EXPECT_NE(ReadAll(Scratch("second.err")).find("is in use by another osciloskop"),
              std::string::npos)
        << ReadAll(Scratch("second.err"));

    const long rows = Rows(firstLog);
    EXPECT_TRUE(WaitForRows(firstLog, rows + 3)) << "the first instrument stopped measuring";
    EXPECT_EQ(SinkVolume(), volume) << "the second instrument touched the first one's volume";
    kill(first, SIGTERM);
    EXPECT_EQ(ExitCode(first), 128 + SIGTERM);
}

} // namespace
