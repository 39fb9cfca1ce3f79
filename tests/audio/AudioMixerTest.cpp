// SPDX-License-Identifier: MIT
// The mixer component over machines with two, one and no mixer devices.
#include "audio/AudioMixer.h"
#include "platform/sim/SimVolumes.h"

#include <gtest/gtest.h>

namespace audio {
namespace {

struct Case {
    std::uint32_t devices;
    std::uint32_t valid;   // an id that is accepted, when there is one
    std::uint32_t invalid; // the first id that is refused
    const char* message;
};

class AudioMixerTest : public ::testing::TestWithParam<Case> {};

TEST_P(AudioMixerTest, AcceptsTheMachinesDevicesAndRefusesTheRest) {
    const Case c = GetParam();
    platform::sim::SimMixerDevices devices(c.devices);
    TAudioMixer mixer(devices);
    EXPECT_EQ(mixer.DeviceCount(), c.devices);
    EXPECT_EQ(mixer.MixerID(), 0u);
    EXPECT_EQ(&mixer.Manager().Mixer(), &mixer);
    if (c.devices > 0) {
        mixer.SetMixerID(c.valid);
        EXPECT_EQ(mixer.MixerID(), c.valid);
    }
    const std::uint32_t before = mixer.MixerID();
    try {
        mixer.SetMixerID(c.invalid);
        FAIL() << "no error";
    } catch (const EMixerID& e) {
        EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_EQ(mixer.MixerID(), before) << "the old number stays";
}

INSTANTIATE_TEST_SUITE_P(Machines, AudioMixerTest,
                         ::testing::Values(Case{2, 1, 2, "MixerID maximum for this machine: 1"},
                                           Case{1, 0, 1, "MixerID maximum for this machine: 0"},
                                           Case{0, 0, 0, "MixerID maximum for this machine: -1"}));

TEST(AudioMixer, EventsFireOnlyWhenBound) {
    platform::sim::SimMixerDevices devices;
    TAudioMixer mixer(devices);
    mixer.MixerControlChange(1, 2, 3); // nothing bound: nothing happens
    std::vector<std::uint32_t> seen;
    mixer.OnMixerControlChange = [&](void* sender, std::uint32_t d, std::uint32_t s,
                                     std::uint32_t c) {
        EXPECT_EQ(sender, &mixer);
        seen.insert(seen.end(), {d, s, c});
    };
    mixer.OnMixerLineChange = [&](void* sender, std::uint32_t d, std::uint32_t s) {
        EXPECT_EQ(sender, &mixer);
        seen.insert(seen.end(), {d, s});
    };
    mixer.MixerControlChange(1, 2, 3);
    mixer.MixerLineChange(4, 5);
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{1, 2, 3, 4, 5}));
}

} // namespace
} // namespace audio
