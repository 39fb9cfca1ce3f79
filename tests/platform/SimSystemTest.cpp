// SPDX-License-Identifier: MIT
// The simulated system as the program opens it: volumes, mixer count, and the card running in
// real time on its clock thread while the test thread works the devices.
#include "SimCardTestSupport.h"

#include "platform/sim/LoopbackSource.h"
#include "platform/sim/SimVolumes.h"
#include "platform/sim/SimulatedSystem.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace simtest;
using platform::sim::SimulatedCard;
using Clock = std::chrono::steady_clock;

namespace {

TEST(SimVolumes, KeepsDevice0AndAux1To5AndIgnoresEveryOtherDevice) {
    platform::sim::SimVolumes volumes;
    EXPECT_EQ(volumes.WaveOutGetVolume(0), 0xC000C000u);
    for (std::uint32_t device = 1; device <= 5; ++device) {
        EXPECT_EQ(volumes.AuxGetVolume(device), platform::sim::SimVolumes::kStartVolumes[device]);
    }
    volumes.WaveOutSetVolume(0, 0x0000FFFF);
    volumes.AuxSetVolume(3, 0x12345678);
    EXPECT_EQ(volumes.WaveOutGetVolume(0), 0x0000FFFFu);
    EXPECT_EQ(volumes.AuxGetVolume(3), 0x12345678u);
    EXPECT_EQ(volumes.AuxGetVolume(2), 0xFFFFFFFFu) << "a neighbour is untouched";

    for (std::uint32_t device : {1u, 6u, 0xFFFFFFFFu}) {
        volumes.WaveOutSetVolume(device, 0x1111);
        EXPECT_EQ(volumes.WaveOutGetVolume(device), 0u) << device;
    }
    for (std::uint32_t device : {0u, 6u, 100u}) {
        volumes.AuxSetVolume(device, 0x2222);
        EXPECT_EQ(volumes.AuxGetVolume(device), 0u) << device;
    }
    EXPECT_EQ(volumes.WaveOutGetVolume(0), 0x0000FFFFu) << "aux 0 is not wave out 0";
}

TEST(SimulatedSystem, OpensTheCardWithVolumesAndOneMixerAndNamesItself) {
    QueueDispatcher dispatcher;
    platform::AudioSystem system = platform::sim::OpenSimulatedSystem(dispatcher);
    EXPECT_EQ(system.description, "audio: simulated sound card");
    ASSERT_NE(system.mixer, nullptr);
    EXPECT_EQ(system.mixer->MixerGetNumDevs(), 1u);
    ASSERT_NE(system.volume, nullptr);
    EXPECT_EQ(system.volume->WaveOutGetVolume(0), 0xC000C000u);
    ASSERT_NE(dynamic_cast<SimulatedCard*>(system.wave.get()), nullptr);
    EXPECT_NE(system.keepAlive, nullptr);
}

// What the clock sleeps until: the frames before the first queued buffer of a running device
// comes back, and a listener call for each operation that can bring that closer.
TEST(SimulatedCard, TellsTheFramesToTheNextReturnAndWhenTheyMayShrink) {
    QueueDispatcher dispatcher;
    SimulatedCard card(dispatcher);
    int rescheduled = 0;
    card.SetScheduleListener([&rescheduled] { ++rescheduled; });
    RecordingReceiver receiver;
    const WaveFormat mono = Pcm(1, 16), stereo = Pcm(2, 16);
    constexpr std::uint32_t kSize = sizeof(WaveHeader);
    WaveOutHandle out = 0;
    WaveInHandle in = 0;
    Buffer played(200), partial(7), recorded(160); // 100 frames, 3 whole frames, 40 frames
    ASSERT_EQ(card.WaveOutOpen(&out, 0, &mono, &receiver), 0u);
    ASSERT_EQ(card.WaveInOpen(&in, 0, &stereo, &receiver), 0u);
    EXPECT_EQ(card.FramesToNextReturn(), std::nullopt) << "nothing queued";

    ASSERT_EQ(card.WaveOutPrepareHeader(out, &played.header, kSize), 0u);
    ASSERT_EQ(card.WaveOutWrite(out, &played.header, kSize), 0u);
    EXPECT_EQ(rescheduled, 1);
    EXPECT_EQ(card.FramesToNextReturn(), 100u);
    card.AdvanceFrames(30);
    EXPECT_EQ(card.FramesToNextReturn(), 70u);

    // The input counts only once started, and the nearer return wins.
    ASSERT_EQ(card.WaveInPrepareHeader(in, &recorded.header, kSize), 0u);
    ASSERT_EQ(card.WaveInAddBuffer(in, &recorded.header, kSize), 0u);
    EXPECT_EQ(card.FramesToNextReturn(), 70u);
    ASSERT_EQ(card.WaveInStart(in), 0u);
    EXPECT_EQ(rescheduled, 3);
    EXPECT_EQ(card.FramesToNextReturn(), 40u);
    ASSERT_EQ(card.WaveOutPause(out), 0u);
    card.AdvanceFrames(25);
    EXPECT_EQ(card.FramesToNextReturn(), 15u) << "a paused output plays nothing";
    ASSERT_EQ(card.WaveInReset(in), 0u);
    EXPECT_EQ(card.FramesToNextReturn(), std::nullopt);

    // A trailing partial frame is never played: the buffer comes back after its whole frames.
    ASSERT_EQ(card.WaveOutRestart(out), 0u);
    card.AdvanceFrames(70);
    ASSERT_EQ(card.WaveOutPrepareHeader(out, &partial.header, kSize), 0u);
    ASSERT_EQ(card.WaveOutWrite(out, &partial.header, kSize), 0u);
    EXPECT_EQ(card.FramesToNextReturn(), 3u);
    card.AdvanceFrames(3);
    EXPECT_EQ(card.FramesToNextReturn(), std::nullopt);
    dispatcher.Drain();
    card.SetScheduleListener(nullptr);
    ASSERT_EQ(card.WaveOutReset(out), 0u);
    ASSERT_EQ(card.WaveOutClose(out), 0u);
    ASSERT_EQ(card.WaveInClose(in), 0u);
}

TEST(RealTimeClock, AdvancesTheCardAboutAsFastAsRealTimeAndStopsCleanly) {
    QueueDispatcher dispatcher;
    SimulatedCard card(dispatcher);
    const auto start = Clock::now();
    auto clock = std::make_unique<platform::sim::RealTimeClock>(card);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto beforeStop = Clock::now();
    clock.reset();
    const auto stopped = Clock::now();
    const double seconds = std::chrono::duration<double>(beforeStop - start).count();
    const double frames = static_cast<double>(card.ElapsedFrames());
    EXPECT_GT(frames, 0.5 * seconds * platform::sim::kFrameRate);
    EXPECT_LT(frames, 1.05 * std::chrono::duration<double>(stopped - start).count() *
                          platform::sim::kFrameRate);
    EXPECT_LT(stopped - beforeStop, std::chrono::milliseconds(200)) << "the thread stops at once";
    const std::uint64_t after = card.ElapsedFrames();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(card.ElapsedFrames(), after) << "nothing advances the card after the clock is gone";
}

// Plays a ring of short buffers and records another while the clock thread runs: every buffer
// comes back, in ring order, with the loopback's samples in the recording.
TEST(SimulatedSystem, StreamsThroughBothDevicesWhileTheClockRuns) {
    QueueDispatcher dispatcher;
    platform::AudioSystem system = platform::sim::OpenSimulatedSystem(
        dispatcher, std::make_unique<platform::sim::LoopbackSource>());
    WaveService& wave = *system.wave;
    RecordingReceiver outReceiver, inReceiver;
    const WaveFormat mono = Pcm(1, 16), stereo = Pcm(2, 16);
    WaveOutHandle out = 0;
    WaveInHandle in = 0;
    ASSERT_EQ(wave.WaveOutOpen(&out, 0, &mono, &outReceiver), 0u);
    ASSERT_EQ(wave.WaveInOpen(&in, 0, &stereo, &inReceiver), 0u);
    constexpr std::uint32_t kSize = sizeof(WaveHeader);
    constexpr std::size_t kFrames = 2205; // 50 ms
    std::vector<std::unique_ptr<Buffer>> played, recorded;
    for (int i = 0; i < 3; ++i) {
        played.push_back(std::make_unique<Buffer>(2 * kFrames));
        for (std::size_t k = 0; k < kFrames; ++k) {
            played.back()->SetSample(k, 7777);
        }
        recorded.push_back(std::make_unique<Buffer>(4 * kFrames));
        ASSERT_EQ(wave.WaveOutPrepareHeader(out, &played.back()->header, kSize), 0u);
        ASSERT_EQ(wave.WaveOutWrite(out, &played.back()->header, kSize), 0u);
        ASSERT_EQ(wave.WaveInPrepareHeader(in, &recorded.back()->header, kSize), 0u);
        ASSERT_EQ(wave.WaveInAddBuffer(in, &recorded.back()->header, kSize), 0u);
    }
    ASSERT_EQ(wave.WaveInStart(in), 0u);

    // Hand every returned buffer back at once, as the stream components do, for 400 ms.
    std::size_t outSeen = 1, inSeen = 1; // the open notifications
    const auto end = Clock::now() + std::chrono::milliseconds(400);
    while (Clock::now() < end) {
        dispatcher.Drain();
        for (; outSeen < outReceiver.messages.size(); ++outSeen) {
            ASSERT_EQ(outReceiver.messages[outSeen].header, &played[(outSeen - 1) % 3]->header);
            ASSERT_EQ(wave.WaveOutWrite(out, outReceiver.messages[outSeen].header, kSize), 0u);
        }
        for (; inSeen < inReceiver.messages.size(); ++inSeen) {
            const Message& m = inReceiver.messages[inSeen];
            ASSERT_EQ(m.header, &recorded[(inSeen - 1) % 3]->header);
            ASSERT_EQ(m.bytesRecorded, 4u * kFrames);
            ASSERT_EQ(wave.WaveInAddBuffer(in, m.header, kSize), 0u);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_GT(outSeen, 4u);
    EXPECT_GT(inSeen, 4u);
    ASSERT_EQ(wave.WaveOutReset(out), 0u);
    ASSERT_EQ(wave.WaveInReset(in), 0u); // the device holds no buffer any more
    // Each recorded value is the generator or, where a slow test thread let the output run
    // dry, silence; nothing else.
    std::size_t generator = 0;
    for (const auto& buffer : recorded) {
        for (std::size_t k = 0; k < 2 * kFrames; ++k) {
            ASSERT_TRUE(buffer->Sample(k) == 7777 || buffer->Sample(k) == 0) << buffer->Sample(k);
            generator += buffer->Sample(k) == 7777 ? 1 : 0;
        }
    }
    EXPECT_GT(generator, kFrames);

    EXPECT_EQ(wave.WaveOutClose(out), 0u);
    EXPECT_EQ(wave.WaveInClose(in), 0u);
}

} // namespace
