// SPDX-License-Identifier: MIT
// Cost of one output block; it must be ready long before the queued blocks have played.
#include "generator/Synthesis.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

void BM_TwoToneBlock(benchmark::State& state) {
    std::vector<std::int16_t> buffer(generator::kTwoToneSamples);
    const generator::TwoTone generators{32000, 100, 10000, 1000};
    for (auto _ : state) {
        benchmark::DoNotOptimize(generator::FillTwoTone(buffer, 44100, generators));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TwoToneBlock)->Unit(benchmark::kMillisecond);

void BM_SweepBlock(benchmark::State& state) {
    std::vector<std::int16_t> buffer(generator::kTwoToneSamples);
    generator::SweepFields fields{"100", "500"};
    generator::RampState ramp;
    for (auto _ : state) {
        benchmark::DoNotOptimize(generator::FillSweep(buffer, 44100, 32000, fields, ramp));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SweepBlock)->Unit(benchmark::kMillisecond);

} // namespace
