// SPDX-License-Identifier: MIT
// The instrument's publication of measured blocks: once per block, to every subscriber whatever
// the others do, for as long as each subscription lives, and with the tone the output carried.

#include "instrument/Instrument.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <optional>
#include <stdexcept>
#include <vector>

namespace instrument {
namespace {

// A block of `frames` stereo frames: voltage first, current second.
std::vector<char> Block(std::int16_t voltage, std::int16_t current, int frames = 8000) {
    std::vector<char> bytes(static_cast<std::size_t>(frames) * 4);
    for (std::size_t k = 0; k < bytes.size(); k += 4) {
        const std::int16_t pair[2] = {voltage, current};
        std::memcpy(bytes.data() + k, pair, sizeof pair);
    }
    return bytes;
}

// 8000 frames of a 997 Hz voltage with 1 % of third harmonic and a pure current leading it
// by 30 degrees.
std::vector<char> PhasedBlock() {
    std::vector<char> bytes(8000 * 4);
    const double w = 2 * std::numbers::pi * 997 / 44100;
    for (std::size_t n = 0; n < 8000; ++n) {
        const double t = static_cast<double>(n);
        const std::int16_t pair[2] = {
            static_cast<std::int16_t>(
                std::lround(10000 * (std::sin(w * t) + 0.01 * std::sin(3 * w * t)))),
            static_cast<std::int16_t>(std::lround(5000 * std::sin(w * t + std::numbers::pi / 6)))};
        std::memcpy(bytes.data() + n * 4, pair, sizeof pair);
    }
    return bytes;
}

struct PublishedBlocks : testing::Test {
    void Measure(std::int16_t voltage, std::int16_t current) { Measure(Block(voltage, current)); }
    void Measure(const std::vector<char>& block) {
        model.StoreBlock(block.data(), static_cast<int>(block.size()));
        model.MeasureLevel(measure::Channel::L);
        model.MeasureLevel(measure::Channel::R);
    }

    Instrument model;
};

TEST_F(PublishedBlocks, EverySubscriberGetsEachBlockOnceWhateverTheOthersDo) {
    model.currentScale = 0.5;
    model.voltageScale = 2;
    std::vector<double> first;
    std::vector<double> second;
    auto a = model.Subscribe([&](const Readings& r) {
        first.push_back(r.currentMa);
        throw std::runtime_error("disk full");
    });
    auto b = model.Subscribe([&](const Readings& r) {
        second.push_back(r.voltageMv);
        EXPECT_EQ(r.samplesL.size(), 8000u);
        EXPECT_EQ(r.samplesL[5], 100);
    });
    Measure(-300, 100);
    EXPECT_THROW(model.PublishMeasuredBlock(false), std::runtime_error);
    model.PublishMeasuredBlock(false); // the same block again: nobody hears it twice
    // A constant level reads as half a block of it: the mean runs over captureCount positions,
    // twice the block's frames, of which the squares are taken from position 1 on.
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_NEAR(first[0], 100 * 0.5 * std::sqrt(7999.0 / 16000), 1e-9);
    EXPECT_NEAR(second[0], 300 * 2 * std::sqrt(7999.0 / 16000), 1e-9);
}

TEST_F(PublishedBlocks, SubscribersShareOneAnalysisOfTheBlockWithItsKnownPhaseAndDistortion) {
    model.currentScale = 0.5;
    model.voltageScale = 2;
    std::vector<const analysis::AcResult*> seen;
    std::optional<double> thdVoltage;
    std::optional<double> thdCurrent;
    auto a = model.Subscribe([&](const Readings& r) { seen.push_back(&r.analysis->Ac()); });
    auto b = model.Subscribe([&](const Readings& r) {
        seen.push_back(&r.analysis->Ac());
        thdVoltage = r.analysis->Distortion(measure::Channel::R).thdPercent;
        thdCurrent = r.analysis->Distortion(measure::Channel::L).thdPercent;
    });
    Measure(PhasedBlock());
    model.PublishMeasuredBlock(false);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], seen[1]);
    const analysis::AcResult& ac = *seen[0];
    ASSERT_TRUE(ac.phaseDegrees && ac.impedance && ac.frequency);
    EXPECT_NEAR(*ac.frequency, 997, 0.1);
    EXPECT_NEAR(*ac.phaseDegrees, -30, 0.1); // the current leads, as into a capacitor
    EXPECT_NEAR(*ac.impedance, 20000.0 / 2500.0, 0.01);
    ASSERT_TRUE(thdVoltage && thdCurrent);
    EXPECT_NEAR(*thdVoltage, 1.0, 0.02);
    EXPECT_LT(*thdCurrent, 0.02);
}

TEST_F(PublishedBlocks, ASubscriptionEndsWithItsOwnerInEitherOrder) {
    int heard = 0;
    {
        auto gone = model.Subscribe([&](const Readings&) { ++heard; });
    }
    Measure(0, 0);
    model.PublishMeasuredBlock(false);
    EXPECT_EQ(heard, 0);

    auto outliving = std::make_unique<Instrument::Subscription>();
    {
        Instrument shortLived;
        *outliving = shortLived.Subscribe([&](const Readings&) { ++heard; });
    }
    outliving.reset(); // must not touch the instrument that is gone
    EXPECT_EQ(heard, 0);
}

TEST_F(PublishedBlocks, TheToneIsTheOneTheBufferPlayingNowWasFilledWith) {
    std::optional<analysis::Tone> heard;
    auto listener = model.Subscribe([&](const Readings& r) { heard = r.tone; });
    model.TrackPlayback(2);
    model.gen1Amplitude = 32000;
    model.gen1Frequency = 100;
    model.OutputBufferFilled();
    model.OutputBufferFilled();
    model.gen1Frequency = 200; // queued behind the two buffers of 100 Hz
    model.OutputBufferFilled();
    Measure(0, 0);
    model.PublishMeasuredBlock(true);
    EXPECT_EQ(heard, (analysis::Tone{100, 32000}));
    model.OutputBufferFilled();
    Measure(0, 0);
    model.PublishMeasuredBlock(true);
    EXPECT_EQ(heard, (analysis::Tone{200, 32000}));
    model.gen2Amplitude = 100; // a second tone: no response to measure
    model.OutputBufferFilled();
    model.OutputBufferFilled();
    Measure(0, 0);
    model.PublishMeasuredBlock(true);
    EXPECT_EQ(heard, std::nullopt);
    Measure(0, 0);
    model.gen2Amplitude = 0;
    model.PublishMeasuredBlock(false); // a stopped output plays nothing
    EXPECT_EQ(heard, std::nullopt);
}

TEST_F(PublishedBlocks, TheAppliedTimeBaseIsNamedAsItsBoxNamesIt) {
    EXPECT_EQ(model.AppliedTimeBaseName(), "");
    const char* names[] = {"100 msec", "50 msec", "20 msec", "10 msec",
                           "5 msec",   "2 msec",  "1 msec"};
    for (std::size_t band = 0; band < 7; ++band) {
        model.timeBaseApplied.fill(0);
        model.timeBaseApplied[band] = 1;
        EXPECT_EQ(model.AppliedTimeBaseName(), names[band]);
    }
}

} // namespace
} // namespace instrument
