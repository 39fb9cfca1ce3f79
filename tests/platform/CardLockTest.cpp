// SPDX-License-Identifier: MIT
// The per-card lock: held once per card, free again when its holder goes.

#include "platform/CardLock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using platform::CardLock;

// The child's exit code where it cannot mount a /tmp of its own.
constexpr int kNoPrivateTmp = 77;

std::string UniqueCard(const std::string& name) {
    return name + std::to_string(getpid());
}

TEST(CardLock, OneHolderPerCardAndFreeAgainWhenReleased) {
    const std::string card = UniqueCard("test card/1 ");
    auto first = CardLock::Take(card);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(CardLock::Take(card), nullptr) << "a second holder of the same card";
    EXPECT_NE(CardLock::Take(UniqueCard("other card")), nullptr) << "another card is free";
    first.reset();
    EXPECT_NE(CardLock::Take(card), nullptr) << "the lock is released with its holder";
}

// Sets XDG_RUNTIME_DIR (nullptr: unsets it) while it lives.
class RuntimeDir {
public:
    explicit RuntimeDir(const char* value) {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) {
            saved_ = old;
        }
        value ? setenv("XDG_RUNTIME_DIR", value, 1) : unsetenv("XDG_RUNTIME_DIR");
    }
    ~RuntimeDir() {
        saved_ ? setenv("XDG_RUNTIME_DIR", saved_->c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
    }

private:
    std::optional<std::string> saved_;
};

std::string PrivateFolder() {
    char name[] = "/tmp/osc-runtime-XXXXXX";
    return mkdtemp(name) != nullptr ? name : "";
}

TEST(CardLock, FileGoesWithItsHolder) {
    const std::string card = UniqueCard("default on unix:/run/x/native");
    const std::string path = CardLock::PathFor(card);
    auto lock = CardLock::Take(card);
    ASSERT_NE(lock, nullptr);
    EXPECT_TRUE(std::filesystem::exists(path));
    lock.reset();
    EXPECT_FALSE(std::filesystem::exists(path)) << "lock files pile up";
    for (int round = 0; round < 3; ++round) {
        auto again = CardLock::Take(card);
        ASSERT_NE(again, nullptr) << "a removed lock file locks the card for good";
        EXPECT_EQ(CardLock::Take(card), nullptr) << "the new file is not locked";
    }
}

// The lock file's place follows the runtime folder; /tmp serves only where it is not set (or is
// unusable).
TEST(CardLock, LivesInTheUsersRuntimeFolderWhereOneIsSet) {
    const std::string runtime = PrivateFolder();
    ASSERT_FALSE(runtime.empty());
    const std::string card = UniqueCard("hw:Loopback");
    const std::string fallback = "/tmp/osciloskop-locks-" + std::to_string(getuid());
    {
        const RuntimeDir set(runtime.c_str());
        EXPECT_EQ(CardLock::PathFor(card).rfind(runtime + "/osciloskop-locks/", 0), 0u)
            << CardLock::PathFor(card);
        EXPECT_NE(CardLock::Take(card), nullptr);
    }
    {
        const RuntimeDir unset(nullptr);
        EXPECT_EQ(CardLock::PathFor(card).rfind(fallback + "/", 0), 0u) << CardLock::PathFor(card);
    }
    // Sessions of one user with different runtime folders, or none, still exclude each other.
    const std::string otherRuntime = PrivateFolder();
    {
        const RuntimeDir set(runtime.c_str());
        const auto held = CardLock::Take(card);
        ASSERT_NE(held, nullptr);
        const RuntimeDir other(otherRuntime.c_str());
        EXPECT_EQ(CardLock::Take(card), nullptr) << "another runtime folder, a second holder";
        const RuntimeDir none(nullptr);
        EXPECT_EQ(CardLock::Take(card), nullptr) << "no runtime folder, a second holder";
    }
    std::filesystem::remove_all(otherRuntime);
    {
        chmod(runtime.c_str(), 0777); // open to others: not a runtime folder to trust
        const RuntimeDir open(runtime.c_str());
        EXPECT_EQ(CardLock::PathFor(card).rfind(fallback + "/", 0), 0u) << CardLock::PathFor(card);
    }
    std::filesystem::remove_all(runtime);
}

// Another user of a shared machine who creates the /tmp lock folder's name first keeps nobody
// off a card whose runtime folder is set. Played in a child process with a /tmp of its own (a
// mount namespace), so that the machine's real lock folder is never touched; where no private
// /tmp can be mounted (no root, a chroot), the test skips.
TEST(CardLock, AnotherUsersTmpFolderBlocksNothingWhereARuntimeFolderIsSet) {
    const pid_t child = fork();
    if (child == 0) {
        execl("/proc/self/exe", "platform_tests",
              "--gtest_filter=CardLock.DISABLED_HostileTmpFolderChild",
              "--gtest_also_run_disabled_tests", static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == kNoPrivateTmp) {
        GTEST_SKIP() << "no private /tmp can be mounted here";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0) << "see the child's lines above";
}

TEST(CardLock, DISABLED_HostileTmpFolderChild) {
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("none", "/tmp", "tmpfs", 0, nullptr) != 0) {
        _exit(kNoPrivateTmp);
    }
    const std::string hostile = "/tmp/osciloskop-locks-" + std::to_string(getuid());
    ASSERT_EQ(mkdir(hostile.c_str(), 0755), 0);
    ASSERT_EQ(chown(hostile.c_str(), 65534, 65534), 0) << "another user's, as they left it";
    ASSERT_EQ(mkdir("/tmp/runtime", 0700), 0);
    const std::string card = UniqueCard("hw:Loopback");
    {
        const RuntimeDir set("/tmp/runtime");
        EXPECT_NE(CardLock::Take(card), nullptr) << "another user's folder in /tmp blocked it";
    }
    const RuntimeDir unset(nullptr);
    EXPECT_THROW(CardLock::Take(card), std::runtime_error) << "another user's folder was used";
}

TEST(CardLock, FileNameKeepsToTheLockDirectory) {
    const std::string path = CardLock::PathFor("../../etc/passwd hw:0,0");
    EXPECT_EQ(path.find("..", path.rfind('/')), std::string::npos) << path;
    EXPECT_NE(path.find("osciloskop-card-"), std::string::npos) << path;
}

} // namespace
