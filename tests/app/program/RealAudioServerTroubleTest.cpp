// SPDX-License-Identifier: MIT
// The osciloskop program on sound servers that misbehave, each server the test's own and of the
// shared server's kind, PulseAudio or PipeWire: a server that stops answering neither holds the
// close nor the start, and the volumes left are named; a server restarted at the same address
// gets the instrument's output volume again and its own volume back at close, as does a card's
// sink that becomes the default later; and the one-instrument lock knows a server by its
// socket, not by how the environment spells it.

#include "PrivateSoundServer.h"
#include "ProgramRunSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using app::test::PrivateSoundServer;
using app::test::ReadAll;

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
// Variables of the program's environment; an empty value unsets the variable.
using Environment = std::map<std::string, std::string>;

bool WaitFor(const std::function<bool()>& done, Clock::duration limit) {
    for (const auto deadline = Clock::now() + limit; Clock::now() < deadline;
         std::this_thread::sleep_for(20ms)) {
        if (done()) {
            return true;
        }
    }
    return done();
}

// One run of the program with its standard error in a file.
class Program {
public:
    Program(const std::string& name, const Environment& environment,
            const std::vector<std::string>& arguments = {}) {
        const fs::path base =
            fs::temp_directory_path() / ("osc_trouble_" + std::to_string(getpid()) + "_" + name);
        log_ = base.string() + ".csv";
        err_ = base.string() + ".err";
        fs::remove(log_);
        pid_ = fork();
        if (pid_ == 0) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            setenv("ASAN_OPTIONS", "fast_unwind_on_malloc=0:detect_leaks=0", 1);
            for (const auto& [variable, value] : environment) {
                value.empty() ? unsetenv(variable.c_str())
                              : setenv(variable.c_str(), value.c_str(), 1);
            }
            const int errFd = open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(errFd, STDERR_FILENO);
            std::vector<const char*> argv{OSC_PROGRAM, "--audio", "auto", "--log", log_.c_str()};
            for (const std::string& argument : arguments) {
                argv.push_back(argument.c_str());
            }
            argv.push_back(nullptr);
            execv(OSC_PROGRAM, const_cast<char* const*>(argv.data()));
            _exit(127);
        }
    }
    ~Program() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            Wait();
        }
    }

    // True once the readout log has a few rows: the instrument measures.
    bool Measures() const {
        return WaitFor(
            [this] {
                const std::string text = ReadAll(log_);
                return std::count(text.begin(), text.end(), '\n') >= 3;
            },
            60s);
    }
    void Signal(int signal) const { kill(pid_, signal); }
    // The exit code, -1 after a signal ended the process; -2 when it did not end in `limit`.
    int Wait(Clock::duration limit = 60s) {
        int status = 0;
        if (!WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, limit)) {
            return -2;
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Errors() const { return ReadAll(err_); }

private:
    std::string log_;
    std::string err_;
    pid_t pid_ = -1;
};

class ServerTrouble : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("OSC_SOUND_SERVER") == nullptr) {
            GTEST_SKIP() << "no sound server: scripts/test.sh starts one for this test";
        }
        ASSERT_TRUE(server.Start()) << server.Log();
    }
    void TearDown() override { server.Wake(); }

    Environment On(const PrivateSoundServer& which) const {
        return {{"PULSE_SERVER", "unix:" + which.Socket()}};
    }

    PrivateSoundServer server;
};

TEST_F(ServerTrouble, FrozenServerClosesWithinTwoSecondsAndNamesTheVolumesLeft) {
    const struct {
        const char* name;
        int signals;
        const char* reason;
    } cases[] = {
        {"one signal", 1, "the sound server does not answer"},
        {"second signal", 2, "the program was ended before it could"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.Wake();
        server.Pactl("set-sink-volume osc_null 37% 61%");
        Program program("frozen", On(server));
        ASSERT_TRUE(program.Measures()) << program.Errors();
        server.Freeze();
        const auto asked = Clock::now();
        for (int i = 0; i < c.signals; ++i) {
            program.Signal(SIGTERM);
            std::this_thread::sleep_for(50ms);
        }
        EXPECT_EQ(program.Wait(), 128 + SIGTERM);
        EXPECT_LT(Clock::now() - asked, 2s);
        const std::string expected = "could not restore the volume of 'Master' (left 37 %, "
                                     "right 61 %): " +
                                     std::string(c.reason) + "; set it by hand";
        EXPECT_NE(program.Errors().find(expected), std::string::npos) << program.Errors();
    }
}

TEST_F(ServerTrouble, FrozenServerDoesNotHoldTheTimedClose) {
    server.Pactl("set-sink-volume osc_null 37% 61%");
    const auto started = Clock::now();
    Program program("timed", On(server), {"--quit-after", "10000"});
    ASSERT_TRUE(program.Measures()) << program.Errors();
    server.Freeze();
    EXPECT_EQ(program.Wait(), 0);
    // The close is asked 10 s after the window shows; showing it takes at most 3.5 s.
    EXPECT_LT(Clock::now() - started, 10s + 3500ms + 2s);
    EXPECT_NE(program.Errors().find("could not restore the volume of 'Master' (left 37 %, "
                                    "right 61 %)"),
              std::string::npos)
        << program.Errors();
}

TEST_F(ServerTrouble, FrozenServerAtStartEndsWithCodeTwoWithinFiveSeconds) {
    server.Freeze();
    const auto started = Clock::now();
    Program program("frozen-start", On(server));
    EXPECT_EQ(program.Wait(30s), 2);
    EXPECT_LT(Clock::now() - started, 5s);
    EXPECT_NE(program.Errors().find("the sound server does not answer"), std::string::npos)
        << program.Errors();
}

TEST_F(ServerTrouble, RestartedServerGetsTheOutputVolumeAndKeepsItsOwnAfterClose) {
    server.Pactl("set-sink-volume osc_null 42%");
    Program program("restart", On(server));
    ASSERT_TRUE(program.Measures()) << program.Errors();
    server.Kill();
    ASSERT_TRUE(
        WaitFor([&] { return program.Errors().find("stopped working") != std::string::npos; }, 20s))
        << program.Errors();
    ASSERT_TRUE(server.Start());
    const std::string own = "front-right: 65536 / 100%"; // a new null sink's level
    const auto back = Clock::now();
    EXPECT_TRUE(WaitFor(
        [&] {
            return server.SinkVolume().find("front-left: 65536 / 100%") != std::string::npos &&
                   server.SinkVolume().find("front-right: 0 /   0%") != std::string::npos;
        },
        20s))
        << server.SinkVolume() << program.Errors();
    std::cout << "output volume set on the new server after "
              << std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - back).count()
              << " ms\n";
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(), 128 + SIGTERM);
    EXPECT_NE(server.SinkVolume().find(own), std::string::npos)
        << server.SinkVolume() << "the old server's volume went to the new one";
}

// A server restarted with a fallback sink first: the card's own sink appears and becomes the
// default while the instrument runs. The output level follows it, and at close each sink has
// the level its user gave it.
TEST_F(ServerTrouble, CardSinkThatBecomesTheDefaultLaterGetsTheOutputVolumeAndBothTheirOwnBack) {
    const auto instrumentLevel = [&](const std::string& sink) {
        const std::string volume = server.Pactl("get-sink-volume " + sink);
        return volume.find("front-left: 65536 / 100%") != std::string::npos &&
               volume.find("front-right: 0 /   0%") != std::string::npos;
    };
    const auto userLevel = [&](const std::string& sink, const std::string& percent) {
        const std::string volume = server.Pactl("get-sink-volume " + sink);
        return volume.find("front-left: ") != std::string::npos &&
               volume.find("/ " + percent + " /") != volume.rfind("/ " + percent + " /");
    };
    server.Pactl("set-sink-volume osc_null 42%");
    Program program("late-sink", On(server));
    ASSERT_TRUE(program.Measures()) << program.Errors();
    ASSERT_TRUE(WaitFor([&] { return instrumentLevel("osc_null"); }, 20s))
        << server.SinkVolume() << program.Errors();

    server.Pactl("load-module module-null-sink sink_name=osc_card rate=44100 channels=2");
    ASSERT_TRUE(WaitFor(
        [&] {
            server.Pactl("set-sink-volume osc_card 57%");
            return userLevel("osc_card", " 57%");
        },
        20s))
        << server.Pactl("list short sinks");
    server.Pactl("set-default-sink osc_card");
    EXPECT_TRUE(WaitFor([&] { return instrumentLevel("osc_card"); }, 20s))
        << server.Pactl("get-sink-volume osc_card") << program.Errors();

    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(), 128 + SIGTERM);
    EXPECT_TRUE(userLevel("osc_null", " 42%")) << server.SinkVolume();
    EXPECT_TRUE(userLevel("osc_card", " 57%")) << server.Pactl("get-sink-volume osc_card");
}

TEST_F(ServerTrouble, OneInstrumentPerServerHoweverItIsSpelledTwoServersTwo) {
    const std::string dir = server.Directory();
    // A runtime folder that is not there; the libraries may make it, so it is the test's own.
    const fs::path noRuntime =
        fs::temp_directory_path() / ("osc_trouble_" + std::to_string(getpid()) + "_no_runtime");
    fs::remove_all(noRuntime);
    Program first("first", {{"PULSE_SERVER", "unix:" + server.Socket()}});
    ASSERT_TRUE(first.Measures()) << first.Errors();
    const Environment spellings[] = {
        {{"PULSE_SERVER", server.Socket()}},
        {{"PULSE_SERVER", ""}, {"PULSE_RUNTIME_PATH", dir}},
        {{"PULSE_SERVER",
          "unix:" + dir + "/../" + fs::path(dir).filename().string() + "/./native"}},
        {{"PULSE_SERVER", ""},
         {"PULSE_RUNTIME_PATH", dir + "/"},
         {"XDG_RUNTIME_DIR", noRuntime.string()}},
    };
    for (const Environment& spelling : spellings) {
        SCOPED_TRACE(spelling.rbegin()->second);
        Program second("second", spelling);
        EXPECT_EQ(second.Wait(), 2);
        EXPECT_NE(second.Errors().find("is in use by another osciloskop"), std::string::npos)
            << second.Errors();
    }

    PrivateSoundServer other;
    ASSERT_TRUE(other.Start());
    Program elsewhere("elsewhere",
                      {{"PULSE_SERVER", ""}, {"PULSE_RUNTIME_PATH", other.Directory()}});
    EXPECT_TRUE(elsewhere.Measures()) << "another server is another card: " << elsewhere.Errors();
    elsewhere.Signal(SIGTERM);
    EXPECT_EQ(elsewhere.Wait(), 128 + SIGTERM);
    first.Signal(SIGTERM);
    EXPECT_EQ(first.Wait(), 128 + SIGTERM);
    fs::remove_all(noRuntime);
}

} // namespace
