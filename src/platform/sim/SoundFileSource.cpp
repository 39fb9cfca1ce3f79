// SPDX-License-Identifier: MIT
#include "platform/sim/SoundFileSource.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

namespace platform::sim {

namespace {

struct SoundFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};

[[noreturn]] void Fail(const std::string& path, const std::string& reason) {
    throw std::runtime_error("cannot play sound file '" + path + "': " + reason);
}

// Samples are read as floats so that every format, integer or floating-point, comes with full
// scale 1.0; 16-bit samples come back exactly and 1.0 is the largest 16-bit value.
std::int16_t ToSample(float value) {
    const long scaled = std::lround(static_cast<double>(value) * 32768.0);
    return static_cast<std::int16_t>(std::clamp(scaled, -32768L, 32767L));
}

} // namespace

SoundFileSource::SoundFileSource(const std::string& path) {
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SoundFileCloser> file(sf_open(path.c_str(), SFM_READ, &info));
    if (file == nullptr) {
        // libsndfile says whether the file is missing, unreadable or of an unknown format.
        Fail(path, sf_strerror(nullptr));
    }
    if (info.samplerate != static_cast<int>(kFrameRate)) {
        Fail(path, "its rate is " + std::to_string(info.samplerate) +
                       " Hz; the sound card records at 44100 Hz");
    }
    if (info.channels < 1 || info.channels > 2) {
        Fail(path, "it has " + std::to_string(info.channels) +
                       " channels; the sound card takes one or two");
    }
    if (info.frames <= 0) {
        Fail(path, "it holds no sound");
    }
    const auto channels = static_cast<std::size_t>(info.channels);
    std::vector<float> samples(static_cast<std::size_t>(info.frames) * channels);
    const sf_count_t read = sf_readf_float(file.get(), samples.data(), info.frames);
    if (read <= 0) {
        Fail(path, std::string("reading failed: ") + sf_strerror(file.get()));
    }
    frames_.resize(2 * static_cast<std::size_t>(read));
    for (std::size_t i = 0; i < static_cast<std::size_t>(read); ++i) {
        frames_[2 * i] = ToSample(samples[i * channels]);
        frames_[2 * i + 1] = ToSample(samples[i * channels + channels - 1]);
    }
}

void SoundFileSource::Render(const std::int16_t*, std::size_t frames, std::int16_t* stereo) {
    const std::size_t length = Frames();
    for (std::size_t i = 0; i < frames; ++i) {
        stereo[2 * i] = frames_[2 * position_];
        stereo[2 * i + 1] = frames_[2 * position_ + 1];
        position_ = position_ + 1 == length ? 0 : position_ + 1;
    }
}

} // namespace platform::sim
