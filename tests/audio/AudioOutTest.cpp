// SPDX-License-Identifier: MIT
// Playback against the simulated card: start, the refill ring, pausing, stopping, failures.
#include "AudioTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <stdexcept>

namespace audio::test {
namespace {

constexpr int kBytes = 2000;  // 1000 mono 16-bit frames
constexpr int kFrames = 1000; // frames per buffer

class AudioOutTest : public ::testing::Test {
protected:
    AudioOutTest() {
        out.emplace(bench.services);
        out->SetBufferSize(kBytes);
        out->SetFrameRate(44100);
        out->OnStart = [this](void* sender) { starts.push_back(sender); };
        out->OnStop = [this](void* sender) { stops.push_back(sender); };
        out->OnFillBuffer = [this](char* buffer, int& size) {
            slots.push_back(SlotOf(*out, buffer));
            pending.push_back(out->BuffersPending());
            return produce(size);
        };
    }
    void TearDown() override {
        out.reset();
        bench.dispatcher.Drain();
    }

    Bench bench;
    std::optional<TAudioOut> out;
    std::function<bool(int& size)> produce = [](int&) { return true; };
    std::vector<int> slots;   // slot of each fill request
    std::vector<int> pending; // BuffersPending seen by each fill request
    std::vector<void*> starts, stops;
};

TEST_F(AudioOutTest, StartFillsEverySlotAndHandsThemOverInOrder) {
    ASSERT_TRUE(out->Start());
    EXPECT_EQ(slots, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(pending, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(out->BuffersFilled(), 4);
    EXPECT_EQ(out->BuffersPending(), 4);
    EXPECT_EQ(out->NextBuffer(), 0);
    EXPECT_TRUE(out->Running() && out->Accepting() && out->DeviceOpen());
    bench.dispatcher.Drain();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0], out->CallbackWindow());
}

TEST_F(AudioOutTest, PlaysWithoutEndRefillingInRingOrderWithoutAllocating) {
    ASSERT_TRUE(out->Start());
    const int allocations = bench.memory.Allocations();
    bench.Run(kFrames, 200);
    EXPECT_EQ(bench.memory.Allocations(), allocations);
    EXPECT_EQ(out->BuffersDone(), 200);
    EXPECT_EQ(out->BuffersFilled(), 204);
    ASSERT_EQ(slots.size(), 204u);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        ASSERT_EQ(slots[i], static_cast<int>(i % 4)) << "fill " << i;
    }
    // During a completion the handler sees the returned buffer already gone.
    EXPECT_EQ(pending.back(), 3);
    EXPECT_TRUE(out->Running());
    EXPECT_TRUE(stops.empty());
}

TEST_F(AudioOutTest, DeclinedBuffersLetTheRestPlayOutThenTheDeviceCloses) {
    ASSERT_TRUE(out->Start());
    produce = [](int&) { return false; };
    bench.Run(kFrames);
    EXPECT_TRUE(out->DeviceOpen());
    EXPECT_EQ(out->BuffersPending(), 3);
    bench.Run(3 * kFrames);
    EXPECT_FALSE(out->DeviceOpen());
    EXPECT_FALSE(out->Running());
    EXPECT_FALSE(out->Accepting());
    EXPECT_EQ(stops.size(), 1u);
    EXPECT_EQ(out->BuffersDone(), 4);
    produce = [](int&) { return true; };
    EXPECT_TRUE(out->Start()) << out->LastError(); // closed for good, opens again
}

TEST_F(AudioOutTest, StartNeedsAFilledFirstBuffer) {
    produce = [](int&) { return false; };
    EXPECT_FALSE(out->Start());
    EXPECT_EQ(out->LastError(), "There must be at least one filled buffer");
    EXPECT_FALSE(out->DeviceOpen());

    out->OnFillBuffer = nullptr;
    EXPECT_FALSE(out->Start());
    EXPECT_EQ(out->LastError(), "There must be at least one filled buffer");
    EXPECT_FALSE(out->DeviceOpen());
    bench.dispatcher.Drain();
    EXPECT_EQ(starts.size(), 2u);
    EXPECT_EQ(stops.size(), 2u);
}

// A slot declined at start is not handed over (it holds nothing new); it is asked again when the
// first buffer returns, and the stream goes on with the one buffer it has rather than closing
// the device under it.
TEST_F(AudioOutTest, SlotsDeclinedAtStartAreFilledAtTheNextCompletion) {
    produce = [this](int&) { return slots.size() != 2; };
    ASSERT_TRUE(out->Start());
    EXPECT_EQ(slots, (std::vector<int>{0, 1}));
    EXPECT_EQ(out->BuffersPending(), 1);
    EXPECT_EQ(out->NextBuffer(), 1);
    bench.Run(kFrames);
    EXPECT_EQ(slots, (std::vector<int>{0, 1, 1}));
    EXPECT_TRUE(out->DeviceOpen());
    EXPECT_TRUE(out->Running());
    bench.Run(kFrames);
    EXPECT_EQ(slots, (std::vector<int>{0, 1, 1, 2}));
    EXPECT_EQ(out->BuffersDone(), 2);
}

TEST_F(AudioOutTest, SizeSetByTheHandlerIsKeptWithinTheBuffer) {
    produce = [this](int& size) {
        size = slots.size() == 1 ? 10 * size : slots.size() == 2 ? -5 : 300;
        return true;
    };
    ASSERT_TRUE(out->Start());
    EXPECT_EQ(out->Header(0)->bufferLength, static_cast<unsigned>(kBytes));
    EXPECT_EQ(out->Header(1)->bufferLength, 0u);
    EXPECT_EQ(out->Header(2)->bufferLength, 300u);
}

TEST_F(AudioOutTest, PausedBeforeStartQueuesEverythingAndPlaysNothing) {
    out->SetPaused(true);
    ASSERT_TRUE(out->Start());
    bench.Run(10 * kFrames);
    EXPECT_EQ(out->BuffersDone(), 0);
    EXPECT_EQ(out->BuffersPending(), 4);
    out->SetPaused(false);
    bench.Run(kFrames);
    EXPECT_EQ(out->BuffersDone(), 1);
    out->SetPaused(true);
    out->StopNow();
    EXPECT_FALSE(out->Paused()); // closing clears it
}

TEST_F(AudioOutTest, StartWhileOpenFailsAndLeavesTheStreamAlone) {
    ASSERT_TRUE(out->Start());
    TCallBackWin* receiver = out->CallbackWindow();
    EXPECT_FALSE(out->Start());
    EXPECT_EQ(out->LastError(), "Wave output device is already open");
    EXPECT_EQ(out->CallbackWindow(), receiver);
    EXPECT_EQ(slots.size(), 4u);
    bench.Run(kFrames);
    EXPECT_EQ(out->BuffersDone(), 1);
    EXPECT_TRUE(out->Running());
}

TEST_F(AudioOutTest, StopNowClosesAtOnceAndLateNotificationsTouchNoNewStream) {
    ASSERT_TRUE(out->Start());
    bench.Run(kFrames);
    out->StopNow();
    EXPECT_FALSE(out->DeviceOpen());
    EXPECT_FALSE(out->Running());
    // Reopened before the reset's returns are delivered: they belong to the old stream.
    ASSERT_TRUE(out->Start());
    bench.dispatcher.Drain();
    EXPECT_EQ(out->BuffersDone(), 0);
    EXPECT_EQ(out->BuffersPending(), 4);
    EXPECT_TRUE(out->DeviceOpen());
    EXPECT_EQ(stops.size(), 1u);
    EXPECT_EQ(starts.size(), 2u);
    bench.Run(kFrames);
    EXPECT_EQ(out->BuffersDone(), 1);
}

TEST_F(AudioOutTest, StopWhenDrainedPlaysOutWhatTheDeviceHolds) {
    ASSERT_TRUE(out->Start());
    out->StopWhenDrained();
    EXPECT_FALSE(out->Accepting());
    EXPECT_TRUE(out->Running());
    bench.Run(4 * kFrames);
    EXPECT_EQ(slots.size(), 4u); // nothing refilled
    EXPECT_FALSE(out->DeviceOpen());
    EXPECT_EQ(stops.size(), 1u);
}

TEST_F(AudioOutTest, StoppingAClosedComponentDoesNothing) {
    bench.dispatcher.Drain();
    out->StopNow();
    out->StopWhenDrained();
    EXPECT_TRUE(bench.dispatcher.Empty());
    EXPECT_TRUE(out->LastError().empty());
    EXPECT_TRUE(out->Start());
}

TEST_F(AudioOutTest, ClosingAClosedComponentStillClearsPaused) {
    out->SetPaused(true);
    out->CloseDevice();
    EXPECT_FALSE(out->Paused());
}

TEST_F(AudioOutTest, QueueingASlotTheDeviceStillHoldsIsRefusedAndThePlayOutGoesOn) {
    ASSERT_TRUE(out->Start());
    // Every slot is with the device, so the next slot in ring order is one it holds.
    EXPECT_FALSE(out->QueueNextBuffer());
    EXPECT_TRUE(out->Header(out->NextBuffer())->flags & platform::WHDR_INQUEUE)
        << "the held buffer's flags are left as the device set them";
    EXPECT_FALSE(out->LastError().empty());
    EXPECT_FALSE(out->Accepting()) << "a failed hand-over drains the stream";
    bench.Run(kFrames, 4);
    EXPECT_EQ(out->BuffersDone(), 4) << "each buffer played once, none twice";
    EXPECT_FALSE(out->DeviceOpen());
    EXPECT_EQ(stops.size(), 1u);
}

TEST_F(AudioOutTest, PlatformFailuresLeaveTheirTextAndAClosedDevice) {
    using platform::sim::SimOperation;
    bench.card.FailNext(SimOperation::OutOpen, platform::MMSYSERR_ALLOCATED);
    EXPECT_FALSE(out->Start());
    EXPECT_EQ(out->LastError(), bench.ErrorText(platform::MMSYSERR_ALLOCATED));
    EXPECT_EQ(out->CallbackWindow(), nullptr);

    bench.card.FailNext(SimOperation::OutPrepare, platform::MMSYSERR_NOMEM);
    EXPECT_FALSE(out->Start());
    EXPECT_EQ(out->LastError(), bench.ErrorText(platform::MMSYSERR_NOMEM));
    EXPECT_FALSE(out->DeviceOpen());

    bench.card.FailNext(SimOperation::OutWrite, platform::MMSYSERR_NODRIVER);
    EXPECT_FALSE(out->Start());
    EXPECT_EQ(out->LastError(), bench.ErrorText(platform::MMSYSERR_NODRIVER));
    EXPECT_FALSE(out->DeviceOpen());

    out->SetFrameRate(22050); // the card takes 44 100 frames/s only
    EXPECT_FALSE(out->Start());
    EXPECT_EQ(out->LastError(), bench.ErrorText(platform::WAVERR_BADFORMAT));
    EXPECT_FALSE(bench.ErrorText(platform::WAVERR_BADFORMAT).empty());
}

// The refilled buffer that cannot be handed over is never waited for: the others play out and
// the device closes, ready for the next start.
TEST_F(AudioOutTest, AFailedRefillDrainsTheStreamAndCloses) {
    ASSERT_TRUE(out->Start());
    bench.card.FailNext(platform::sim::SimOperation::OutWrite, platform::MMSYSERR_ERROR);
    bench.Run(kFrames);
    EXPECT_EQ(out->LastError(), bench.ErrorText(platform::MMSYSERR_ERROR));
    EXPECT_FALSE(out->Accepting());
    EXPECT_TRUE(out->DeviceOpen());
    bench.Run(3 * kFrames);
    EXPECT_FALSE(out->DeviceOpen());
    EXPECT_EQ(stops.size(), 1u);
    EXPECT_TRUE(out->Start());
}

TEST_F(AudioOutTest, HandlerErrorsShrinkTheRingAndTheLastOneClosesTheDevice) {
    ASSERT_TRUE(out->Start());
    produce = [](int&) -> bool { throw std::runtime_error("fill failed"); };
    bench.Run(kFrames);
    EXPECT_EQ(bench.errors, std::vector<std::string>{"fill failed"});
    EXPECT_EQ(out->BuffersFilled(), 4);
    EXPECT_TRUE(out->DeviceOpen());
    bench.Run(3 * kFrames);
    EXPECT_EQ(bench.errors.size(), 4u);
    EXPECT_FALSE(out->DeviceOpen());
    produce = [](int&) { return true; };
    EXPECT_TRUE(out->Start()) << out->LastError();
}

// Two slots lost to errors, then the handler produces again: the first completion after that
// refills the returned slot and both lost ones, in ring order, and the ring stays full.
TEST_F(AudioOutTest, AfterHandlerErrorsTheRingReturnsToFullOnceTheHandlerProduces) {
    ASSERT_TRUE(out->Start());
    produce = [](int&) -> bool { throw std::runtime_error("fill failed"); };
    bench.Run(kFrames, 2);
    ASSERT_EQ(bench.errors.size(), 2u);
    EXPECT_EQ(out->BuffersPending(), 2);
    produce = [](int&) { return true; };
    slots.clear();
    bench.Run(kFrames);
    EXPECT_EQ(slots, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(out->BuffersPending(), 4);
    bench.Run(kFrames, 20);
    EXPECT_EQ(out->BuffersPending(), 4);
    EXPECT_EQ(bench.errors.size(), 2u);
    ASSERT_EQ(slots.size(), 23u);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        ASSERT_EQ(slots[i], static_cast<int>(i % 4)) << "fill " << i;
    }
}

// A slot the owner declines is not lost: the stream still drains, as without errors.
TEST_F(AudioOutTest, ADeclineAfterAnErrorStillDrains) {
    ASSERT_TRUE(out->Start());
    produce = [](int&) -> bool { throw std::runtime_error("fill failed"); };
    bench.Run(kFrames);
    produce = [](int&) { return false; };
    bench.Run(kFrames);
    EXPECT_EQ(out->BuffersPending(), 2);
    bench.Run(2 * kFrames);
    EXPECT_FALSE(out->DeviceOpen());
}

TEST_F(AudioOutTest, HandlerErrorAtStartReachesTheCallerAndClosesTheDevice) {
    produce = [this](int&) -> bool {
        if (slots.size() == 2) {
            throw std::runtime_error("fill failed");
        }
        return true;
    };
    EXPECT_THROW(out->Start(), std::runtime_error);
    EXPECT_FALSE(out->DeviceOpen());
    produce = [](int&) { return true; };
    EXPECT_TRUE(out->Start());
}

// Destroyed while playing: the device gives every buffer back and closes before the memory
// goes, so another component can open it and late notifications reach nothing freed.
TEST_F(AudioOutTest, DestructionWhilePlayingReleasesTheDevice) {
    ASSERT_TRUE(out->Start());
    bench.Run(kFrames);
    out.reset();
    EXPECT_EQ(bench.memory.LiveBlocks(), 0u);
    bench.Run(10 * kFrames);
    TAudioOut next(bench.services);
    next.SetFrameRate(44100);
    next.OnFillBuffer = [](char*, int&) { return true; };
    EXPECT_TRUE(next.Start()) << next.LastError();
    next.StopNow();
}

} // namespace
} // namespace audio::test
