// SPDX-License-Identifier: MIT
// The volume journal: where it lives, that it gives back what was saved for the same card only,
// and that no garbage or absurd file is ever taken for volumes.

#include "platform/VolumeJournal.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// Sets an environment variable (nullptr: unsets it) while it lives.
class Environment {
public:
    Environment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            saved_ = old;
        }
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~Environment() { saved_ ? setenv(name_, saved_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

class VolumeJournalTest : public testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/osc-state-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir_ = name;
        state_.emplace("XDG_STATE_HOME", (dir_ + "/state").c_str());
    }
    void TearDown() override {
        state_.reset();
        std::system(("rm -rf '" + dir_ + "'").c_str());
    }

    std::string dir_;
    std::optional<Environment> state_;
};

constexpr VolumeJournal::Volumes kUsers{0x6666'6666, 0x1234'ABCD, 0, 0xFFFF'FFFF, 5, 0x8000'0000};

TEST_F(VolumeJournalTest, GivesBackWhatWasSavedForTheSameCardUntilRemoved) {
    const VolumeJournal journal("pulse:default on unix:/run/user/0/pulse/native");
    EXPECT_EQ(journal.Path().rfind(dir_ + "/state/osciloskop/volumes-", 0), 0u) << journal.Path();
    std::string error;
    EXPECT_FALSE(journal.ReadLeft(error)) << "nothing saved yet";
    EXPECT_EQ(error, "");

    ASSERT_EQ(journal.Write(kUsers), "");
    struct stat info {};
    ASSERT_EQ(stat((dir_ + "/state/osciloskop").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u) << "the state folder is the user's alone";
    const std::optional<VolumeJournal::Volumes> left = VolumeJournal(journal).ReadLeft(error);
    ASSERT_TRUE(left) << error;
    EXPECT_EQ(*left, kUsers);
    EXPECT_FALSE(VolumeJournal("hw:1").ReadLeft(error)) << "another card's volumes";

    ASSERT_EQ(journal.Remove(), "");
    EXPECT_FALSE(journal.ReadLeft(error));
    EXPECT_EQ(error, "");
    EXPECT_EQ(journal.Remove(), "") << "removing a journal that is gone";
}

TEST_F(VolumeJournalTest, LivesUnderHomeWithoutAnAbsoluteStateFolder) {
    const Environment home("HOME", "/home/student");
    for (const char* state : {static_cast<const char*>(nullptr), "relative/state", ""}) {
        const Environment unset("XDG_STATE_HOME", state);
        EXPECT_EQ(VolumeJournal("hw:0").Path().rfind("/home/student/.local/state/osciloskop/", 0),
                  0u)
            << (state ? state : "(unset)");
    }
}

TEST_F(VolumeJournalTest, GarbageAndAbsurdFilesAreRefusedWithTheReason) {
    const VolumeJournal journal("hw:0");
    ASSERT_EQ(journal.Write(kUsers), "");
    const std::string good = "osciloskop volumes 1\ncard=hw:0\n0=66666666\n1=1234ABCD\n"
                             "2=00000000\n3=FFFFFFFF\n4=00000005\n5=80000000\n";
    struct Case {
        std::string content;
        const char* fault;
    };
    const Case cases[] = {
        {std::string("\x7f\x45\x4c\x46\x02\x01\x00\xff", 8), "does not start with"},
        {"", "does not start with"},
        {good.substr(0, good.size() - 12), "device 5 has no volume"},
        {"osciloskop volumes 1\ncard=hw:1\n" + good.substr(32), "not this card's"},
        {"osciloskop volumes 1\ncard=hw:0\n0=1666666666\n", "device 0 has no volume"},
        {"osciloskop volumes 1\ncard=hw:0\n0=-0000001\n", "device 0 has no volume"},
        {good + "6=00000000\n", "goes on after"},
        {good + std::string(1 << 20, ' '), "not a small regular file"},
    };
    for (const Case& c : cases) {
        std::ofstream(journal.Path(), std::ios::binary | std::ios::trunc) << c.content;
        std::string error;
        EXPECT_FALSE(journal.ReadLeft(error)) << c.fault;
        EXPECT_NE(error.find(c.fault), std::string::npos) << error;
        EXPECT_NE(error.find(journal.Path()), std::string::npos) << error;
    }
    std::ofstream(journal.Path(), std::ios::binary | std::ios::trunc) << good;
    std::string error;
    EXPECT_EQ(journal.ReadLeft(error), kUsers) << error;
}

} // namespace
} // namespace platform
