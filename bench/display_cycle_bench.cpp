// SPDX-License-Identifier: MIT
// Cost of one full display cycle of the window: both channels measured and ranged, the scales
// drawn, and 4 x 999 trace segments erased and drawn on the framebuffer.
#include "Form1TestRig.h"

#include <QTimer>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

void BM_DisplayCycle(benchmark::State& state) {
    app::test::Form1Rig rig;
    app::TForm1& form = *rig.form;
    form.idleTimer->stop();
    // 440 Hz on both channels, the current a quarter period behind: the 2 msec time base.
    for (int k = 0; k < 8000; ++k) {
        const double phase = 2 * M_PI * 440 * k / 44100;
        form.model.captureSamples[2 * k] =
            static_cast<std::int32_t>(std::lround(9000 * std::sin(phase)));
        form.model.captureSamples[2 * k + 1] =
            static_cast<std::int32_t>(std::lround(5000 * std::cos(phase)));
    }
    form.model.captureCount = 16000;
    form.DrawTraces(); // ranges and time base settle; the cycles measured below repaint nothing
    for (auto _ : state) {
        form.DrawTraces();
        benchmark::DoNotOptimize(form.Framebuffer().PixelAt(100, 100));
    }
}
BENCHMARK(BM_DisplayCycle)->Unit(benchmark::kMicrosecond);

} // namespace
