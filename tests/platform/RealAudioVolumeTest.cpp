// SPDX-License-Identifier: MIT
// Volumes on ALSA: the level mapping for element ranges of every shape, and the volume service
// on the sound server's mixer.

#include "platform/alsa/AlsaLevel.h"
#include "platform/alsa/AlsaVolumeService.h"

#include "RealAudioSupport.h"

#include <filesystem>
#include <regex>

namespace platform {
namespace {

struct Range {
    long min;
    long max;
};
// A 5-bit codec, a 7-bit one, a dB-like range below zero, the sound server's 0..65536, and
// ranges around the 16-bit width.
constexpr Range Ranges[] = {{0, 31},    {0, 127},   {-10239, 400}, {0, 65536},
                            {0, 65535}, {0, 65534}, {-5, 1},       {0, 100000}};

TEST(RealAudioLevel, EndsOfTheLevelScaleMeetTheEndsOfTheElementRange) {
    for (const Range& range : Ranges) {
        EXPECT_EQ(LevelToRaw(0, range.min, range.max), range.min);
        EXPECT_EQ(LevelToRaw(0xFFFF, range.min, range.max), range.max);
        EXPECT_EQ(RawToLevel(range.min, range.min, range.max), 0);
        EXPECT_EQ(RawToLevel(range.max, range.min, range.max), 0xFFFF);
        EXPECT_EQ(RawToLevel(range.max + 50, range.min, range.max), 0xFFFF) << "out of range";
        EXPECT_EQ(RawToLevel(range.min - 50, range.min, range.max), 0);
    }
}

TEST(RealAudioLevel, EveryLevelMapsMonotonicallyAndItsStepReadsBackToTheSameStep) {
    for (const Range& range : Ranges) {
        long previous = range.min;
        for (int level = 0; level <= 0xFFFF; ++level) {
            const long raw = LevelToRaw(static_cast<std::uint16_t>(level), range.min, range.max);
            ASSERT_GE(raw, previous) << level;
            previous = raw;
            const std::uint16_t back = RawToLevel(raw, range.min, range.max);
            ASSERT_EQ(LevelToRaw(back, range.min, range.max), raw)
                << "range " << range.min << ".." << range.max << " level " << level;
            if (range.max - range.min >= 0xFFFF && range.max - range.min <= 0x10000) {
                ASSERT_EQ(back, level) << "a fine element keeps every level";
            }
        }
    }
}

TEST(RealAudioLevel, AWrittenLevelReadsBackUntilTheElementMoves) {
    const Range coarse{0, 31};
    const long raw = LevelToRaw(1000, coarse.min, coarse.max);
    RememberedLevel remembered{true, raw, 1000};
    EXPECT_EQ(remembered.Read(raw, coarse.min, coarse.max), 1000);
    EXPECT_EQ(remembered.Read(31, coarse.min, coarse.max), 0xFFFF) << "moved by someone else";
    EXPECT_EQ(RememberedLevel{}.Read(raw, coarse.min, coarse.max),
              RawToLevel(raw, coarse.min, coarse.max));
}

TEST(RealAudioMixer, MixerCountIsTheNumberOfSoundCards) {
    int cards = 0;
    const std::regex card("card[0-9]+");
    if (std::filesystem::exists("/proc/asound")) {
        for (const auto& entry : std::filesystem::directory_iterator("/proc/asound")) {
            cards += std::regex_match(entry.path().filename().string(), card) ? 1 : 0;
        }
    }
    EXPECT_EQ(AlsaMixerDevices().MixerGetNumDevs(), static_cast<std::uint32_t>(cards));
}

TEST(RealAudioMixer, AMixerThatDoesNotExistHasOnlySilentDevices) {
    AlsaVolumeService volumes("hw:97");
    volumes.WaveOutSetVolume(0, 0xFFFFFFFF);
    EXPECT_EQ(volumes.WaveOutGetVolume(0), 0u);
    for (std::uint32_t device = 1; device <= 5; ++device) {
        EXPECT_EQ(volumes.AuxGetVolume(device), 0u);
    }
}

class RealAudioVolume : public ::testing::Test {
protected:
    void SetUp() override { REQUIRE_SOUND_SERVER(); }
};

TEST_F(RealAudioVolume, OutputVolumeIsTheServersMasterAndReadsBackAsWritten) {
    AlsaVolumeService volumes;
    ASSERT_EQ(volumes.ElementName(0), "Master");
    const std::uint32_t saved = volumes.WaveOutGetVolume(0);

    volumes.WaveOutSetVolume(0, 0x0000FFFF);
    EXPECT_EQ(volumes.WaveOutGetVolume(0), 0x0000FFFFu);
    // A second client sees the server's sink at left full, right silent.
    EXPECT_EQ(AlsaVolumeService().WaveOutGetVolume(0), 0x0000FFFFu);

    volumes.WaveOutSetVolume(0, 0x12345678);
    EXPECT_EQ(volumes.WaveOutGetVolume(0), 0x12345678u);

    volumes.WaveOutSetVolume(0, saved);
    EXPECT_EQ(volumes.WaveOutGetVolume(0), saved);
    EXPECT_EQ(AlsaVolumeService().WaveOutGetVolume(0), saved);
}

TEST_F(RealAudioVolume, DevicesWithoutAnElementReadZeroAndIgnoreWrites) {
    AlsaVolumeService volumes;
    // The server's mixer has a single playback volume, so no auxiliary device.
    for (std::uint32_t device = 1; device <= 5; ++device) {
        EXPECT_EQ(volumes.ElementName(device), "");
        volumes.AuxSetVolume(device, 0xFFFFFFFF);
        EXPECT_EQ(volumes.AuxGetVolume(device), 0u) << device;
    }
    const std::uint32_t master = volumes.WaveOutGetVolume(0);
    volumes.WaveOutSetVolume(1, 0);
    volumes.AuxSetVolume(0, 0);
    EXPECT_EQ(volumes.WaveOutGetVolume(1), 0u);
    EXPECT_EQ(volumes.WaveOutGetVolume(0), master) << "only device 0 is the output";
}

} // namespace
} // namespace platform
