// SPDX-License-Identifier: MIT
// Playback and capture together on one simulated card: what one component plays, the other
// captures, sample for sample through a wire and at the right frequency through the measuring
// unit.
#include "AudioTestSupport.h"

#include "platform/sim/LoopbackSource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

namespace audio::test {
namespace {

constexpr double kRate = 44100.0;

// Plays a continuous sine of `frequency` Hz and amplitude `amplitude`, mono 16-bit.
struct SineOut {
    SineOut(Bench& bench, double frequency, double amplitude) : out(bench.services) {
        out.SetFrameRate(44100);
        out.SetBufferSize(8820); // 100 ms
        out.OnFillBuffer = [this, frequency, amplitude](char* buffer, int& size) {
            for (int i = 0; i < size / 2; ++i, ++frame) {
                const double phase = 2.0 * std::numbers::pi * frequency * frame / kRate;
                const auto sample =
                    static_cast<std::int16_t>(std::lround(amplitude * std::sin(phase)));
                played.push_back(sample);
                std::memcpy(buffer + 2 * i, &sample, 2);
            }
            return true;
        };
    }
    TAudioOut out;
    long frame = 0;
    std::vector<std::int16_t> played;
};

// Captures runs of 8000 stereo frames, as the instrument does, into `frames`.
struct BlockIn {
    explicit BlockIn(Bench& bench) : in(bench.services) {
        in.SetBufferSize(32000);
        in.SetNumBuffers(2);
        in.SetFrameRate(44100);
        in.SetStereo(true);
        in.OnBufferFilled = [this](char* buffer, int& size) {
            const std::size_t first = captured.size();
            captured.resize(first + static_cast<std::size_t>(size) / 2);
            std::memcpy(captured.data() + first, buffer, static_cast<std::size_t>(size));
            return false;
        };
    }
    // One channel of the captured block `block`: 0 = first value of each frame (R), 1 = L.
    std::vector<double> Channel(std::size_t block, int channel) const {
        std::vector<double> values;
        for (std::size_t i = block * 16000; i < (block + 1) * 16000; i += 2) {
            values.push_back(captured[i + static_cast<std::size_t>(channel)]);
        }
        return values;
    }
    TAudioIn in;
    std::vector<std::int16_t> captured; // interleaved
};

// Frequency from the rising zero crossings (with hysteresis against noise), interpolated
// between samples.
double RisingCrossingFrequency(const std::vector<double>& values, double hysteresis) {
    std::vector<double> crossings;
    bool armed = false;
    for (std::size_t i = 1; i < values.size(); ++i) {
        if (values[i] < -hysteresis) {
            armed = true;
        }
        if (armed && values[i - 1] < 0.0 && values[i] >= 0.0) {
            crossings.push_back(static_cast<double>(i - 1) +
                                values[i - 1] / (values[i - 1] - values[i]));
            armed = false;
        }
    }
    if (crossings.size() < 2) {
        return 0.0;
    }
    return static_cast<double>(crossings.size() - 1) * kRate /
           (crossings.back() - crossings.front());
}

TEST(AudioLoopback, CaptureThroughAWireEqualsWhatWasPlayed) {
    Bench bench;
    bench.card.SetSource(std::make_unique<platform::sim::LoopbackSource>());
    SineOut sine(bench, 440.0, 12000.0);
    BlockIn block(bench);
    ASSERT_TRUE(sine.out.Start());
    ASSERT_TRUE(block.in.Start());
    bench.Run(1000, 20);
    ASSERT_EQ(block.captured.size(), 32000u); // one run of two buffers
    for (std::size_t i = 0; i < 16000; ++i) {
        ASSERT_EQ(block.captured[2 * i], sine.played[i]) << "frame " << i;
        ASSERT_EQ(block.captured[2 * i + 1], sine.played[i]) << "frame " << i;
    }
    sine.out.StopNow();
    bench.dispatcher.Drain();
}

TEST(AudioLoopback, A1kHzSineReachesBothChannelsOfTheMeasuringUnit) {
    Bench bench; // the default source: the measuring unit with its RC load
    SineOut sine(bench, 1000.0, 20000.0);
    BlockIn block(bench);
    ASSERT_TRUE(sine.out.Start());
    ASSERT_TRUE(block.in.Start());
    bench.Run(1000, 20);
    ASSERT_EQ(block.captured.size(), 32000u);
    // The second block, well past the load's settling (time constant 1.5 ms).
    EXPECT_NEAR(RisingCrossingFrequency(block.Channel(1, 0), 200.0), 1000.0, 1.0); // voltage R
    EXPECT_NEAR(RisingCrossingFrequency(block.Channel(1, 1), 200.0), 1000.0, 1.0); // current L
    sine.out.StopNow();
    bench.dispatcher.Drain();
}

} // namespace
} // namespace audio::test
