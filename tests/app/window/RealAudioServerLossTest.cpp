// SPDX-License-Identifier: MIT
// The window on a real sound server that dies and comes back: the instrument stays responsive,
// says once that the device stopped, without the sound libraries' chatter, resumes by itself
// when a new server appears on the same socket, and closes at once even while the server is
// gone. The test runs its own server, of the shared server's kind, so that killing it disturbs
// no other test.

#include "Form1TestRig.h"
#include "PrivateSoundServer.h"

#include "platform/portaudio/PortAudioWaveService.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

namespace app {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The longest the UI thread may be busy at a time. A sanitizer build runs every pass many times
// slower, the dead server or not.
#if defined(__SANITIZE_ADDRESS__)
constexpr auto kResponsive = 1000ms;
#else
constexpr auto kResponsive = 100ms;
#endif

using test::PrivateSoundServer;

class ServerLoss : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("OSC_SOUND_SERVER") == nullptr) {
            GTEST_SKIP() << "no sound server: scripts/test.sh starts one for this test";
        }
        ASSERT_TRUE(server.Start()) << server.Log();
        unsetenv("OSC_AUDIO_DEBUG"); // the libraries' diagnostics as a user's run has them
        setenv("PULSE_SERVER", server.Address().c_str(), 1);
        test::EnsureApplication();
        wave = std::make_unique<platform::PortAudioWaveService>(dispatcher);
        wave->SetDeviceStatusListener(
            [this](bool working, const std::string&) { working ? ++restored : ++lost; });
        form = std::make_unique<TForm1>(FormServices{*wave, volumes, memory, mixers});
        subscription = form->model.Subscribe([this](const instrument::Readings&) { ++blocks; });
    }

    // Runs the UI thread's work as the event loop would until `done` holds or `timeout` has
    // passed, and records the longest time one round of it took.
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        while (!done()) {
            if (Clock::now() > deadline) {
                return false;
            }
            const auto start = Clock::now();
            dispatcher.Drain();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            longestRound = std::max(longestRound, Clock::now() - start);
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }

    PrivateSoundServer server;
    platform::QueueDispatcher dispatcher;
    std::unique_ptr<platform::PortAudioWaveService> wave;
    platform::sim::SimVolumes volumes;
    platform::HeapBufferMemory memory;
    platform::sim::SimMixerDevices mixers;
    std::unique_ptr<TForm1> form;
    instrument::Instrument::Subscription subscription;
    int blocks = 0;
    int lost = 0;
    int restored = 0;
    Clock::duration longestRound{};
};

TEST_F(ServerLoss, InstrumentStaysResponsiveSaysSoOnceResumesWithANewServerAndClosesAtOnce) {
    ASSERT_TRUE(RunUntil([&] { return blocks >= 3; }, 20s)) << "no blocks before the loss";

    testing::internal::CaptureStderr();
    server.Kill();
    longestRound = {};
    ASSERT_TRUE(RunUntil([&] { return lost == 1; }, 10s)) << "the loss went unnoticed";
    const int blocksWhileLost = blocks;
    RunUntil([] { return false; }, 2s);
    // The sound libraries' own complaints about the dead server stay off standard error.
    const std::string complaints = testing::internal::GetCapturedStderr();
    EXPECT_EQ(complaints.find("Expression '"), std::string::npos) << complaints;
    EXPECT_EQ(complaints.find("ALSA lib"), std::string::npos) << complaints;
    EXPECT_EQ(lost, 1) << "the loss is told once";
    EXPECT_LE(blocks, blocksWhileLost + 1) << "no blocks come from a dead server";
    EXPECT_LT(longestRound, kResponsive) << "the UI thread waited on the dead server";

    ASSERT_TRUE(server.Start());
    const auto back = Clock::now();
    EXPECT_TRUE(RunUntil([&] { return restored == 1 && blocks >= blocksWhileLost + 3; }, 5s))
        << "blocks after the new server: " << blocks - blocksWhileLost;
    EXPECT_LT(Clock::now() - back, 5s);

    server.Kill();
    RunUntil([&] { return lost == 2; }, 10s);
    const auto close = Clock::now();
    form.reset();
    dispatcher.Drain();
    wave.reset();
    EXPECT_LT(Clock::now() - close, 1s) << "closing waited on the dead server";
}

} // namespace
} // namespace app
