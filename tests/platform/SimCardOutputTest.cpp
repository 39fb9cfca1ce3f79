// SPDX-License-Identifier: MIT
// The simulated card's output device and the rules it shares with the input device: opening,
// headers, notifications, error codes and texts.
#include "SimCardTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace simtest;
using platform::sim::SimOperation;
using platform::sim::SimulatedCard;

namespace {

constexpr std::uint32_t kHeaderSize = sizeof(WaveHeader);

class SimOutput : public ::testing::Test {
protected:
    void SetUp() override {
        card.SetSource(std::make_unique<CountingSource>(&played));
        ASSERT_EQ(card.WaveOutOpen(&handle, 0, &mono16, &receiver), MMSYSERR_NOERROR);
        dispatcher.Drain();
        receiver.messages.clear();
    }
    void Queue(Buffer& buffer) {
        ASSERT_EQ(card.WaveOutPrepareHeader(handle, &buffer.header, kHeaderSize), 0u);
        ASSERT_EQ(card.WaveOutWrite(handle, &buffer.header, kHeaderSize), 0u);
    }
    // A mono 16-bit buffer whose samples are first, first + 1, ...
    static void Ramp(Buffer& buffer, std::int16_t first) {
        for (std::size_t i = 0; i < buffer.data.size() / 2; ++i) {
            buffer.SetSample(i, static_cast<std::int16_t>(first + i));
        }
    }

    QueueDispatcher dispatcher;
    SimulatedCard card{dispatcher};
    RecordingReceiver receiver;
    std::vector<std::int16_t> played;
    WaveFormat mono16 = Pcm(1, 16);
    WaveOutHandle handle = 0;
};

TEST_F(SimOutput, PlaysQueuedBuffersInOrderAndReturnsEachWhenItsLastFrameHasPlayed) {
    Buffer a(200), b(200), c(200);
    Ramp(a, 1000);
    Ramp(b, 2000);
    Ramp(c, 3000);
    Queue(a);
    Queue(b);
    Queue(c);
    EXPECT_EQ(a.header.flags, WHDR_PREPARED | WHDR_INQUEUE);

    card.AdvanceFrames(99);
    dispatcher.Drain();
    EXPECT_TRUE(receiver.messages.empty());
    card.AdvanceFrames(1);
    EXPECT_TRUE(receiver.messages.empty()) << "notifications are posted, never delivered inline";
    dispatcher.Drain();
    ASSERT_EQ(receiver.messages.size(), 1u);
    EXPECT_EQ(receiver.messages[0].message, MM_WOM_DONE);
    EXPECT_EQ(receiver.messages[0].header, &a.header);
    EXPECT_EQ(receiver.messages[0].flags, WHDR_PREPARED | WHDR_DONE);

    card.AdvanceFrames(250); // across b into c, and on into silence
    dispatcher.Drain();
    ASSERT_EQ(receiver.messages.size(), 3u);
    EXPECT_EQ(receiver.messages[1].header, &b.header);
    EXPECT_EQ(receiver.messages[2].header, &c.header);
    ASSERT_EQ(played.size(), 350u);
    EXPECT_EQ(played[0], 1000);
    EXPECT_EQ(played[99], 1099);
    EXPECT_EQ(played[100], 2000);
    EXPECT_EQ(played[299], 3099);
    EXPECT_EQ(played[300], 0);
    EXPECT_EQ(played[349], 0);
}

TEST_F(SimOutput, PlaysSilenceWithNothingQueuedAndWhileClosed) {
    card.AdvanceFrames(3000);
    ASSERT_EQ(card.WaveOutClose(handle), 0u);
    card.AdvanceFrames(3000);
    EXPECT_EQ(played, std::vector<std::int16_t>(6000, 0));
    EXPECT_EQ(card.ElapsedFrames(), 6000u);
}

TEST_F(SimOutput, PlaysTheFirstChannelOfStereoAndConvertsEightBitSamples) {
    ASSERT_EQ(card.WaveOutClose(handle), 0u);
    WaveFormat stereo8 = Pcm(2, 8);
    ASSERT_EQ(card.WaveOutOpen(&handle, WAVE_MAPPER, &stereo8, &receiver), 0u);
    Buffer buffer(6);
    const unsigned char bytes[] = {0x00, 0x80, 0xFF, 0x00, 0x80, 0xFF};
    std::memcpy(buffer.data.data(), bytes, sizeof bytes);
    Queue(buffer);
    card.AdvanceFrames(4);
    EXPECT_EQ(played, (std::vector<std::int16_t>{-32768, 32512, 0, 0}));
}

TEST_F(SimOutput, ATrailingPartialFrameIsNotPlayedAndAnEmptyBufferReturnsAtOnce) {
    Buffer odd(5), empty(0), next(2);
    Ramp(odd, 7);
    next.SetSample(0, 99);
    Queue(odd);
    Queue(empty);
    Queue(next);
    card.AdvanceFrames(3);
    dispatcher.Drain();
    EXPECT_EQ(played, (std::vector<std::int16_t>{7, 8, 99}));
    ASSERT_EQ(receiver.messages.size(), 3u);
    EXPECT_EQ(receiver.messages[1].header, &empty.header);
}

TEST_F(SimOutput, PauseHoldsThePlaceWhileTimePassesAndRestartGoesOnFromIt) {
    Buffer buffer(200);
    Ramp(buffer, 500);
    ASSERT_EQ(card.WaveOutPause(handle), 0u);
    Queue(buffer);
    card.AdvanceFrames(30);
    ASSERT_EQ(card.WaveOutRestart(handle), 0u);
    card.AdvanceFrames(40);
    ASSERT_EQ(card.WaveOutPause(handle), 0u);
    card.AdvanceFrames(500);
    dispatcher.Drain();
    EXPECT_TRUE(receiver.messages.empty());
    ASSERT_EQ(card.WaveOutRestart(handle), 0u);
    card.AdvanceFrames(60);
    dispatcher.Drain();
    EXPECT_EQ(receiver.Codes(), std::vector<std::uint32_t>{MM_WOM_DONE});
    EXPECT_EQ(played[29], 0);
    EXPECT_EQ(played[30], 500);
    EXPECT_EQ(played[69], 539);
    EXPECT_EQ(played[70], 0);
    EXPECT_EQ(played[570], 540);
    EXPECT_EQ(played[629], 599);
}

TEST_F(SimOutput, ResetReturnsEveryBufferInOrderUnpausesAndThenCloseNotifies) {
    Buffer a(200), b(200), c(200);
    Queue(a);
    Queue(b);
    Queue(c);
    card.AdvanceFrames(50);
    ASSERT_EQ(card.WaveOutPause(handle), 0u);
    EXPECT_EQ(card.WaveOutClose(handle), WAVERR_STILLPLAYING);
    EXPECT_EQ(card.WaveOutUnprepareHeader(handle, &b.header, kHeaderSize), WAVERR_STILLPLAYING);

    ASSERT_EQ(card.WaveOutReset(handle), 0u);
    dispatcher.Drain();
    ASSERT_EQ(receiver.messages.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(receiver.messages[i].message, MM_WOM_DONE);
        EXPECT_EQ(receiver.messages[i].flags, WHDR_PREPARED | WHDR_DONE);
    }
    EXPECT_EQ(receiver.messages[0].header, &a.header);
    EXPECT_EQ(receiver.messages[2].header, &c.header);

    // Not paused any more: a buffer written now plays from its start.
    Buffer d(4);
    Ramp(d, 40);
    Queue(d);
    card.AdvanceFrames(2);
    EXPECT_EQ(played[50], 40);
    EXPECT_EQ(played[51], 41);

    EXPECT_EQ(card.WaveOutUnprepareHeader(handle, &a.header, kHeaderSize), 0u);
    EXPECT_EQ(a.header.flags & WHDR_PREPARED, 0u);
    receiver.messages.clear();
    dispatcher.Drain();
    ASSERT_EQ(card.WaveOutClose(handle), 0u);
    dispatcher.Drain();
    EXPECT_EQ(receiver.Codes(), (std::vector<std::uint32_t>{MM_WOM_DONE, MM_WOM_CLOSE}));
    EXPECT_EQ(card.WaveOutWrite(handle, &d.header, kHeaderSize), MMSYSERR_INVALHANDLE)
        << "the handle of a closed device stays invalid";
}

TEST_F(SimOutput, HeaderRulesProtectTheQueue) {
    Buffer buffer(100);
    EXPECT_EQ(card.WaveOutWrite(handle, &buffer.header, kHeaderSize), WAVERR_UNPREPARED);
    EXPECT_EQ(card.WaveOutPrepareHeader(handle, nullptr, kHeaderSize), MMSYSERR_INVALPARAM);
    EXPECT_EQ(card.WaveOutPrepareHeader(handle, &buffer.header, 32), MMSYSERR_INVALPARAM);
    Buffer noData(0);
    noData.header.data = nullptr;
    noData.header.bufferLength = 64;
    EXPECT_EQ(card.WaveOutPrepareHeader(handle, &noData.header, kHeaderSize), MMSYSERR_INVALPARAM);
    EXPECT_EQ(card.WaveOutPrepareHeader(handle + 100, &buffer.header, kHeaderSize),
              MMSYSERR_INVALHANDLE);

    buffer.header.flags = WHDR_DONE;
    Queue(buffer);
    EXPECT_EQ(buffer.header.flags, WHDR_PREPARED | WHDR_INQUEUE) << "write clears the done mark";
    EXPECT_EQ(card.WaveOutWrite(handle, &buffer.header, kHeaderSize), WAVERR_STILLPLAYING);
    card.AdvanceFrames(200);
    dispatcher.Drain();
    EXPECT_EQ(receiver.messages.size(), 1u) << "a header written twice is played once";
}

TEST(SimCardOpen, AcceptsOnlyTheCardsFormatsAndDevices) {
    QueueDispatcher dispatcher;
    SimulatedCard card(dispatcher);
    RecordingReceiver receiver;
    WaveOutHandle out = 0;
    WaveFormat bad[] = {Pcm(1, 16, 48000), Pcm(3, 16), Pcm(1, 24),
                        Pcm(0, 16),        Pcm(2, 16), Pcm(1, 8)};
    bad[4].blockAlign = 2;        // stereo 16-bit claims 2 bytes a frame
    bad[5].avgBytesPerSec = 1000; // byte rate that does not match
    WaveFormat notPcm = Pcm(1, 16);
    notPcm.formatTag = 3;
    for (const WaveFormat& format : bad) {
        EXPECT_EQ(card.WaveOutOpen(&out, 0, &format, &receiver), WAVERR_BADFORMAT)
            << format.channels << " channels, " << format.bitsPerSample << " bits";
    }
    EXPECT_EQ(card.WaveInOpen(&out, 0, &notPcm, &receiver), WAVERR_BADFORMAT);
    EXPECT_EQ(card.WaveOutOpen(&out, 0, nullptr, &receiver), MMSYSERR_INVALPARAM);
    const WaveFormat good = Pcm(2, 16);
    EXPECT_EQ(card.WaveOutOpen(&out, 1, &good, &receiver), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(card.WaveInOpen(&out, 7, &good, &receiver), MMSYSERR_BADDEVICEID);
    dispatcher.Drain();
    EXPECT_TRUE(receiver.messages.empty()) << "a failed open notifies nothing";

    WaveInHandle in = 0;
    ASSERT_EQ(card.WaveOutOpen(&out, WAVE_MAPPER, &good, &receiver), 0u);
    ASSERT_EQ(card.WaveInOpen(&in, 0, &good, &receiver), 0u);
    EXPECT_NE(out, 0u);
    EXPECT_NE(out, in);
    WaveOutHandle second = 0;
    EXPECT_EQ(card.WaveOutOpen(&second, 0, &good, &receiver), MMSYSERR_ALLOCATED);
    EXPECT_EQ(card.WaveInOpen(&second, WAVE_MAPPER, &good, &receiver), MMSYSERR_ALLOCATED);
    EXPECT_EQ(card.WaveInStart(out), MMSYSERR_INVALHANDLE) << "an output handle is no input";
    EXPECT_EQ(card.WaveOutReset(in), MMSYSERR_INVALHANDLE);
    dispatcher.Drain();
    EXPECT_EQ(receiver.Codes(), (std::vector<std::uint32_t>{MM_WOM_OPEN, MM_WIM_OPEN}));
    EXPECT_EQ(card.WaveOutClose(out), 0u);
    EXPECT_EQ(card.WaveOutOpen(&second, 0, &good, &receiver), 0u) << "free again after close";
}

TEST(SimCardOpen, EachInjectedFailureHitsOnceAndChangesNothing) {
    QueueDispatcher dispatcher;
    SimulatedCard card(dispatcher);
    RecordingReceiver receiver;
    const WaveFormat format = Pcm(2, 16);
    WaveOutHandle out = 0;
    WaveInHandle in = 0;
    Buffer a(16), b(16);

    card.FailNext(SimOperation::OutOpen, MMSYSERR_NODRIVER);
    card.FailNext(SimOperation::InOpen, MMSYSERR_NOMEM);
    EXPECT_EQ(card.WaveOutOpen(&out, 0, &format, &receiver), MMSYSERR_NODRIVER);
    EXPECT_EQ(card.WaveInOpen(&in, 0, &format, &receiver), MMSYSERR_NOMEM);
    dispatcher.Drain();
    EXPECT_TRUE(receiver.messages.empty());
    ASSERT_EQ(card.WaveOutOpen(&out, 0, &format, &receiver), 0u);
    ASSERT_EQ(card.WaveInOpen(&in, 0, &format, &receiver), 0u);

    card.FailNext(SimOperation::OutPrepare, MMSYSERR_NOMEM);
    EXPECT_EQ(card.WaveOutPrepareHeader(out, &a.header, kHeaderSize), MMSYSERR_NOMEM);
    EXPECT_EQ(a.header.flags, 0u);
    ASSERT_EQ(card.WaveOutPrepareHeader(out, &a.header, kHeaderSize), 0u);
    card.FailNext(SimOperation::OutWrite, MMSYSERR_ERROR);
    EXPECT_EQ(card.WaveOutWrite(out, &a.header, kHeaderSize), MMSYSERR_ERROR);
    EXPECT_EQ(a.header.flags, WHDR_PREPARED);
    EXPECT_EQ(card.WaveOutWrite(out, &a.header, kHeaderSize), 0u);

    card.FailNext(SimOperation::InPrepare, MMSYSERR_NOMEM);
    EXPECT_EQ(card.WaveInPrepareHeader(in, &b.header, kHeaderSize), MMSYSERR_NOMEM);
    ASSERT_EQ(card.WaveInPrepareHeader(in, &b.header, kHeaderSize), 0u);
    card.FailNext(SimOperation::InAddBuffer, MMSYSERR_INVALHANDLE);
    EXPECT_EQ(card.WaveInAddBuffer(in, &b.header, kHeaderSize), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(card.WaveInAddBuffer(in, &b.header, kHeaderSize), 0u);
    card.FailNext(SimOperation::InStart, MMSYSERR_ERROR);
    EXPECT_EQ(card.WaveInStart(in), MMSYSERR_ERROR);
    card.AdvanceFrames(4);
    EXPECT_EQ(b.header.bytesRecorded, 0u) << "a failed start records nothing";
    EXPECT_EQ(card.WaveInStart(in), 0u);
    card.AdvanceFrames(4);
    EXPECT_EQ(b.header.bytesRecorded, 16u);
}

TEST(SimCardErrorText, GivesAClearTextForEveryCodeTruncatedToTheRoomGiven) {
    QueueDispatcher dispatcher;
    SimulatedCard card(dispatcher);
    char text[MAXERRORLENGTH];
    for (MMResult code :
         {MMSYSERR_NOERROR, MMSYSERR_ERROR, MMSYSERR_BADDEVICEID, MMSYSERR_ALLOCATED,
          MMSYSERR_INVALHANDLE, MMSYSERR_NODRIVER, MMSYSERR_NOMEM, MMSYSERR_INVALPARAM,
          WAVERR_BADFORMAT, WAVERR_STILLPLAYING, WAVERR_UNPREPARED}) {
        std::memset(text, 'x', sizeof text);
        ASSERT_EQ(card.WaveOutGetErrorText(code, text, sizeof text), 0u) << code;
        const std::size_t length = strnlen(text, sizeof text);
        EXPECT_GT(length, 10u) << code;
        EXPECT_LT(length, MAXERRORLENGTH) << code;
    }
    ASSERT_EQ(card.WaveInGetErrorText(WAVERR_BADFORMAT, text, sizeof text), 0u);
    EXPECT_NE(std::string(text).find("44100"), std::string::npos) << text;

    char small[8];
    std::memset(small, 'x', sizeof small);
    ASSERT_EQ(card.WaveOutGetErrorText(WAVERR_UNPREPARED, small, sizeof small), 0u);
    EXPECT_EQ(std::string(small), "The buf");

    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(card.WaveOutGetErrorText(12345, text, sizeof text), MMSYSERR_BADERRNUM);
    EXPECT_EQ(text[0], '\0');
    EXPECT_EQ(card.WaveInGetErrorText(WAVERR_BADFORMAT, nullptr, 10), MMSYSERR_INVALPARAM);
}

} // namespace
