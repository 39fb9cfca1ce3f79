// SPDX-License-Identifier: MIT
// Capture against the simulated card: runs of buffers, endless capture, stopping, failures.
#include "AudioTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <stdexcept>

namespace audio::test {
namespace {

constexpr int kBytes = 4000;  // 1000 stereo 16-bit frames
constexpr int kFrames = 1000; // frames per buffer

class AudioInTest : public ::testing::Test {
protected:
    AudioInTest() {
        in.emplace(bench.services);
        in->SetBufferSize(kBytes);
        in->SetNumBuffers(3);
        in->SetFrameRate(44100);
        in->SetStereo(true);
        in->OnStop = [this](void*) { ++stops; };
        in->OnBufferFilled = [this](char* buffer, int& size) {
            slots.push_back(SlotOf(*in, buffer));
            sizes.push_back(size);
            return keep();
        };
    }
    void TearDown() override {
        in.reset();
        bench.dispatcher.Drain();
    }

    Bench bench;
    std::optional<TAudioIn> in;
    std::function<bool()> keep = [] { return false; };
    std::vector<int> slots; // slot of each captured buffer handed over
    std::vector<int> sizes;
    int stops = 0;
};

TEST_F(AudioInTest, ADecliningHandlerGetsOneRunOfEverySlotInOrderThenTheDeviceCloses) {
    ASSERT_TRUE(in->Start());
    EXPECT_EQ(in->BuffersPending(), 3);
    bench.Run(10 * kFrames);
    EXPECT_EQ(slots, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(sizes, (std::vector<int>{kBytes, kBytes, kBytes}));
    EXPECT_EQ(stops, 1);
    EXPECT_FALSE(in->DeviceOpen());
    EXPECT_EQ(in->BuffersDone(), 3);
    EXPECT_EQ(in->BuffersFilled(), 0);
    // Each start gives one more run, as the acquisition cycle expects.
    ASSERT_TRUE(in->Start());
    bench.Run(10 * kFrames);
    EXPECT_EQ(slots, (std::vector<int>{0, 1, 2, 0, 1, 2}));
    EXPECT_EQ(stops, 2);
}

TEST_F(AudioInTest, WithoutHandlerCaptureGoesOnUntilStoppedWithoutAllocating) {
    in->OnBufferFilled = nullptr;
    ASSERT_TRUE(in->Start());
    const int allocations = bench.memory.Allocations();
    bench.Run(kFrames, 300);
    EXPECT_EQ(bench.memory.Allocations(), allocations);
    EXPECT_EQ(in->BuffersDone(), 300);
    EXPECT_EQ(in->BuffersFilled(), 300);
    EXPECT_EQ(in->BuffersPending(), 3);
    EXPECT_TRUE(in->Running());
    in->StopNow();
    EXPECT_FALSE(in->DeviceOpen());
    bench.dispatcher.Drain();
    EXPECT_EQ(in->BuffersDone(), 300); // the reset's returns belong to the closed stream
    EXPECT_EQ(stops, 1);
}

TEST_F(AudioInTest, KeptBuffersGoBackInRingOrder) {
    keep = [] { return true; };
    ASSERT_TRUE(in->Start());
    bench.Run(kFrames, 7);
    EXPECT_EQ(slots, (std::vector<int>{0, 1, 2, 0, 1, 2, 0}));
    EXPECT_EQ(in->NextBuffer(), 1);
    EXPECT_EQ(in->BuffersPending(), 3);
}

// The last buffer kept after the others were declined: the stream goes on with it instead of
// closing the device that still holds it.
TEST_F(AudioInTest, ABufferKeptWhenNothingElseIsPendingKeepsTheStreamOpen) {
    keep = [this] { return slots.size() == 3; };
    ASSERT_TRUE(in->Start());
    bench.Run(3 * kFrames);
    EXPECT_TRUE(in->DeviceOpen());
    EXPECT_TRUE(in->Running());
    EXPECT_EQ(in->BuffersPending(), 1);
    bench.Run(kFrames);
    EXPECT_EQ(slots, (std::vector<int>{0, 1, 2, 2}));
    EXPECT_FALSE(in->DeviceOpen());
    EXPECT_EQ(stops, 1);
}

TEST_F(AudioInTest, StopWhenDrainedTakesNoMoreBuffers) {
    keep = [] { return true; };
    ASSERT_TRUE(in->Start());
    bench.Run(kFrames);
    in->StopWhenDrained();
    bench.Run(5 * kFrames);
    EXPECT_EQ(slots.size(), 1u);
    EXPECT_FALSE(in->DeviceOpen());
    EXPECT_EQ(stops, 1);
    in->StopNow();
    in->StopWhenDrained();
    EXPECT_TRUE(bench.dispatcher.Empty());
}

TEST_F(AudioInTest, StartWhileOpenFailsAndLeavesTheStreamAlone) {
    ASSERT_TRUE(in->Start());
    EXPECT_FALSE(in->Start());
    EXPECT_EQ(in->LastError(), "Wave Input device is already open");
    bench.Run(3 * kFrames);
    EXPECT_EQ(slots.size(), 3u);
    EXPECT_EQ(stops, 1);
}

TEST_F(AudioInTest, PlatformFailuresLeaveTheirTextAndAClosedDevice) {
    using platform::sim::SimOperation;
    bench.card.FailNext(SimOperation::InStart, platform::MMSYSERR_NODRIVER);
    EXPECT_FALSE(in->Start());
    EXPECT_EQ(in->LastError(),
              "Error starting wave record: " + bench.ErrorText(platform::MMSYSERR_NODRIVER));
    EXPECT_FALSE(in->DeviceOpen());

    bench.card.FailNext(SimOperation::InOpen, platform::MMSYSERR_BADDEVICEID);
    EXPECT_FALSE(in->Start());
    EXPECT_EQ(in->LastError(), bench.ErrorText(platform::MMSYSERR_BADDEVICEID));

    bench.card.FailNext(SimOperation::InPrepare, platform::MMSYSERR_NOMEM);
    EXPECT_FALSE(in->Start());
    EXPECT_EQ(in->LastError(), bench.ErrorText(platform::MMSYSERR_NOMEM));
    EXPECT_FALSE(in->DeviceOpen());

    // The second hand-over fails after the first buffer is with the device.
    bench.card.FailNext(SimOperation::InAddBuffer, platform::MMSYSERR_ERROR);
    in->OnBufferFilled = nullptr;
    EXPECT_FALSE(in->Start());
    EXPECT_EQ(in->LastError(), bench.ErrorText(platform::MMSYSERR_ERROR));
    EXPECT_FALSE(in->DeviceOpen());

    bench.dispatcher.Drain();
    EXPECT_TRUE(in->Start());
    bench.Run(kFrames);
    EXPECT_EQ(in->BuffersDone(), 1);
}

TEST_F(AudioInTest, StaleReturnsAfterStopNowDoNotActOnTheNextStream) {
    keep = [] { return true; };
    ASSERT_TRUE(in->Start());
    bench.Run(kFrames / 2);
    in->StopNow();
    ASSERT_TRUE(in->Start());
    bench.dispatcher.Drain();
    EXPECT_TRUE(slots.empty());
    EXPECT_EQ(in->BuffersPending(), 3);
    bench.Run(kFrames);
    EXPECT_EQ(slots, (std::vector<int>{0}));
}

// A new stream started from the close event of the previous one: the previous stream's receiver
// is still delivering that event and must survive it.
TEST_F(AudioInTest, AStartFromTheCloseEventOpensTheNextRun) {
    in->OnStop = [this](void*) {
        if (++stops < 3) {
            EXPECT_TRUE(in->Start());
        }
    };
    ASSERT_TRUE(in->Start());
    bench.Run(kFrames, 12);
    EXPECT_EQ(slots, (std::vector<int>{0, 1, 2, 0, 1, 2, 0, 1, 2}));
    EXPECT_EQ(stops, 3);
    EXPECT_FALSE(in->DeviceOpen());
}

TEST_F(AudioInTest, HandlerErrorsShrinkTheRingAndTheLastOneClosesTheDevice) {
    keep = []() -> bool { throw std::runtime_error("capture handler failed"); };
    ASSERT_TRUE(in->Start());
    bench.Run(2 * kFrames);
    EXPECT_EQ(bench.errors.size(), 2u);
    EXPECT_TRUE(in->DeviceOpen());
    bench.Run(kFrames);
    EXPECT_EQ(bench.errors.size(), 3u);
    EXPECT_EQ(bench.errors.back(), "capture handler failed");
    EXPECT_FALSE(in->DeviceOpen());
    keep = [] { return false; };
    EXPECT_TRUE(in->Start()) << in->LastError();
}

} // namespace
} // namespace audio::test
