// SPDX-License-Identifier: MIT
// The PortAudio wave service on the sound server: buffer order, notifications, reset, pause,
// close refusal, format and handle checks, and error texts.

#include "platform/portaudio/PortAudioErrors.h"
#include "platform/portaudio/PortAudioWaveService.h"

#include "RealAudioSupport.h"

#include <array>
#include <cstring>
#include <string>

namespace platform {
namespace {

using namespace std::chrono_literals;

constexpr WaveFormat StereoCd{WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16};

// A buffer of `frames` stereo frames with its header.
struct Buffer {
    explicit Buffer(std::size_t frames) : bytes(frames * 4, 0) {
        header.data = bytes.data();
        header.bufferLength = static_cast<std::uint32_t>(bytes.size());
    }
    std::vector<char> bytes;
    WaveHeader header{};
};

class RealAudioWave : public ::testing::Test {
protected:
    void SetUp() override { REQUIRE_SOUND_SERVER(); }

    WaveOutHandle OpenOutput() {
        WaveOutHandle handle = 0;
        EXPECT_EQ(wave.WaveOutOpen(&handle, WAVE_MAPPER, &StereoCd, &receiver), MMSYSERR_NOERROR);
        return handle;
    }
    WaveInHandle OpenInput() {
        WaveInHandle handle = 0;
        EXPECT_EQ(wave.WaveInOpen(&handle, 0, &StereoCd, &receiver), MMSYSERR_NOERROR);
        return handle;
    }
    bool WaitFor(std::uint32_t message, int count, std::chrono::milliseconds timeout = 5s) {
        return DrainUntil(
            dispatcher, [&] { return receiver.Count(message) >= count; }, timeout);
    }

    QueueDispatcher dispatcher;
    PortAudioWaveService wave{dispatcher};
    RecordingReceiver receiver;
};

TEST_F(RealAudioWave, OutputPlaysBuffersInQueueOrderAndClosesOnlyWhenAllAreBack) {
    const WaveOutHandle out = OpenOutput();
    std::array<Buffer, 3> buffers{Buffer(2205), Buffer(441), Buffer(4410)};
    for (Buffer& buffer : buffers) {
        ASSERT_EQ(wave.WaveOutPrepareHeader(out, &buffer.header, sizeof(WaveHeader)), 0u);
        ASSERT_EQ(wave.WaveOutWrite(out, &buffer.header, sizeof(WaveHeader)), 0u);
        EXPECT_NE(buffer.header.flags & WHDR_INQUEUE, 0u);
    }
    EXPECT_EQ(wave.WaveOutClose(out), WAVERR_STILLPLAYING);
    EXPECT_EQ(wave.WaveOutUnprepareHeader(out, &buffers[2].header, sizeof(WaveHeader)),
              WAVERR_STILLPLAYING);

    ASSERT_TRUE(WaitFor(MM_WOM_DONE, 3));
    EXPECT_EQ(receiver.messages.front().first, MM_WOM_OPEN);
    EXPECT_EQ(
        receiver.Headers(MM_WOM_DONE),
        (std::vector<WaveHeader*>{&buffers[0].header, &buffers[1].header, &buffers[2].header}));
    for (Buffer& buffer : buffers) {
        EXPECT_EQ(buffer.header.flags, WHDR_PREPARED | WHDR_DONE);
        EXPECT_EQ(wave.WaveOutUnprepareHeader(out, &buffer.header, sizeof(WaveHeader)), 0u);
        EXPECT_EQ(buffer.header.flags, WHDR_DONE);
    }
    ASSERT_EQ(wave.WaveOutClose(out), MMSYSERR_NOERROR);
    ASSERT_TRUE(WaitFor(MM_WOM_CLOSE, 1));
    EXPECT_EQ(receiver.messages.back().first, MM_WOM_CLOSE);
    EXPECT_EQ(receiver.messages.size(), 5u);
    EXPECT_EQ(wave.WaveOutWrite(out, &buffers[0].header, sizeof(WaveHeader)), MMSYSERR_INVALHANDLE);
}

TEST_F(RealAudioWave, ResetReturnsEveryQueuedOutputBufferInOrderAndPlayingGoesOn) {
    const WaveOutHandle out = OpenOutput();
    std::array<Buffer, 3> buffers{Buffer(44100), Buffer(44100), Buffer(44100)};
    for (Buffer& buffer : buffers) {
        wave.WaveOutPrepareHeader(out, &buffer.header, sizeof(WaveHeader));
        ASSERT_EQ(wave.WaveOutWrite(out, &buffer.header, sizeof(WaveHeader)), 0u);
    }
    ASSERT_EQ(wave.WaveOutReset(out), MMSYSERR_NOERROR);
    ASSERT_TRUE(WaitFor(MM_WOM_DONE, 3, 1s)) << "reset must return the buffers at once";
    EXPECT_EQ(
        receiver.Headers(MM_WOM_DONE),
        (std::vector<WaveHeader*>{&buffers[0].header, &buffers[1].header, &buffers[2].header}));

    Buffer again(441);
    wave.WaveOutPrepareHeader(out, &again.header, sizeof(WaveHeader));
    ASSERT_EQ(wave.WaveOutWrite(out, &again.header, sizeof(WaveHeader)), 0u);
    ASSERT_TRUE(WaitFor(MM_WOM_DONE, 4));
    EXPECT_EQ(wave.WaveOutClose(out), MMSYSERR_NOERROR);
}

TEST_F(RealAudioWave, PausedOutputKeepsItsBuffersUntilRestarted) {
    const WaveOutHandle out = OpenOutput();
    ASSERT_EQ(wave.WaveOutPause(out), MMSYSERR_NOERROR);
    Buffer buffer(441);
    wave.WaveOutPrepareHeader(out, &buffer.header, sizeof(WaveHeader));
    ASSERT_EQ(wave.WaveOutWrite(out, &buffer.header, sizeof(WaveHeader)), 0u);
    DrainFor(dispatcher, 300ms);
    EXPECT_EQ(receiver.Count(MM_WOM_DONE), 0);

    ASSERT_EQ(wave.WaveOutRestart(out), MMSYSERR_NOERROR);
    ASSERT_TRUE(WaitFor(MM_WOM_DONE, 1));
    EXPECT_EQ(wave.WaveOutClose(out), MMSYSERR_NOERROR);
}

TEST_F(RealAudioWave, InputRecordsOnlyAfterStartAndFillsBuffersInOrder) {
    const WaveInHandle in = OpenInput();
    std::array<Buffer, 2> buffers{Buffer(2205), Buffer(2205)};
    for (Buffer& buffer : buffers) {
        ASSERT_EQ(wave.WaveInPrepareHeader(in, &buffer.header, sizeof(WaveHeader)), 0u);
        ASSERT_EQ(wave.WaveInAddBuffer(in, &buffer.header, sizeof(WaveHeader)), 0u);
    }
    DrainFor(dispatcher, 250ms);
    EXPECT_EQ(receiver.Count(MM_WIM_DATA), 0) << "recording before WaveInStart";

    ASSERT_EQ(wave.WaveInStart(in), MMSYSERR_NOERROR);
    ASSERT_TRUE(WaitFor(MM_WIM_DATA, 2));
    EXPECT_EQ(receiver.Headers(MM_WIM_DATA),
              (std::vector<WaveHeader*>{&buffers[0].header, &buffers[1].header}));
    for (Buffer& buffer : buffers) {
        EXPECT_EQ(buffer.header.bytesRecorded, buffer.header.bufferLength);
        EXPECT_EQ(buffer.header.flags, WHDR_PREPARED | WHDR_DONE);
    }
    // With nothing queued the input is dropped, and closing needs no reset.
    ASSERT_EQ(wave.WaveInClose(in), MMSYSERR_NOERROR);
    ASSERT_TRUE(WaitFor(MM_WIM_CLOSE, 1));
    EXPECT_EQ(receiver.messages.front().first, MM_WIM_OPEN);
    EXPECT_EQ(receiver.messages.back().first, MM_WIM_CLOSE);
}

TEST_F(RealAudioWave, InputResetReturnsThePartlyFilledBufferFirstAndTheRestEmpty) {
    const WaveInHandle in = OpenInput();
    Buffer longOne(441000);
    Buffer waiting(4410);
    for (Buffer* buffer : {&longOne, &waiting}) {
        wave.WaveInPrepareHeader(in, &buffer->header, sizeof(WaveHeader));
        ASSERT_EQ(wave.WaveInAddBuffer(in, &buffer->header, sizeof(WaveHeader)), 0u);
    }
    EXPECT_EQ(wave.WaveInClose(in), WAVERR_STILLPLAYING);
    ASSERT_EQ(wave.WaveInStart(in), MMSYSERR_NOERROR);
    DrainFor(dispatcher, 300ms);
    ASSERT_EQ(wave.WaveInReset(in), MMSYSERR_NOERROR);
    ASSERT_TRUE(WaitFor(MM_WIM_DATA, 2, 1s));
    EXPECT_EQ(receiver.Headers(MM_WIM_DATA),
              (std::vector<WaveHeader*>{&longOne.header, &waiting.header}));
    EXPECT_GT(longOne.header.bytesRecorded, 0u);
    EXPECT_LT(longOne.header.bytesRecorded, longOne.header.bufferLength);
    EXPECT_EQ(longOne.header.bytesRecorded % 4, 0u);
    EXPECT_EQ(waiting.header.bytesRecorded, 0u);

    // A reset device records again after the next start.
    wave.WaveInAddBuffer(in, &waiting.header, sizeof(WaveHeader));
    ASSERT_EQ(wave.WaveInStart(in), MMSYSERR_NOERROR);
    ASSERT_TRUE(WaitFor(MM_WIM_DATA, 3));
    EXPECT_EQ(waiting.header.bytesRecorded, waiting.header.bufferLength);
    EXPECT_EQ(wave.WaveInClose(in), MMSYSERR_NOERROR);
}

TEST_F(RealAudioWave, RefusesWhatItCannotTakeWithTheMatchingCode) {
    WaveOutHandle out = 0;
    WaveFormat format = StereoCd;
    EXPECT_EQ(wave.WaveOutOpen(&out, 1, &format, &receiver), MMSYSERR_BADDEVICEID);
    format.bitsPerSample = 24;
    format.blockAlign = 6;
    EXPECT_EQ(wave.WaveOutOpen(&out, 0, &format, &receiver), WAVERR_BADFORMAT);
    format = StereoCd;
    format.channels = 3;
    EXPECT_EQ(wave.WaveOutOpen(&out, 0, &format, &receiver), WAVERR_BADFORMAT);
    format = StereoCd;
    format.blockAlign = 2;
    EXPECT_EQ(wave.WaveInOpen(&out, 0, &format, &receiver), WAVERR_BADFORMAT);
    EXPECT_TRUE(receiver.messages.empty());

    out = OpenOutput();
    Buffer buffer(441);
    EXPECT_EQ(wave.WaveOutWrite(out, &buffer.header, sizeof(WaveHeader)), WAVERR_UNPREPARED);
    EXPECT_EQ(wave.WaveOutPrepareHeader(out, &buffer.header, 16), MMSYSERR_INVALPARAM);
    EXPECT_EQ(wave.WaveOutPrepareHeader(out + 100, &buffer.header, sizeof(WaveHeader)),
              MMSYSERR_INVALHANDLE);
    EXPECT_EQ(wave.WaveInStart(out), MMSYSERR_INVALHANDLE) << "an output handle is no input";
    EXPECT_EQ(wave.WaveOutClose(out), MMSYSERR_NOERROR);
}

TEST_F(RealAudioWave, ARateTheDeviceRefusesFailsWithPortAudiosText) {
    WaveFormat format = StereoCd;
    format.samplesPerSec = 5'000'000;
    format.avgBytesPerSec = format.samplesPerSec * 4;
    WaveInHandle in = 0;
    const MMResult result = wave.WaveInOpen(&in, WAVE_MAPPER, &format, &receiver);
    ASSERT_GE(result, PortAudioErrorBase);
    std::array<char, MAXERRORLENGTH> text{};
    ASSERT_EQ(wave.WaveInGetErrorText(result, text.data(), text.size()), MMSYSERR_NOERROR);
    EXPECT_STREQ(text.data(), Pa_GetErrorText(paInvalidSampleRate));
    DrainFor(dispatcher, 50ms);
    EXPECT_TRUE(receiver.messages.empty()) << "a failed open posts no open notification";
}

TEST_F(RealAudioWave, TheDeviceHoldsAtMostSixteenBuffers) {
    const WaveOutHandle out = OpenOutput();
    wave.WaveOutPause(out);
    std::vector<Buffer> buffers(HeaderRing::Capacity + 1, Buffer(64));
    for (std::size_t i = 0; i < buffers.size(); ++i) {
        wave.WaveOutPrepareHeader(out, &buffers[i].header, sizeof(WaveHeader));
        const MMResult expected = i < HeaderRing::Capacity ? MMSYSERR_NOERROR : MMSYSERR_NOMEM;
        EXPECT_EQ(wave.WaveOutWrite(out, &buffers[i].header, sizeof(WaveHeader)), expected);
    }
    EXPECT_EQ(buffers.back().header.flags & WHDR_INQUEUE, 0u);
    wave.WaveOutReset(out);
    ASSERT_TRUE(WaitFor(MM_WOM_DONE, static_cast<int>(HeaderRing::Capacity), 1s));
    EXPECT_EQ(wave.WaveOutClose(out), MMSYSERR_NOERROR);
}

TEST(RealAudioErrorText, PortAudioCodesReadAsPortAudiosMessagesAndOthersAreRefused) {
    std::array<char, MAXERRORLENGTH> text{};
    ASSERT_EQ(CopyErrorText(FromPaError(paInvalidDevice), text.data(), text.size()), 0u);
    EXPECT_STREQ(text.data(), Pa_GetErrorText(paInvalidDevice));
    EXPECT_EQ(FromPaError(paNoError), MMSYSERR_NOERROR);

    for (MMResult code :
         {MMSYSERR_ERROR, MMSYSERR_BADDEVICEID, MMSYSERR_INVALHANDLE, MMSYSERR_NOMEM,
          WAVERR_BADFORMAT, WAVERR_STILLPLAYING, WAVERR_UNPREPARED}) {
        ASSERT_EQ(CopyErrorText(code, text.data(), text.size()), 0u) << code;
        EXPECT_GT(std::strlen(text.data()), 10u) << code;
    }
    EXPECT_EQ(CopyErrorText(999, text.data(), text.size()), MMSYSERR_BADERRNUM);
    EXPECT_EQ(CopyErrorText(PortAudioErrorBase + 99, text.data(), text.size()), MMSYSERR_BADERRNUM);
    EXPECT_EQ(CopyErrorText(WAVERR_BADFORMAT, text.data(), 0), MMSYSERR_INVALPARAM);
}

TEST(RealAudioErrorText, ALongTextIsCutToTheRoomGivenAndStaysTerminated) {
    std::array<char, 8> small{};
    small.fill('x');
    ASSERT_EQ(CopyErrorText(WAVERR_STILLPLAYING, small.data(), small.size()), 0u);
    EXPECT_EQ(std::string(small.data()), "Buffers");
}

} // namespace
} // namespace platform
