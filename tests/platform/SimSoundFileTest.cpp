// SPDX-License-Identifier: MIT
// Sound files played into the simulated card's input.
#include "SimCardTestSupport.h"

#include "platform/sim/SoundFileSource.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

using namespace simtest;
using platform::sim::SoundFileSource;

namespace {

namespace fs = std::filesystem;

class SimSoundFile : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        directory = fs::temp_directory_path() /
                    ("sim-sound-" + std::to_string(getpid()) + "-" + test->name());
        fs::create_directories(directory);
    }
    void TearDown() override { fs::remove_all(directory); }

    // Writes a WAV file of interleaved `samples` and returns its path.
    std::string Write(const std::string& name, int rate, int channels,
                      const std::vector<std::int16_t>& samples) {
        return WriteFormat(name, rate, channels, samples, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    }

    // Writes `samples` in any format, floating-point ones with full scale 1.0.
    std::string WriteFormat(const std::string& name, int rate, int channels,
                            const std::vector<std::int16_t>& samples, int format) {
        const std::string path = (directory / name).string();
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = channels;
        info.format = format;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
        if (file != nullptr) {
            sf_command(file, SFC_SET_SCALE_INT_FLOAT_WRITE, nullptr, SF_TRUE);
            sf_writef_short(file, samples.data(),
                            static_cast<sf_count_t>(samples.size()) / channels);
            sf_close(file);
        }
        return path;
    }

    static std::vector<std::int16_t> Render(SoundFileSource& source, std::size_t frames) {
        std::vector<std::int16_t> played(frames, 1234), stereo(2 * frames);
        source.Render(played.data(), frames, stereo.data());
        return stereo;
    }

    // The message of the error that opening `path` throws; empty when nothing is thrown.
    static std::string OpenError(const std::string& path) {
        try {
            SoundFileSource source(path);
        } catch (const std::runtime_error& error) {
            return error.what();
        }
        return {};
    }

    fs::path directory;
};

TEST_F(SimSoundFile, StereoFileFeedsRFromItsFirstChannelAndLFromItsSecondOverAndOver) {
    SoundFileSource source(Write("stereo.wav", 44100, 2, {10, -10, 20, -20, 30, -30}));
    EXPECT_EQ(source.Frames(), 3u);
    EXPECT_EQ(Render(source, 4), (std::vector<std::int16_t>{10, -10, 20, -20, 30, -30, 10, -10}));
    EXPECT_EQ(Render(source, 3), (std::vector<std::int16_t>{20, -20, 30, -30, 10, -10}))
        << "the loop goes on where the last step ended";
}

TEST_F(SimSoundFile, FloatDoubleAnd24BitFilesPlayAsThe16BitSamples) {
    const std::vector<std::int16_t> samples{0, 1, -1, 12345, -12345, 32767, -32768, 16384};
    for (const int subtype :
         {SF_FORMAT_PCM_16, SF_FORMAT_PCM_24, SF_FORMAT_FLOAT, SF_FORMAT_DOUBLE}) {
        SCOPED_TRACE(subtype);
        SoundFileSource source(
            WriteFormat("format.wav", 44100, 1, samples, SF_FORMAT_WAV | subtype));
        const std::vector<std::int16_t> stereo = Render(source, samples.size());
        for (std::size_t i = 0; i < samples.size(); ++i) {
            EXPECT_NEAR(stereo[2 * i], samples[i], 1) << "sample " << i;
            EXPECT_NEAR(stereo[2 * i + 1], samples[i], 1) << "sample " << i;
        }
    }
}

TEST_F(SimSoundFile, FloatFullScaleIsTheLargest16BitValue) {
    const std::string path = (directory / "full.wav").string();
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    const float values[] = {1.0f, -1.0f, 0.5f, 2.0f};
    sf_writef_float(file, values, 4);
    sf_close(file);
    SoundFileSource source(path);
    EXPECT_EQ(Render(source, 4), (std::vector<std::int16_t>{32767, 32767, -32768, -32768, 16384,
                                                            16384, 32767, 32767}));
}

TEST_F(SimSoundFile, MonoFileFeedsBothChannels) {
    SoundFileSource source(Write("mono.wav", 44100, 1, {-32768, 32767}));
    EXPECT_EQ(Render(source, 3),
              (std::vector<std::int16_t>{-32768, -32768, 32767, 32767, -32768, -32768}));
}

TEST_F(SimSoundFile, FilesTheCardCannotPlayAreRefusedWithTheFileAndTheReason) {
    const std::string wrongRate = Write("rate.wav", 48000, 2, {1, 2});
    std::string error = OpenError(wrongRate);
    EXPECT_NE(error.find(wrongRate), std::string::npos) << error;
    EXPECT_NE(error.find("48000"), std::string::npos) << error;
    EXPECT_NE(error.find("44100"), std::string::npos) << error;

    error = OpenError(Write("three.wav", 44100, 3, {1, 2, 3}));
    EXPECT_NE(error.find("3 channels"), std::string::npos) << error;

    error = OpenError(Write("empty.wav", 44100, 1, {}));
    EXPECT_NE(error.find("no sound"), std::string::npos) << error;

    const std::string missing = (directory / "missing.wav").string();
    error = OpenError(missing);
    EXPECT_NE(error.find(missing), std::string::npos) << error;
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;

    const std::string text = (directory / "notes.wav").string();
    std::ofstream(text) << "not a sound file at all, just words";
    error = OpenError(text);
    EXPECT_NE(error.find(text), std::string::npos) << error;
    EXPECT_GT(error.size(), text.size() + 25) << "says why: " << error;
}

TEST_F(SimSoundFile, TheCardRecordsTheFileExactly) {
    std::vector<std::int16_t> samples;
    for (int i = 0; i < 1000; ++i) {
        samples.push_back(static_cast<std::int16_t>(i * 30));
        samples.push_back(static_cast<std::int16_t>(-i * 7));
    }
    QueueDispatcher dispatcher;
    platform::sim::SimulatedCard card(dispatcher);
    card.SetSource(std::make_unique<SoundFileSource>(Write("ramp.wav", 44100, 2, samples)));
    const WaveFormat stereo = Pcm(2, 16);
    WaveInHandle in = 0;
    ASSERT_EQ(card.WaveInOpen(&in, 0, &stereo, nullptr), 0u);
    Buffer recorded(4 * 1000);
    ASSERT_EQ(card.WaveInPrepareHeader(in, &recorded.header, sizeof(WaveHeader)), 0u);
    ASSERT_EQ(card.WaveInAddBuffer(in, &recorded.header, sizeof(WaveHeader)), 0u);
    ASSERT_EQ(card.WaveInStart(in), 0u);
    card.AdvanceFrames(1000);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ(recorded.Sample(i), samples[i]) << i;
    }
}

} // namespace
