// SPDX-License-Identifier: MIT
// Cost of measuring one captured block on both channels, as each display cycle does.
#include "measure/Frequency.h"
#include "measure/Level.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

struct ChannelState {
    std::vector<std::int32_t> samples = std::vector<std::int32_t>(measure::kChannelSize, 0);
    std::vector<std::int32_t> halfWave = std::vector<std::int32_t>(measure::kChannelSize, 0);
    std::uint16_t halfWaveStart = 0;
    std::int32_t smoothing = 16;
};

// One 32 000-byte block: a 440 Hz voltage and a phase-shifted current, with a little noise.
std::vector<std::int32_t> CaptureBlock() {
    std::vector<std::int32_t> capture(measure::kCaptureSize, 0);
    std::mt19937 random(42);
    std::normal_distribution<double> noise(0, 20);
    for (int k = 0; k < 8000; ++k) {
        const double phase = 2 * M_PI * 440 * k / 44100;
        capture[2 * k] =
            static_cast<std::int32_t>(std::lround(9000 * std::sin(phase) + noise(random)));
        capture[2 * k + 1] =
            static_cast<std::int32_t>(std::lround(3000 * std::sin(phase + 0.7) + noise(random)));
    }
    return capture;
}

void MeasureChannel(measure::Channel channel, const std::vector<std::int32_t>& capture,
                    ChannelState& state) {
    auto level = measure::MeasureLevel(channel, capture, 16000, state.samples, 0.063);
    const measure::FrequencyInput input{state.samples, 16000, 1.0, measure::ThresholdRange::Own,
                                        false,         100};
    auto frequency = measure::MeasureFrequency(
        channel, input, measure::HalfWaveRef{state.halfWave, state.halfWaveStart, state.smoothing});
    benchmark::DoNotOptimize(level);
    benchmark::DoNotOptimize(frequency);
}

void BM_MeasureBothChannels(benchmark::State& state) {
    const auto capture = CaptureBlock();
    ChannelState l, r;
    for (auto _ : state) {
        MeasureChannel(measure::Channel::L, capture, l);
        MeasureChannel(measure::Channel::R, capture, r);
    }
}
BENCHMARK(BM_MeasureBothChannels)->Unit(benchmark::kMicrosecond);

// Silence before the first block: both searches run to their limit on each pass.
void BM_MeasureBothChannelsSilent(benchmark::State& state) {
    const std::vector<std::int32_t> capture(measure::kCaptureSize, 0);
    ChannelState l, r;
    for (auto _ : state) {
        MeasureChannel(measure::Channel::L, capture, l);
        MeasureChannel(measure::Channel::R, capture, r);
    }
}
BENCHMARK(BM_MeasureBothChannelsSilent)->Unit(benchmark::kMicrosecond);

} // namespace
