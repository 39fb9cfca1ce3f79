// SPDX-License-Identifier: MIT
// The card behind a mixer: the sound server found as its client library finds it, and one
// name for every spelling of one server's socket.

#include "platform/CardIdentity.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Variables = std::map<std::string, std::string>;

platform::Environment From(const Variables& variables) {
    return [&variables](const char* name) -> const char* {
        const auto found = variables.find(name);
        return found == variables.end() ? nullptr : found->second.c_str();
    };
}

TEST(CardIdentity, ServerAddressAsTheClientLibraryFindsIt) {
    const struct {
        Variables variables;
        std::string address;
    } cases[] = {
        {{{"PULSE_SERVER", "unix:/run/a/native"}}, "unix:/run/a/native"},
        {{{"PULSE_SERVER", "/run/a/native"}}, "unix:/run/a/native"},
        {{{"PULSE_SERVER", "  {0123abc}unix:/run/a/native tcp:host"}}, "unix:/run/a/native"},
        {{{"PULSE_SERVER", "tcp:host:4713 unix:/run/a/native"}}, "tcp:host:4713"},
        {{{"PULSE_SERVER", "/run/a/native"}, {"PULSE_RUNTIME_PATH", "/run/b"}},
         "unix:/run/a/native"},
        {{{"PULSE_SERVER", ""}, {"PULSE_RUNTIME_PATH", "/run/b"}}, "unix:/run/b/native"},
        {{{"PULSE_RUNTIME_PATH", "/run/b"}, {"XDG_RUNTIME_DIR", "/run/user/7"}},
         "unix:/run/b/native"},
        {{{"XDG_RUNTIME_DIR", "/run/user/7"}}, "unix:/run/user/7/pulse/native"},
        {{}, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::SoundServerAddress(From(c.variables)), c.address)
            << (c.variables.empty() ? "(nothing set)" : c.variables.begin()->second);
    }
}

// A real socket in a real directory, reached through a link as well.
class CardIdentityOnASocket : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/osc-identity.XXXXXX";
        directory = mkdtemp(pattern);
        fs::create_directories(directory / "pulse");
        socketPath = directory / "pulse" / "native";
        fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        socketPath.string().copy(address.sun_path, sizeof address.sun_path - 1);
        ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        fs::create_directory_symlink(directory / "pulse", directory / "link");
    }
    void TearDown() override {
        close(fd);
        fs::remove_all(directory);
    }

    fs::path directory;
    fs::path socketPath;
    int fd = -1;
};

TEST_F(CardIdentityOnASocket, EverySpellingOfOneServerIsOneCardAndAnotherServerAnother) {
    const std::string dir = directory.string();
    const Variables spellings[] = {
        {{"PULSE_SERVER", "unix:" + dir + "/pulse/native"}},
        {{"PULSE_SERVER", dir + "/pulse/native"}},
        {{"PULSE_SERVER", dir + "/link/../pulse/./native"}},
        {{"PULSE_SERVER", "unix:" + dir + "/link/native"}},
        {{"PULSE_RUNTIME_PATH", dir + "/pulse"}},
        {{"PULSE_RUNTIME_PATH", dir + "/link/"}},
        {{"XDG_RUNTIME_DIR", dir}},
        {{"XDG_RUNTIME_DIR", dir + "/"}, {"PULSE_SERVER", ""}},
    };
    const std::string expected = "default on unix:" + fs::canonical(socketPath).string();
    for (const Variables& spelling : spellings) {
        EXPECT_EQ(platform::CardIdentity("default", From(spelling)), expected)
            << spelling.rbegin()->second;
    }
    const Variables other{{"PULSE_RUNTIME_PATH", dir + "/elsewhere"}};
    EXPECT_NE(platform::CardIdentity("default", From(other)), expected);
    EXPECT_EQ(platform::CardIdentity("hw:1", From(spellings[0])), "hw:1")
        << "a card's own mixer is that card, whatever server there is";
    EXPECT_EQ(platform::CardIdentity("default", From({})), "default");
}

} // namespace
