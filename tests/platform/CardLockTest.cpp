// SPDX-License-Identifier: MIT
// The per-card lock: held once per card, free again when its holder goes.

#include "platform/CardLock.h"

#include <gtest/gtest.h>

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

TEST(CardLock, FileNameKeepsToTheLockDirectory) {
    const std::string path = CardLock::PathFor("../../etc/passwd hw:0,0");
    EXPECT_EQ(path.find("..", path.rfind('/')), std::string::npos) << path;
    EXPECT_NE(path.find("osciloskop-card-"), std::string::npos) << path;
}

} // namespace
