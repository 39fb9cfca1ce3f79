// SPDX-License-Identifier: MIT
// The window's generators on the real sound path: the output goes to the sound server's null
// sink, and a capture stream on its monitor hears generator 2's tone and the swept blocks.

#include "Form1TestRig.h"

#include "platform/portaudio/PortAudioWaveService.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string_view>
#include <thread>

namespace app {
namespace {

using namespace std::chrono_literals;

// Delivers notifications, as the UI thread would, until `done` holds or `timeout` has passed.
bool DrainUntil(platform::QueueDispatcher& dispatcher, const std::function<bool()>& done,
                std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        dispatcher.Drain();
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

class RealAudioGenerators : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("OSC_SOUND_SERVER") == nullptr) {
            GTEST_SKIP() << "no sound server: scripts/test.sh starts PulseAudio for this test";
        }
        test::EnsureApplication();
        form = std::make_unique<TForm1>(FormServices{wave, volumes, memory, mixers});
    }
    void TearDown() override {
        form.reset();
        dispatcher.Drain();
    }

    // Waits until the blocks queued before a change have played, so that the output carries it.
    void PlayOutQueuedBlocks() {
        const int done = form->AudioOut1.BuffersDone();
        ASSERT_TRUE(DrainUntil(
            dispatcher, [&] { return form->AudioOut1.BuffersDone() >= done + 5; }, 20s));
    }

    // Channel 0 of `blocks` blocks of 8000 frames captured from the monitor.
    std::vector<std::int16_t> Capture(std::size_t blocks) {
        audio::TAudioIn in({wave, memory});
        in.SetBufferSize(32000);
        in.SetNumBuffers(4);
        in.SetFrameRate(44100);
        in.SetStereo(true);
        std::vector<std::int16_t> captured;
        std::size_t taken = 0;
        in.OnBufferFilled = [&](char* buffer, int& size) {
            if (taken == blocks) {
                return false;
            }
            ++taken;
            for (int i = 0; i + 4 <= size; i += 4) {
                std::int16_t value;
                std::memcpy(&value, buffer + i, 2);
                captured.push_back(value);
            }
            return taken < blocks;
        };
        EXPECT_TRUE(in.Start()) << in.LastError();
        EXPECT_TRUE(DrainUntil(
            dispatcher, [&] { return !in.DeviceOpen(); }, 20s));
        return captured;
    }

    platform::QueueDispatcher dispatcher;
    platform::PortAudioWaveService wave{dispatcher};
    platform::sim::SimVolumes volumes; // the real mixer stays untouched
    platform::HeapBufferMemory memory;
    platform::sim::SimMixerDevices mixers;
    std::unique_ptr<TForm1> form;
};

// Rising zero crossings, in fractional frames. A crossing counts only after the signal has
// been below a tenth of its peak under zero since the last one: a server that resamples
// (PipeWire) rings after each phase jump of the swept blocks, which would otherwise cross zero
// where the tone does not.
std::vector<double> RisingCrossings(const std::vector<std::int16_t>& s) {
    double peak = 0;
    for (const std::int16_t value : s) {
        peak = std::max(peak, std::abs(static_cast<double>(value)));
    }
    std::vector<double> crossings;
    bool armed = false;
    for (std::size_t i = 1; i < s.size(); ++i) {
        const double before = s[i - 1], now = s[i];
        armed = armed || before < -peak / 10;
        if (armed && before < 0 && now >= 0) {
            crossings.push_back(static_cast<double>(i - 1) + before / (before - now));
            armed = false;
        }
    }
    return crossings;
}

TEST_F(RealAudioGenerators, Generator2At12345HzReachesTheSink) {
    form->zobrazit2->trigger();
    form->ComboBox411->setCurrentIndex(2);
    emit form->ComboBox411->activated(2);
    form->ScrollBar406->setValue(12345);
    form->ScrollBar403->setValue(16000);
    form->zruit1->trigger();
    PlayOutQueuedBlocks();
    const std::vector<double> crossings = RisingCrossings(Capture(8));
    ASSERT_GT(crossings.size(), 10000u) << "no tone";
    const double seconds = (crossings.back() - crossings.front()) / 44100;
    // Each 0.5 s block restarts the phase, which moves at most one crossing per block.
    EXPECT_NEAR((crossings.size() - 1) / seconds, 12345, 5);
}

TEST_F(RealAudioGenerators, SweptBlocksRiseAndRestartEvery5000Samples) {
    form->zobrazit4->trigger();
    form->Button103->click();
    PlayOutQueuedBlocks();
    const std::vector<double> crossings = RisingCrossings(Capture(8));
    ASSERT_GT(crossings.size(), 100u) << "no sweep";
    // A block starts low again: the period jumps up. Between two such restarts lies one whole
    // block, 5000 samples, whose periods shrink as the frequency rises.
    std::vector<double> restarts;
    for (std::size_t i = 2; i < crossings.size(); ++i) {
        if (crossings[i] - crossings[i - 1] > 2 * (crossings[i - 1] - crossings[i - 2])) {
            restarts.push_back(crossings[i - 1]);
        }
    }
    ASSERT_GE(restarts.size(), 8u);
    // A resampling server (PipeWire) on a loaded machine may drop one of its cycles, which
    // upsets the spans on either side of it; every other block still spans 5000 samples.
    const bool resamples = std::string_view(std::getenv("OSC_SOUND_SERVER")) == "pipewire";
    int moved = 0;
    for (std::size_t k = 1; k < restarts.size(); ++k) {
        moved += std::abs(restarts[k] - restarts[k - 1] - 5000) > 30 ? 1 : 0;
    }
    EXPECT_LE(moved, resamples ? 2 : 0) << "restarts not 5000 samples apart";
    const double first = restarts[1], last = restarts[2];
    std::vector<double> periods;
    for (std::size_t i = 1; i < crossings.size(); ++i) {
        if (crossings[i - 1] >= first && crossings[i] < last) {
            periods.push_back(crossings[i] - crossings[i - 1]);
        }
    }
    ASSERT_GT(periods.size(), 20u);
    // The frequency steps make the phase jump a little, so single periods jitter; their means
    // over the block's first and last third fall steadily.
    const std::size_t third = periods.size() / 3;
    auto mean = [&](std::size_t from) {
        double sum = 0;
        for (std::size_t i = from; i < from + third; ++i) {
            sum += periods[i];
        }
        return sum / static_cast<double>(third);
    };
    EXPECT_GT(mean(0), 2 * mean(third));
    EXPECT_GT(mean(third), 1.2 * mean(2 * third));
}

} // namespace
} // namespace app
