// SPDX-License-Identifier: MIT
// Cost of the analysis of one captured block (8000 frames): the AC readings of both channels,
// and both channels' spectra with their harmonics and distortion.
#include "analysis/AcAnalysis.h"
#include "analysis/Distortion.h"
#include "analysis/Spectrum.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr double kRate = 44100;

// A voltage and a leading current with a 1 % third harmonic, a little seeded noise.
struct Block {
    std::vector<std::int32_t> current = std::vector<std::int32_t>(8000);
    std::vector<std::int32_t> voltage = std::vector<std::int32_t>(8000);

    explicit Block(double frequency) {
        std::mt19937 random(7);
        std::normal_distribution<double> noise(0, 3);
        for (std::size_t i = 0; i < voltage.size(); ++i) {
            const double phase = 2 * std::numbers::pi * frequency * static_cast<double>(i) / kRate;
            voltage[i] =
                static_cast<std::int32_t>(std::lround(20000 * std::cos(phase) + noise(random)));
            current[i] = static_cast<std::int32_t>(std::lround(
                9000 * std::cos(phase + 0.6) + 90 * std::cos(3 * phase) + noise(random)));
        }
    }
};

// Argument: the frequency in Hz. Under about 220 Hz the fundamental's search fits harmonics too.
void AcAnalysisOfBothChannels(benchmark::State& state) {
    const Block block(static_cast<double>(state.range(0)));
    analysis::AcAnalyzer analyzer;
    const analysis::AcInput input{block.current, 0.004, block.voltage, 0.05, kRate};
    for (auto _ : state) {
        benchmark::DoNotOptimize(analyzer.Analyze(input));
    }
}
BENCHMARK(AcAnalysisOfBothChannels)->Arg(997)->Arg(50)->Unit(benchmark::kMicrosecond);

// Arguments: the window, the frequency in Hz.
void SpectrumAndDistortionOfBothChannels(benchmark::State& state) {
    const Block block(static_cast<double>(state.range(1)));
    analysis::SpectrumAnalyzer spectra;
    analysis::DistortionAnalyzer distortion;
    analysis::Spectrum current;
    analysis::Spectrum voltage;
    const auto window = static_cast<analysis::Window>(state.range(0));
    for (auto _ : state) {
        spectra.Compute(block.current, kRate, 0.004, window, current);
        spectra.Compute(block.voltage, kRate, 0.05, window, voltage);
        benchmark::DoNotOptimize(distortion.Analyze(block.current, kRate, 0.004, current));
        benchmark::DoNotOptimize(distortion.Analyze(block.voltage, kRate, 0.05, voltage));
    }
}
BENCHMARK(SpectrumAndDistortionOfBothChannels)
    ->Args({static_cast<int>(analysis::Window::FlatTop), 997})
    ->Args({static_cast<int>(analysis::Window::Hann), 997})
    ->Args({static_cast<int>(analysis::Window::FlatTop), 50})
    ->Unit(benchmark::kMicrosecond);

} // namespace
