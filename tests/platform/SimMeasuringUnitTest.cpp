// SPDX-License-Identifier: MIT
// The simulated measuring unit: what the instrument reads when the card plays into it.
#include "SimCardTestSupport.h"

#include "platform/sim/MeasuringUnit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace simtest;
using platform::sim::kFrameRate;
using platform::sim::MeasuringUnit;

namespace {

std::vector<std::int16_t> Sine(double frequency, double amplitude, std::size_t frames) {
    std::vector<std::int16_t> samples(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        samples[i] = static_cast<std::int16_t>(
            std::lround(amplitude * std::sin(2 * std::numbers::pi * frequency * i / kFrameRate)));
    }
    return samples;
}

struct Channels {
    std::vector<std::int16_t> r, l;
};

Channels Render(MeasuringUnit& unit, const std::vector<std::int16_t>& played) {
    std::vector<std::int16_t> stereo(2 * played.size());
    unit.Render(played.data(), played.size(), stereo.data());
    Channels channels;
    for (std::size_t i = 0; i < played.size(); ++i) {
        channels.r.push_back(stereo[2 * i]);
        channels.l.push_back(stereo[2 * i + 1]);
    }
    return channels;
}

// Phase in degrees of the `frequency` component of samples [first, first + count).
double PhaseDegrees(const std::vector<std::int16_t>& samples, double frequency, std::size_t first,
                    std::size_t count) {
    double re = 0, im = 0;
    for (std::size_t i = first; i < first + count; ++i) {
        const double angle = 2 * std::numbers::pi * frequency * i / kFrameRate;
        re += samples[i] * std::cos(angle);
        im += samples[i] * std::sin(angle);
    }
    return std::atan2(re, im) * 180 / std::numbers::pi; // 0 for a sine, +90 for a cosine
}

int RisingZeroCrossings(const std::vector<std::int16_t>& samples) {
    int count = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        count += (samples[i - 1] < 0 && samples[i] >= 0) ? 1 : 0;
    }
    return count;
}

// The instrument's rms figure of one 8000-frame block: the block padded with as many zeros.
double InstrumentRms(const std::vector<std::int16_t>& samples, std::size_t first, double scale) {
    double sum = 0;
    for (std::size_t i = first + 1; i < first + 8000; ++i) {
        sum += static_cast<double>(samples[i]) * samples[i];
    }
    return std::sqrt(sum / 16000) * scale;
}

int Peak(const std::vector<std::int16_t>& samples, std::size_t first = 0) {
    int peak = 0;
    for (std::size_t i = first; i < samples.size(); ++i) {
        peak = std::max(peak, std::abs(int{samples[i]}));
    }
    return peak;
}

TEST(SimMeasuringUnit, StartUpGeneratorReadsAsDocumentedWithTheCurrentLeading) {
    MeasuringUnit unit;
    const Channels c = Render(unit, Sine(100, 32000, kFrameRate));
    const std::size_t settled = 4410; // 10 periods, far beyond the load's 1.5 ms
    EXPECT_NEAR(InstrumentRms(c.r, settled, 0.46), 2762, 30) << "mV";
    EXPECT_NEAR(InstrumentRms(c.l, settled, 0.063), 86.0, 1.0) << "mA";
    // Well inside the 5 V and 200 mA ranges.
    EXPECT_NEAR(Peak(c.r, settled), 12008, 10);
    EXPECT_NEAR(Peak(c.l, settled), 2730, 10);

    const double lead = PhaseDegrees(c.l, 100, settled, 44100 - settled) -
                        PhaseDegrees(c.r, 100, settled, 44100 - settled);
    EXPECT_NEAR(lead, 46.8, 0.5);
}

TEST(SimMeasuringUnit, PreservesTheFrequencyOnBothChannels) {
    for (double frequency : {100.0, 1000.0, 9000.0}) {
        MeasuringUnit unit;
        const Channels c = Render(unit, Sine(frequency, 20000, kFrameRate));
        EXPECT_NEAR(RisingZeroCrossings(c.r), frequency, 1) << frequency;
        EXPECT_NEAR(RisingZeroCrossings(c.l), frequency, 1) << frequency;
    }
}

TEST(SimMeasuringUnit, NoOutputSignalClipsTheCapture) {
    std::vector<std::vector<std::int16_t>> signals;
    for (double frequency : {10.0, 100.0, 1000.0, 20000.0}) {
        signals.push_back(Sine(frequency, 32767, kFrameRate / 2));
    }
    std::vector<std::int16_t> square(kFrameRate / 2);
    for (std::size_t i = 0; i < square.size(); ++i) {
        square[i] = (i / 220) % 2 == 0 ? 32767 : -32768;
    }
    signals.push_back(square);
    int largestCurrent = 0;
    for (const auto& signal : signals) {
        MeasuringUnit unit;
        const Channels c = Render(unit, signal);
        EXPECT_LT(Peak(c.r), 32767);
        EXPECT_LT(Peak(c.l), 32767);
        largestCurrent = std::max(largestCurrent, Peak(c.l));
    }
    // The square wave's steps of nearly 8 V across 22 ohm are the worst case: at most 8164.
    EXPECT_GT(largestCurrent, 7500);
    EXPECT_LE(largestCurrent, 8164 + 3);
}

TEST(SimMeasuringUnit, RenderingInPiecesGivesExactlyTheSameCapture) {
    const std::vector<std::int16_t> played = Sine(437, 30000, 20000);
    MeasuringUnit whole, pieces;
    const Channels expected = Render(whole, played);
    Channels got;
    std::size_t start = 0;
    for (std::size_t size : {1, 2, 3, 1023, 1024, 5000, 12947}) {
        const std::vector<std::int16_t> part(played.begin() + start, played.begin() + start + size);
        const Channels c = Render(pieces, part);
        got.r.insert(got.r.end(), c.r.begin(), c.r.end());
        got.l.insert(got.l.end(), c.l.begin(), c.l.end());
        start += size;
    }
    ASSERT_EQ(start, played.size());
    EXPECT_EQ(got.r, expected.r);
    EXPECT_EQ(got.l, expected.l);
}

TEST(SimMeasuringUnit, NoiseIsSmallAndDeterminedByTheSeed) {
    const std::vector<std::int16_t> silence(10000, 0);
    MeasuringUnit first, second, other(MeasuringUnit::Load{}, 12345);
    const Channels a = Render(first, silence);
    const Channels b = Render(second, silence);
    const Channels c = Render(other, silence);
    EXPECT_EQ(a.r, b.r);
    EXPECT_EQ(a.l, b.l);
    EXPECT_NE(a.r, c.r);
    EXPECT_LE(Peak(a.r), 3);
    EXPECT_LE(Peak(a.l), 3);
    EXPECT_GT(std::count_if(a.l.begin(), a.l.end(), [](std::int16_t v) { return v != 0; }), 5000)
        << "there is noise at all";
    double sum = 0;
    for (std::int16_t v : a.r) {
        sum += v;
    }
    EXPECT_NEAR(sum / a.r.size(), 0.0, 0.1) << "the noise has no offset";
}

TEST(SimMeasuringUnit, APlainResistorKeepsCurrentAndVoltageInPhase) {
    MeasuringUnit unit(MeasuringUnit::Load{50.0, 0.0});
    const Channels c = Render(unit, Sine(100, 32000, 44100));
    EXPECT_NEAR(PhaseDegrees(c.l, 100, 0, 44100) - PhaseDegrees(c.r, 100, 0, 44100), 0.0, 0.2);
    // 3.906 V / 50 ohm = 78.1 mA peak.
    EXPECT_NEAR(Peak(c.l), 78.125e-3 * MeasuringUnit::kCurrentUnitsPerAmpere, 4);
}

TEST(SimMeasuringUnit, TheDefaultCardMeasuresItsOwnGenerator) {
    QueueDispatcher dispatcher;
    platform::sim::SimulatedCard card(dispatcher);
    const WaveFormat mono = Pcm(1, 16), stereo = Pcm(2, 16);
    WaveOutHandle out = 0;
    WaveInHandle in = 0;
    ASSERT_EQ(card.WaveOutOpen(&out, 0, &mono, nullptr), 0u);
    ASSERT_EQ(card.WaveInOpen(&in, 0, &stereo, nullptr), 0u);
    Buffer played(2 * 22050), recorded(32000);
    const std::vector<std::int16_t> sine = Sine(100, 32000, 22050);
    std::memcpy(played.data.data(), sine.data(), played.data.size());
    const std::uint32_t size = sizeof(WaveHeader);
    ASSERT_EQ(card.WaveOutPrepareHeader(out, &played.header, size), 0u);
    ASSERT_EQ(card.WaveOutWrite(out, &played.header, size), 0u);
    ASSERT_EQ(card.WaveInPrepareHeader(in, &recorded.header, size), 0u);
    ASSERT_EQ(card.WaveInAddBuffer(in, &recorded.header, size), 0u);
    card.AdvanceFrames(4410);
    ASSERT_EQ(card.WaveInStart(in), 0u);
    card.AdvanceFrames(8000);
    ASSERT_EQ(recorded.header.bytesRecorded, 32000u);
    std::vector<std::int16_t> r, l;
    for (std::size_t i = 0; i < 8000; ++i) {
        r.push_back(recorded.Sample(2 * i));
        l.push_back(recorded.Sample(2 * i + 1));
    }
    EXPECT_NEAR(InstrumentRms(r, 0, 0.46), 2762, 30);
    EXPECT_NEAR(InstrumentRms(l, 0, 0.063), 86.0, 1.0);
}

} // namespace
