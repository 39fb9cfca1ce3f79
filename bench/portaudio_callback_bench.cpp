// SPDX-License-Identifier: MIT
// The real card under the instrument's load: a mono 16-bit output stream (four buffers of 0.5 s)
// and a stereo 16-bit capture (buffers of 32 000 bytes, handed straight back) run together for
// OSC_BENCH_SECONDS (30 by default) on the default PortAudio device. Reports the callbacks' CPU
// time per second of streaming and the underruns and overruns counted meanwhile (both should
// be 0). Needs a sound card or sound server; run scripts/sound-server.sh's server for a
// private one.

#include "platform/portaudio/PortAudioWaveService.h"

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <thread>
#include <vector>

namespace {

using namespace platform;

constexpr WaveFormat MonoOut{WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16};
constexpr WaveFormat StereoIn{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16};

struct Slot {
    explicit Slot(std::size_t bytes) : data(bytes) {
        header.data = data.data();
        header.bufferLength = static_cast<std::uint32_t>(bytes);
    }
    std::vector<char> data;
    WaveHeader header{};
};

// Hands every returned buffer straight back, as the instrument's streams do.
class Requeue final : public WaveNotificationReceiver {
public:
    Requeue(WaveService& wave, bool output) : wave_(wave), output_(output) {}
    void OnWaveMessage(std::uint32_t message, WaveHeader* header) override {
        if (message == MM_WOM_DONE) {
            wave_.WaveOutWrite(handle, header, sizeof(WaveHeader));
        } else if (message == MM_WIM_DATA && !output_) {
            wave_.WaveInAddBuffer(handle, header, sizeof(WaveHeader));
        }
    }
    std::uint32_t handle = 0;

private:
    WaveService& wave_;
    bool output_;
};

double StreamSeconds() {
    const char* text = std::getenv("OSC_BENCH_SECONDS");
    return text != nullptr ? std::atof(text) : 30.0;
}

void FillSine(std::vector<char>& bytes) {
    auto* samples = reinterpret_cast<std::int16_t*>(bytes.data());
    for (std::size_t i = 0; i < bytes.size() / 2; ++i) {
        samples[i] = static_cast<std::int16_t>(
            16000 * std::sin(2 * std::numbers::pi * 1000.0 * static_cast<double>(i) / 44100));
    }
}

void BM_FullDuplexStream(benchmark::State& state) {
    QueueDispatcher dispatcher;
    PortAudioWaveService wave(dispatcher);
    Requeue outReceiver(wave, true);
    Requeue inReceiver(wave, false);
    std::array<Slot, 4> outSlots{Slot(44100), Slot(44100), Slot(44100), Slot(44100)};
    std::array<Slot, 2> inSlots{Slot(32000), Slot(32000)};
    if (wave.WaveOutOpen(&outReceiver.handle, WAVE_MAPPER, &MonoOut, &outReceiver) != 0 ||
        wave.WaveInOpen(&inReceiver.handle, WAVE_MAPPER, &StereoIn, &inReceiver) != 0) {
        state.SkipWithError("no sound device with input and output");
        return;
    }
    wave.TimeCallbacks(true);
    const double seconds = StreamSeconds();
    for (auto _ : state) {
        for (Slot& slot : outSlots) {
            FillSine(slot.data);
            wave.WaveOutPrepareHeader(outReceiver.handle, &slot.header, sizeof(WaveHeader));
            wave.WaveOutWrite(outReceiver.handle, &slot.header, sizeof(WaveHeader));
        }
        for (Slot& slot : inSlots) {
            wave.WaveInPrepareHeader(inReceiver.handle, &slot.header, sizeof(WaveHeader));
            wave.WaveInAddBuffer(inReceiver.handle, &slot.header, sizeof(WaveHeader));
        }
        wave.WaveInStart(inReceiver.handle);
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < end) {
            dispatcher.Drain();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    const StreamStatistics statistics = wave.Statistics();
    wave.WaveOutReset(outReceiver.handle);
    wave.WaveInReset(inReceiver.handle);
    dispatcher.Drain();
    wave.WaveOutClose(outReceiver.handle);
    wave.WaveInClose(inReceiver.handle);
    dispatcher.Drain();

    state.counters["seconds"] = seconds;
    state.counters["underruns"] = static_cast<double>(statistics.underruns);
    state.counters["overruns"] = static_cast<double>(statistics.overruns);
    state.counters["underruns_per_min"] =
        60.0 * static_cast<double>(statistics.underruns) / seconds;
    state.counters["overruns_per_min"] = 60.0 * static_cast<double>(statistics.overruns) / seconds;
    state.counters["callbacks_per_s"] = static_cast<double>(statistics.callbacks) / seconds;
    state.counters["callback_cpu_us_per_s"] =
        static_cast<double>(statistics.callbackNanoseconds) / 1000.0 / seconds;
}
BENCHMARK(BM_FullDuplexStream)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
