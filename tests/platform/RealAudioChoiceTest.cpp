// SPDX-License-Identifier: MIT
// Choosing the sound card: the simulated card on request, the default device with the sound
// server, a named or numbered device, a clear error for one that does not exist, and a quiet
// terminal while PortAudio probes.

#include "platform/AudioSystemChoice.h"
#include "platform/GuardedVolumeService.h"
#include "platform/portaudio/PortAudioWaveService.h"

#include "RealAudioSupport.h"

#include <cstdio>
#include <stdexcept>
#include <string>

namespace platform {
namespace {

TEST(RealAudioChoice, SimAsksForTheSimulatedCard) {
    QueueDispatcher dispatcher;
    const AudioSystem system = OpenAudioSystem("sim", dispatcher);
    EXPECT_EQ(system.description, "audio: simulated sound card");
    EXPECT_EQ(dynamic_cast<PortAudioWaveService*>(system.wave.get()), nullptr);
    ASSERT_NE(system.volume, nullptr);
    ASSERT_NE(system.mixer, nullptr);
}

TEST(RealAudioChoice, ADeviceThatDoesNotExistIsAnErrorNamingItAndTheAlternatives) {
    QueueDispatcher dispatcher;
    for (const char* choice : {"no such card", "4242"}) {
        try {
            OpenAudioSystem(choice, dispatcher);
            ADD_FAILURE() << choice << " was accepted";
        } catch (const std::runtime_error& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find(std::string("'") + choice + "'"), std::string::npos) << message;
            EXPECT_NE(message.find("'sim'"), std::string::npos) << message;
        }
    }
}

TEST(RealAudioChoice, ProbingKeepsTheTerminalQuietAndGivesStandardErrorBack) {
    QueueDispatcher dispatcher;
    testing::internal::CaptureStderr();
    { const AudioSystem system = OpenAudioSystem("auto", dispatcher); }
    std::fputs("still here\n", stderr);
    std::fflush(stderr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "still here\n");
}

class RealAudioChoiceWithServer : public ::testing::Test {
protected:
    void SetUp() override { REQUIRE_SOUND_SERVER(); }
    QueueDispatcher dispatcher;
};

TEST_F(RealAudioChoiceWithServer, AutomaticChoiceTakesTheDefaultDeviceWithTheServersVolumes) {
    for (const char* choice : {"", "auto"}) {
        const AudioSystem system = OpenAudioSystem(choice, dispatcher);
        EXPECT_EQ(system.description, "audio: PortAudio device 'default' (default)");
        EXPECT_NE(dynamic_cast<PortAudioWaveService*>(system.wave.get()), nullptr);
        // The server's mixer, behind the guard that keeps a stopped server from holding us.
        ASSERT_NE(dynamic_cast<GuardedVolumeService*>(system.volume.get()), nullptr);
        EXPECT_EQ(system.volume->VolumeName(0), "Master");
        EXPECT_TRUE(system.volume->Answering());
    }
}

TEST_F(RealAudioChoiceWithServer, ANamedOrNumberedDeviceIsThatDeviceAndItPlays) {
    const AudioSystem byName = OpenAudioSystem("pulse", dispatcher);
    EXPECT_EQ(byName.description, "audio: PortAudio device 'pulse'");
    const AudioSystem byIndex = OpenAudioSystem("0", dispatcher);
    EXPECT_EQ(byIndex.description, byName.description);

    constexpr WaveFormat Mono{WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16};
    RecordingReceiver receiver;
    WaveOutHandle out = 0;
    ASSERT_EQ(byName.wave->WaveOutOpen(&out, WAVE_MAPPER, &Mono, &receiver), MMSYSERR_NOERROR);
    std::vector<char> silence(882);
    WaveHeader header{silence.data(), 882, 0, 0, 0, 0, nullptr, 0};
    byName.wave->WaveOutPrepareHeader(out, &header, sizeof header);
    ASSERT_EQ(byName.wave->WaveOutWrite(out, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_TRUE(DrainUntil(dispatcher, [&] { return receiver.Count(MM_WOM_DONE) == 1; }));
    EXPECT_EQ(byName.wave->WaveOutClose(out), MMSYSERR_NOERROR);
    dispatcher.Drain();
}

} // namespace
} // namespace platform
