// SPDX-License-Identifier: MIT
// Starting programs found on PATH: small scripts in a scratch directory note that they ran.
#include "platform/ProgramLauncher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace platform {
namespace {

namespace fs = std::filesystem;

class ProgramLauncherTest : public ::testing::Test {
protected:
    ProgramLauncherTest()
        : dir(fs::temp_directory_path() / ("osc_launcher_" + std::to_string(getpid()))) {
        fs::create_directories(dir);
        const char* path = std::getenv("PATH");
        oldPath = path != nullptr ? path : "";
        setenv("PATH", (dir.string() + ":/usr/bin:/bin").c_str(), 1);
    }
    ~ProgramLauncherTest() override {
        setenv("PATH", oldPath.c_str(), 1);
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // A script that writes its arguments into `<name>.ran`.
    void Script(const std::string& name, bool executable = true) {
        const fs::path file = dir / name;
        std::ofstream(file) << "#!/bin/sh\necho \"$@\" > '" << (dir / (name + ".ran")).string()
                            << ".tmp' && mv '" << (dir / (name + ".ran")).string() << ".tmp' '"
                            << (dir / (name + ".ran")).string() << "'\n";
        fs::permissions(file, executable ? fs::perms::owner_all : fs::perms::owner_read);
    }
    // Waits up to 20 s for the script's note; its text, or nullopt.
    std::optional<std::string> Ran(const std::string& name) {
        const fs::path note = dir / (name + ".ran");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!fs::exists(note) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (!fs::exists(note)) {
            return std::nullopt;
        }
        std::string line;
        std::getline(std::ifstream(note), line);
        return line;
    }

    fs::path dir;
    std::string oldPath;
};

TEST_F(ProgramLauncherTest, FindsOnlyExecutableFiles) {
    Script("mixer-a");
    Script("mixer-b", false);
    EXPECT_EQ(FindOnPath("mixer-a"), (dir / "mixer-a").string());
    EXPECT_EQ(FindOnPath("mixer-b"), "");
    EXPECT_EQ(FindOnPath("no-such-program-here"), "");
    EXPECT_EQ(FindOnPath((dir / "mixer-a").string()), (dir / "mixer-a").string());
    EXPECT_EQ(FindOnPath(""), "");
}

TEST_F(ProgramLauncherTest, StartsDetachedWithItsArguments) {
    Script("mixer-a");
    EXPECT_TRUE(StartDetached({(dir / "mixer-a").string(), "-e", "x"}));
    EXPECT_EQ(Ran("mixer-a"), "-e x");
    EXPECT_FALSE(StartDetached({(dir / "missing").string()}));
    EXPECT_FALSE(StartDetached({}));
}

TEST_F(ProgramLauncherTest, TheProgramStartsWithDefaultSignalsWhateverTheCallerIgnoresOrBlocks) {
    // The instrument ignores SIGPIPE; a caller may block signals on its thread.
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    sigset_t blocked, saved;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    sigaddset(&blocked, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &blocked, &saved);
    // cp copies its own status: the program itself, no shell between that could reset them.
    const fs::path status = dir / "status";
    const bool started = StartDetached({"/bin/cp", "/proc/self/status", status.string()});
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    sigaction(SIGPIPE, &previous, nullptr);

    ASSERT_TRUE(started);
    std::string ignored, blockedNow;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (ignored.empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::ifstream in(status);
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("SigIgn:", 0) == 0) {
                ignored = line;
            } else if (line.rfind("SigBlk:", 0) == 0) {
                blockedNow = line;
            }
        }
    }
    EXPECT_EQ(ignored, "SigIgn:\t0000000000000000");
    EXPECT_EQ(blockedNow, "SigBlk:\t0000000000000000");
}

TEST_F(ProgramLauncherTest, StartsTheFirstCommandWhoseProgramsAreAllFound) {
    Script("terminal");
    Script("second");
    const ProgramCommand commands[] = {{{"first"}, ""},
                                       {{"terminal", "-e", "console"}, "console"},
                                       {{"second", "now"}, ""},
                                       {{"terminal", "later"}, ""}};
    EXPECT_TRUE(StartFirstFound(commands));
    EXPECT_EQ(Ran("second"), "now");
    EXPECT_FALSE(fs::exists(dir / "terminal.ran")) << "its console program is missing";

    const ProgramCommand none[] = {{{"first"}, ""}, {{"third"}, ""}};
    EXPECT_FALSE(StartFirstFound(none));
}

} // namespace
} // namespace platform
