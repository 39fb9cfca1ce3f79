// SPDX-License-Identifier: MIT
// The whole instrument as a user runs it: the window on the offscreen platform (unless a
// platform is set), its acquisition cycle, display and generator output, on the simulated card
// in real time (or the sound card that OSC_BENCH_AUDIO names, e.g. "auto") for
// OSC_BENCH_SECONDS (20 by default). Reports, per second of running: the process's CPU seconds
// (all its threads), idle passes, repaints of the client area, captured blocks, and the largest
// gap between two blocks in milliseconds.

#include "app/program/QtDispatcher.h"
#include "app/window/ErrorReport.h"
#include "app/window/TForm1.h"

#include "platform/AudioSystemChoice.h"
#include "platform/BufferMemory.h"

#include <benchmark/benchmark.h>

#include <QEvent>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double EnvNumber(const char* name, double fallback) {
    const char* text = std::getenv(name);
    return text != nullptr ? std::atof(text) : fallback;
}

std::string EnvText(const char* name, const char* fallback) {
    const char* text = std::getenv(name);
    return text != nullptr ? text : fallback;
}

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Counts the events of one kind that reach one object, without changing them.
class EventCounter final : public QObject {
public:
    EventCounter(QObject* target, QEvent::Type type) : type_(type) {
        target->installEventFilter(this);
    }
    long count = 0;

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        count += event->type() == type_ ? 1 : 0;
        return false;
    }

private:
    QEvent::Type type_;
};

void BM_InstrumentRunning(benchmark::State& state) {
    int argc = 1;
    char name[] = "instrument_bench";
    char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    app::ErrorReportApplication application(argc, argv);
    app::QtDispatcher dispatcher;
    dispatcher.SetErrorSink(app::ReportError);
    platform::AudioSystem system =
        platform::OpenAudioSystem(EnvText("OSC_BENCH_AUDIO", "sim"), dispatcher);
    platform::HeapBufferMemory memory;
    app::TForm1 form(app::FormServices{*system.wave, *system.volume, memory, *system.mixer});
    // OSC_BENCH_IDLE=busy measures the busy idle loop for comparison.
    if (EnvText("OSC_BENCH_IDLE", "") == "busy") {
        form.SetIdleMode(app::IdleMode::Busy);
    }

    EventCounter passes(form.idleTimer, QEvent::Timer);
    EventCounter repaints(form.centralWidget(), QEvent::Paint);
    long blocks = 0;
    Clock::duration largestGap{};
    Clock::time_point lastBlock = Clock::now();
    auto measuredHandler = form.AudioIn1.OnBufferFilled;
    form.AudioIn1.OnBufferFilled = [&](char* buffer, int& size) {
        const Clock::time_point now = Clock::now();
        largestGap = std::max(largestGap, now - lastBlock);
        lastBlock = now;
        ++blocks;
        return measuredHandler(buffer, size);
    };

    const double seconds = EnvNumber("OSC_BENCH_SECONDS", 20.0);
    form.show();
    for (auto _ : state) {
        const double cpuBefore = ProcessCpuSeconds();
        const Clock::time_point start = Clock::now();
        QTimer::singleShot(static_cast<int>(seconds * 1000), &application, &QCoreApplication::quit);
        application.exec();
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(elapsed);
        state.counters["cpu_s_per_s"] = (ProcessCpuSeconds() - cpuBefore) / elapsed;
        state.counters["passes_per_s"] = passes.count / elapsed;
        state.counters["repaints_per_s"] = repaints.count / elapsed;
        state.counters["blocks_per_s"] = blocks / elapsed;
        state.counters["largest_gap_ms"] =
            std::chrono::duration<double, std::milli>(largestGap).count();
    }
    form.close();
    QCoreApplication::sendPostedEvents();
}

BENCHMARK(BM_InstrumentRunning)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace
