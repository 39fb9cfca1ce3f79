// SPDX-License-Identifier: MIT
// The per-card lock: held once per card, free again when its holder goes.

#include "platform/CardLock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

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

TEST(CardLock, FileGoesWithItsHolderAndDoesNotDependOnTheEnvironment) {
    const std::string card = UniqueCard("default on unix:/run/x/native");
    const std::string path = CardLock::PathFor(card);
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = runtime ? runtime : "";
    setenv("XDG_RUNTIME_DIR", "/nonexistent", 1);
    EXPECT_EQ(CardLock::PathFor(card), path) << "another runtime directory, another lock";
    auto lock = CardLock::Take(card);
    runtime ? setenv("XDG_RUNTIME_DIR", saved.c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
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

TEST(CardLock, FileNameKeepsToTheLockDirectory) {
    const std::string path = CardLock::PathFor("../../etc/passwd hw:0,0");
    EXPECT_EQ(path.find("..", path.rfind('/')), std::string::npos) << path;
    EXPECT_NE(path.find("osciloskop-card-"), std::string::npos) << path;
}

} // namespace
