// SPDX-License-Identifier: MIT
// The per-card lock: held once per card, free again when its holder goes.

#include "platform/CardLock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using platform::CardLock;

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

// Another user of a shared machine who creates the /tmp lock folder's name first keeps nobody
// off a card whose runtime folder is set; /tmp serves only where it is not (or is unusable).
TEST(CardLock, LivesInTheUsersRuntimeFolderWhereOneIsSet) {
    const std::string runtime = PrivateFolder();
    ASSERT_FALSE(runtime.empty());
    const std::string card = UniqueCard("hw:Loopback");
    const std::string fallback = "/tmp/osciloskop-locks-" + std::to_string(getuid());
    {
        const RuntimeDir set(runtime.c_str());
        EXPECT_EQ(CardLock::PathFor(card).rfind(runtime + "/osciloskop-locks/", 0), 0u)
            << CardLock::PathFor(card);
        // Another user's folder of the fallback's name, as a hostile user would leave it.
        const std::string hostile = fallback + "-hostile-" + std::to_string(getpid());
        std::filesystem::create_directory(hostile);
        const bool swapped =
            !std::filesystem::exists(fallback) && rename(hostile.c_str(), fallback.c_str()) == 0;
        if (swapped && getuid() == 0) {
            EXPECT_EQ(chown(fallback.c_str(), 65534, 65534), 0);
        }
        EXPECT_NE(CardLock::Take(card), nullptr) << "a folder in /tmp blocked the lock";
        if (swapped) {
            std::filesystem::remove(fallback);
        }
        std::filesystem::remove(hostile);
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

TEST(CardLock, FileNameKeepsToTheLockDirectory) {
    const std::string path = CardLock::PathFor("../../etc/passwd hw:0,0");
    EXPECT_EQ(path.find("..", path.rfind('/')), std::string::npos) << path;
    EXPECT_NE(path.find("osciloskop-card-"), std::string::npos) << path;
}

} // namespace
