// SPDX-License-Identifier: MIT
// The simulated card's input device: when it records, into which buffers, in which layout, and
// what reset and close give back.
#include "SimCardTestSupport.h"

#include <gtest/gtest.h>

using namespace simtest;
using platform::sim::SimulatedCard;

namespace {

constexpr std::uint32_t kHeaderSize = sizeof(WaveHeader);

class SimInput : public ::testing::Test {
protected:
    void Open(const WaveFormat& format) {
        card.SetSource(std::make_unique<CountingSource>());
        dispatcher.Drain();
        receiver.messages.clear();
        ASSERT_EQ(card.WaveInOpen(&handle, 0, &format, &receiver), MMSYSERR_NOERROR);
        dispatcher.Drain();
        ASSERT_EQ(receiver.Codes(), std::vector<std::uint32_t>{MM_WIM_OPEN});
        receiver.messages.clear();
    }
    void Add(Buffer& buffer) {
        ASSERT_EQ(card.WaveInPrepareHeader(handle, &buffer.header, kHeaderSize), 0u);
        ASSERT_EQ(card.WaveInAddBuffer(handle, &buffer.header, kHeaderSize), 0u);
    }

    QueueDispatcher dispatcher;
    SimulatedCard card{dispatcher};
    RecordingReceiver receiver;
    WaveInHandle handle = 0;
};

TEST_F(SimInput, RecordsNothingBeforeStartThenFillsBuffersInOrderWithRAndLInEachFrame) {
    Open(Pcm(2, 16));
    Buffer a(40), b(40); // 10 frames each
    Add(a);
    Add(b);
    card.AdvanceFrames(100);
    dispatcher.Drain();
    EXPECT_EQ(a.header.bytesRecorded, 0u);
    EXPECT_TRUE(receiver.messages.empty());

    ASSERT_EQ(card.WaveInStart(handle), 0u);
    card.AdvanceFrames(15);
    dispatcher.Drain();
    ASSERT_EQ(receiver.messages.size(), 1u);
    EXPECT_EQ(receiver.messages[0].message, MM_WIM_DATA);
    EXPECT_EQ(receiver.messages[0].header, &a.header);
    EXPECT_EQ(receiver.messages[0].flags, WHDR_PREPARED | WHDR_DONE);
    EXPECT_EQ(receiver.messages[0].bytesRecorded, 40u);
    EXPECT_EQ(b.header.bytesRecorded, 20u);
    EXPECT_EQ(b.header.flags, WHDR_PREPARED | WHDR_INQUEUE);
    // The source had rendered 100 frames before the start: frame n delivers R = n, L = -n.
    EXPECT_EQ(a.Sample(0), 100);
    EXPECT_EQ(a.Sample(1), -100);
    EXPECT_EQ(a.Sample(18), 109);
    EXPECT_EQ(a.Sample(19), -109);
    EXPECT_EQ(b.Sample(0), 110);

    card.AdvanceFrames(5);
    dispatcher.Drain();
    ASSERT_EQ(receiver.messages.size(), 2u);
    EXPECT_EQ(receiver.messages[1].header, &b.header);
    EXPECT_EQ(b.Sample(19), -119);
}

TEST_F(SimInput, InputIsDroppedWhileNoBufferIsQueuedAndABufferAddedAgainStartsEmpty) {
    Open(Pcm(2, 16));
    Buffer a(40);
    Add(a);
    ASSERT_EQ(card.WaveInStart(handle), 0u);
    card.AdvanceFrames(10);
    card.AdvanceFrames(1000); // nothing queued: these frames are lost
    dispatcher.Drain();
    EXPECT_EQ(receiver.messages.size(), 1u);
    ASSERT_EQ(card.WaveInAddBuffer(handle, &a.header, kHeaderSize), 0u);
    EXPECT_EQ(a.header.bytesRecorded, 0u);
    EXPECT_EQ(a.header.flags, WHDR_PREPARED | WHDR_INQUEUE);
    card.AdvanceFrames(1);
    EXPECT_EQ(a.Sample(0), 1010);
    EXPECT_EQ(a.header.bytesRecorded, 4u);
}

TEST_F(SimInput, ResetStopsRecordingAndReturnsEveryBufferWithWhatItHolds) {
    Open(Pcm(2, 16));
    Buffer a(40), b(40), c(40);
    Add(a);
    Add(b);
    Add(c);
    ASSERT_EQ(card.WaveInStart(handle), 0u);
    card.AdvanceFrames(13);
    EXPECT_EQ(card.WaveInClose(handle), WAVERR_STILLPLAYING);
    EXPECT_EQ(card.WaveInUnprepareHeader(handle, &c.header, kHeaderSize), WAVERR_STILLPLAYING);
    ASSERT_EQ(card.WaveInReset(handle), 0u);
    dispatcher.Drain();
    ASSERT_EQ(receiver.messages.size(), 3u);
    const std::uint32_t recorded[] = {40, 12, 0};
    const WaveHeader* headers[] = {&a.header, &b.header, &c.header};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(receiver.messages[i].message, MM_WIM_DATA);
        EXPECT_EQ(receiver.messages[i].header, headers[i]);
        EXPECT_EQ(receiver.messages[i].bytesRecorded, recorded[i]);
        EXPECT_EQ(receiver.messages[i].flags, WHDR_PREPARED | WHDR_DONE);
    }

    Add(a);
    card.AdvanceFrames(20);
    EXPECT_EQ(a.header.bytesRecorded, 0u) << "reset stops recording until the next start";
    ASSERT_EQ(card.WaveInReset(handle), 0u);
    for (Buffer* buffer : {&a, &b, &c}) {
        EXPECT_EQ(card.WaveInUnprepareHeader(handle, &buffer->header, kHeaderSize), 0u);
    }
    ASSERT_EQ(card.WaveInClose(handle), 0u);
    receiver.messages.clear();
    dispatcher.Drain();
    EXPECT_EQ(receiver.Codes(), (std::vector<std::uint32_t>{MM_WIM_DATA, MM_WIM_CLOSE}));
    EXPECT_EQ(card.WaveInStart(handle), MMSYSERR_INVALHANDLE);
}

TEST_F(SimInput, MonoRecordsChannelR) {
    Open(Pcm(1, 16));
    Buffer mono(4);
    Add(mono);
    ASSERT_EQ(card.WaveInStart(handle), 0u);
    card.AdvanceFrames(2);
    EXPECT_EQ(mono.Sample(0), 0);
    EXPECT_EQ(mono.Sample(1), 1) << "channel R of frame 1, not L (-1)";
}

TEST(SimPcm, EightBitCaptureKeepsTheTopByteAroundTheMiddle) {
    platform::sim::PcmLayout stereo8{2, 1};
    const std::int16_t pair[] = {-32768, 32767};
    unsigned char frame[2] = {};
    platform::sim::WriteFrame(reinterpret_cast<char*>(frame), pair, stereo8);
    EXPECT_EQ(frame[0], 0x00);
    EXPECT_EQ(frame[1], 0xFF);
    const std::int16_t small[] = {-1, 256};
    platform::sim::WriteFrame(reinterpret_cast<char*>(frame), small, stereo8);
    EXPECT_EQ(frame[0], 0x7F);
    EXPECT_EQ(frame[1], 0x81);
}

} // namespace
