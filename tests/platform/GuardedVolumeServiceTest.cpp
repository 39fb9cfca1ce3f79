// SPDX-License-Identifier: MIT
// The guarded volume service against an in-process service whose calls and opens block on
// demand, as a frozen sound server holds them: the deadline, the recovery after a hiccup, the
// reconnect that closes the old service, and the device names kept for the restore list.

#include "platform/GuardedVolumeService.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace platform {
namespace {

using namespace std::chrono_literals;

constexpr auto kDeadline = 200ms;
// Generous: the machines that run the tests are often loaded.
constexpr auto kPatience = 10s;

// What the test controls and sees of every service it opened.
struct Server {
    std::mutex mutex;
    std::condition_variable changed;
    bool frozen = false;   // calls and opens wait while set
    bool answering = true; // what the services' Answering() says
    std::atomic<int> live{0};
    std::atomic<int> opened{0};
    std::atomic<int> callsDone{0};
    std::array<std::uint32_t, 6> volumes{0x6666'6666, 1, 2, 3, 4, 5};

    void Freeze(bool frozen_) {
        std::lock_guard lock(mutex);
        frozen = frozen_;
        changed.notify_all();
    }
    void WaitWhileFrozen() {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return !frozen; });
    }
    // Waits up to kPatience for `condition`.
    template <typename Condition> bool Await(Condition condition) {
        const auto end = std::chrono::steady_clock::now() + kPatience;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }
};

class FakeVolumes final : public VolumeService {
public:
    explicit FakeVolumes(Server& server) : server_(server) {
        server_.WaitWhileFrozen();
        ++server_.live;
        ++server_.opened;
    }
    ~FakeVolumes() override { --server_.live; }

    std::uint32_t WaveOutGetVolume(std::uint32_t device) override {
        return Done(server_.volumes.at(device));
    }
    void WaveOutSetVolume(std::uint32_t device, std::uint32_t volume) override {
        server_.volumes.at(device) = Done(volume);
    }
    std::uint32_t AuxGetVolume(std::uint32_t device) override { return WaveOutGetVolume(device); }
    void AuxSetVolume(std::uint32_t device, std::uint32_t volume) override {
        WaveOutSetVolume(device, volume);
    }
    std::string VolumeName(std::uint32_t device) override {
        return device == 0 ? "Master" : device == 1 ? "PCM" : "";
    }
    bool Answering() override { return server_.answering; }

private:
    std::uint32_t Done(std::uint32_t value) {
        server_.WaitWhileFrozen();
        ++server_.callsDone;
        return value;
    }
    Server& server_;
};

std::unique_ptr<GuardedVolumeService> Guard(Server& server) {
    return std::make_unique<GuardedVolumeService>(
        [&server] { return std::make_unique<FakeVolumes>(server); }, kDeadline);
}

TEST(GuardedVolumeService, AFrozenCallReturnsAtTheDeadlineAndAHiccupPasses) {
    Server server;
    auto volumes = Guard(server);
    ASSERT_TRUE(volumes->Answering());
    EXPECT_EQ(volumes->WaveOutGetVolume(0), 0x6666'6666u);

    server.Freeze(true);
    const auto start = std::chrono::steady_clock::now();
    volumes->WaveOutSetVolume(0, 0xFFFF);
    EXPECT_LT(std::chrono::steady_clock::now() - start, kDeadline + 2s);
    EXPECT_FALSE(volumes->Answering());
    const int doneBefore = server.callsDone;
    EXPECT_EQ(volumes->WaveOutGetVolume(0), 0u) << "a read while a call is held";
    volumes->AuxSetVolume(1, 7); // dropped: it would only wait behind the held call

    server.Freeze(false);
    ASSERT_TRUE(server.Await([&] { return server.callsDone > doneBefore; }));
    EXPECT_TRUE(server.Await([&] { return volumes->Answering(); }))
        << "a hiccup disabled the volumes for the session";
    EXPECT_EQ(volumes->WaveOutGetVolume(0), 0xFFFFu) << "the held write did reach the server";
    EXPECT_EQ(server.volumes[1], 1u) << "a write dropped while held ran later";
    volumes->AuxSetVolume(1, 0x8000'8000);
    EXPECT_EQ(server.volumes[1], 0x8000'8000u);
}

TEST(GuardedVolumeService, AServiceThatOpensButDoesNotAnswerSaysSo) {
    Server server;
    server.answering = false;
    auto volumes = Guard(server);
    EXPECT_FALSE(volumes->Answering());
    EXPECT_EQ(volumes->WaveOutGetVolume(0), 0u);
}

TEST(GuardedVolumeService, ReconnectClosesTheOldServiceEveryTime) {
    Server server;
    auto volumes = Guard(server);
    for (int restart = 0; restart < 5; ++restart) {
        EXPECT_TRUE(volumes->Reconnect());
        EXPECT_EQ(volumes->WaveOutGetVolume(0), 0x6666'6666u);
    }
    EXPECT_EQ(server.opened, 6);
    EXPECT_TRUE(server.Await([&] { return server.live == 1; }))
        << server.live << " services (threads and mixer connections) still open";
    volumes.reset();
    EXPECT_TRUE(server.Await([&] { return server.live == 0; }));
}

TEST(GuardedVolumeService, AReconnectThatMissesItsDeadlineKeepsTheNamesToRestore) {
    Server server;
    auto volumes = Guard(server);
    ASSERT_EQ(volumes->VolumeName(0), "Master");
    server.Freeze(true); // the restarted server hangs in the open
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(volumes->Reconnect());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2 * kDeadline + 2s);
    EXPECT_EQ(volumes->VolumeName(0), "Master") << "an unrestored volume would go unnamed";
    EXPECT_EQ(volumes->VolumeName(1), "PCM");
    EXPECT_EQ(volumes->VolumeName(6), "");
    server.Freeze(false);
    ASSERT_TRUE(server.Await([&] { return volumes->Answering(); }));
    EXPECT_EQ(volumes->VolumeName(0), "Master");
    volumes.reset();
    EXPECT_TRUE(server.Await([&] { return server.live == 0; }));
}

} // namespace
} // namespace platform
