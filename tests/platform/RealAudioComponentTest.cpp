// SPDX-License-Identifier: MIT
// The stream components on the real sound card: a tone played into the sound server's null
// sink comes back through its monitor; a device that does not exist; capture bursts that end
// by themselves.

#include "audio/AudioIO.h"
#include "platform/BufferMemory.h"
#include "platform/portaudio/PortAudioWaveService.h"

#include "RealAudioSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

namespace platform {
namespace {

using namespace std::chrono_literals;

constexpr int Rate = 44100;

// Fills playback buffers with a continuous 16-bit mono sine.
class SineSource {
public:
    explicit SineSource(double frequency) : step_(2 * std::numbers::pi * frequency / Rate) {}
    bool Fill(char* buffer, int& size) {
        const int samples = size / 2;
        for (int i = 0; i < samples; ++i) {
            const auto value = static_cast<std::int16_t>(std::lround(16000 * std::sin(phase_)));
            std::memcpy(buffer + 2 * i, &value, 2);
            phase_ = std::fmod(phase_ + step_, 2 * std::numbers::pi);
        }
        size = samples * 2;
        return true;
    }

private:
    double step_;
    double phase_ = 0;
};

// Rising zero crossings of one channel of interleaved stereo, in fractional frames. A crossing
// counts only after the signal has been below a tenth of its peak under zero since the last
// one, so that noise around the tone's start or a resampler's ringing does not count.
std::vector<double> RisingCrossings(const std::vector<std::int16_t>& stereo, int channel) {
    double peak = 0;
    for (std::size_t i = channel; i < stereo.size(); i += 2) {
        peak = std::max(peak, std::abs(static_cast<double>(stereo[i])));
    }
    std::vector<double> crossings;
    bool armed = false;
    for (std::size_t frame = 1; frame < stereo.size() / 2; ++frame) {
        const double before = stereo[2 * (frame - 1) + channel];
        const double now = stereo[2 * frame + channel];
        armed = armed || before < -peak / 10;
        if (armed && before < 0 && now >= 0) {
            crossings.push_back(static_cast<double>(frame - 1) + before / (before - now));
            armed = false;
        }
    }
    return crossings;
}

// The periods between successive crossings, in frames.
std::vector<double> Periods(const std::vector<double>& crossings) {
    std::vector<double> periods;
    for (std::size_t i = 1; i < crossings.size(); ++i) {
        periods.push_back(crossings[i] - crossings[i - 1]);
    }
    return periods;
}

double Median(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

class RealAudioComponents : public ::testing::Test {
protected:
    void SetUp() override { REQUIRE_SOUND_SERVER(); }

    QueueDispatcher dispatcher;
    PortAudioWaveService wave{dispatcher};
    HeapBufferMemory memory;
};

TEST_F(RealAudioComponents, AToneCapturedThroughTheMonitorHoldsItsFrequencyOnBothChannels) {
    audio::TAudioOut out({wave, memory});
    out.SetBufferSize(17640); // 0.2 s, so 0.8 s of tone lies ahead of the device
    out.SetNumBuffers(4);
    out.SetFrameRate(Rate);
    out.SetStereo(false);
    SineSource sine(1000.0);
    bool playing = true;
    out.OnFillBuffer = [&](char* buffer, int& size) { return playing && sine.Fill(buffer, size); };

    audio::TAudioIn in({wave, memory});
    in.SetBufferSize(32000);
    in.SetNumBuffers(4);
    in.SetFrameRate(Rate);
    in.SetStereo(true);
    constexpr std::size_t Blocks = 8;
    std::vector<std::int16_t> captured;
    std::vector<char*> order;
    std::vector<int> sizes;
    in.OnBufferFilled = [&](char* buffer, int& size) {
        if (order.size() == Blocks) {
            return false; // the buffers still with the device come back once more
        }
        order.push_back(buffer);
        sizes.push_back(size);
        const std::size_t start = captured.size();
        captured.resize(start + static_cast<std::size_t>(size) / 2);
        std::memcpy(captured.data() + start, buffer, static_cast<std::size_t>(size));
        return order.size() < Blocks;
    };

    ASSERT_TRUE(out.Start()) << out.LastError();
    DrainFor(dispatcher, 300ms); // the tone reaches the sink before capture starts
    ASSERT_TRUE(in.Start()) << in.LastError();
    ASSERT_TRUE(DrainUntil(
        dispatcher, [&] { return !in.DeviceOpen(); }, 10s));
    playing = false;
    ASSERT_TRUE(DrainUntil(
        dispatcher, [&] { return !out.DeviceOpen(); }, 5s));

    ASSERT_EQ(order.size(), Blocks);
    for (std::size_t block = 0; block < Blocks; ++block) {
        EXPECT_EQ(order[block], in.Header(static_cast<int>(block % 4))->data) << block;
        EXPECT_EQ(sizes[block], 32000) << block;
    }
    for (int channel = 0; channel < 2; ++channel) {
        const std::vector<double> periods = Periods(RisingCrossings(captured, channel));
        ASSERT_GT(periods.size(), 1000u) << "channel " << channel << " holds no tone";
        EXPECT_NEAR(Rate / Median(periods), 1000.0, 10.0) << "channel " << channel;
        if (ServerResamples()) {
            continue;
        }
        // A lost or repeated stretch anywhere in the blocks would break one period.
        for (std::size_t i = 0; i < periods.size(); ++i) {
            ASSERT_NEAR(periods[i], Rate / 1000.0, 1.0) << "channel " << channel << " period " << i;
        }
    }
}

TEST_F(RealAudioComponents, CaptureBurstsWhoseHandlerDeclinesEndByThemselvesAndStartAgain) {
    audio::TAudioIn in({wave, memory});
    in.SetBufferSize(32000);
    in.SetNumBuffers(2);
    in.SetFrameRate(Rate);
    in.SetStereo(true);
    std::vector<char*> order;
    in.OnBufferFilled = [&](char* buffer, int&) {
        order.push_back(buffer);
        return false;
    };
    int stops = 0;
    in.OnStop = [&](void*) { ++stops; };

    for (int burst = 1; burst <= 20; ++burst) {
        ASSERT_TRUE(in.Start()) << "burst " << burst << ": " << in.LastError();
        ASSERT_TRUE(DrainUntil(
            dispatcher, [&] { return stops == burst; }, 5s))
            << "burst " << burst << " did not end";
        ASSERT_EQ(order.size(), static_cast<std::size_t>(2 * burst));
        EXPECT_EQ(order[order.size() - 2], in.Header(0)->data);
        EXPECT_EQ(order.back(), in.Header(1)->data);
        EXPECT_FALSE(in.DeviceOpen());
    }
}

TEST(RealAudioMissingDevice, OpeningFailsWithPortAudiosTextAndLeavesTheComponentClosed) {
    QueueDispatcher dispatcher;
    PaDeviceIndex missing = 0;
    {
        PortAudioSession session;
        missing = Pa_GetDeviceCount() + 7;
    }
    PortAudioWaveService wave(dispatcher, missing);
    HeapBufferMemory memory;
    audio::TAudioIn in({wave, memory});
    in.SetStereo(true);
    audio::TAudioOut out({wave, memory});
    SineSource sine(440.0);
    out.OnFillBuffer = [&](char* buffer, int& size) { return sine.Fill(buffer, size); };
    int events = 0;
    in.OnStart = out.OnStart = [&](void*) { ++events; };

    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_FALSE(in.Start());
        EXPECT_EQ(in.LastError(), Pa_GetErrorText(paInvalidDevice));
        EXPECT_FALSE(in.DeviceOpen());
        EXPECT_FALSE(in.Running());
        EXPECT_FALSE(out.Start());
        EXPECT_EQ(out.LastError(), Pa_GetErrorText(paInvalidDevice));
        EXPECT_FALSE(out.DeviceOpen());
    }
    DrainFor(dispatcher, 50ms);
    EXPECT_EQ(events, 0);
}

} // namespace
} // namespace platform
