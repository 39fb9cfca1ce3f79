// SPDX-License-Identifier: MIT
#include "platform/sim/SoundFileReader.h"

#include "platform/sim/SimulatedCard.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <utility>

namespace platform::sim {

namespace {

// Frames that one call of libsndfile reads at most; sizes the only buffer the reader holds.
constexpr std::size_t kFramesPerRead = 4096;

// Samples are read as floats so that every format, integer or floating-point, comes with full
// scale 1.0; 16-bit samples come back exactly and 1.0 is the largest 16-bit value.
std::int16_t ToSample(float value) {
    const long scaled = std::lround(static_cast<double>(value) * 32768.0);
    return static_cast<std::int16_t>(std::clamp(scaled, -32768L, 32767L));
}

} // namespace

void RefuseSoundFile(const std::string& path, const std::string& reason) {
    throw std::runtime_error("cannot play sound file '" + path + "': " + reason);
}

SoundFileReader::SoundFileReader(const std::string& path) : path_(path) {
    file_.reset(sf_open(path.c_str(), SFM_READ, &info_));
    if (file_ == nullptr) {
        // libsndfile says whether the file is missing, unreadable or of an unknown format.
        RefuseSoundFile(path, sf_strerror(nullptr));
    }
    if (info_.samplerate != static_cast<int>(kFrameRate)) {
        RefuseSoundFile(path, "its rate is " + std::to_string(info_.samplerate) +
                                  " Hz; the sound card records at 44100 Hz");
    }
    if (info_.channels < 1 || info_.channels > 2) {
        RefuseSoundFile(path, "it has " + std::to_string(info_.channels) +
                                  " channels; the sound card takes one or two");
    }
    if (info_.frames <= 0) {
        RefuseSoundFile(path, "it holds no sound");
    }
    samples_.resize(kFramesPerRead * static_cast<std::size_t>(info_.channels));
}

std::size_t SoundFileReader::Read(std::int16_t* stereo, std::size_t frames) {
    const auto channels = static_cast<std::size_t>(info_.channels);
    std::size_t done = 0;
    while (done < frames && endReason_.empty()) {
        const std::size_t wanted = std::min(frames - done, kFramesPerRead);
        const sf_count_t got =
            sf_readf_float(file_.get(), samples_.data(), static_cast<sf_count_t>(wanted));
        const std::size_t count = got > 0 ? static_cast<std::size_t>(got) : 0;
        for (std::size_t i = 0; i < count; ++i, ++done) {
            stereo[2 * done] = ToSample(samples_[i * channels]);
            stereo[2 * done + 1] = ToSample(samples_[i * channels + channels - 1]);
        }
        sinceStart_ += count;
        if (count < wanted) {
            AtEnd();
        }
    }
    return done;
}

// A short read is the end of what the file really holds, whatever its header announced (a
// truncated file, a pipe), or a failure. A file that fails part-way but can seek is played up to
// the failure and started over, as a truncated one is; libsndfile keeps reporting the failure,
// so it is passed on only once.
void SoundFileReader::AtEnd() {
    const bool failed = sf_error(file_.get()) != SF_ERR_NO_ERROR;
    const std::string failure =
        failed ? std::string("reading failed: ") + sf_strerror(file_.get()) : std::string();
    if (sinceStart_ == 0) {
        endReason_ = failed ? failure : "it holds no sound";
    } else if (info_.seekable == 0) {
        endReason_ = failed ? failure : "it was read to its end and cannot be started over";
    } else if (sf_seek(file_.get(), 0, SEEK_SET) != 0) {
        endReason_ =
            failed ? failure : "starting it over failed: " + std::string(sf_strerror(file_.get()));
    } else {
        sinceStart_ = 0;
        if (failed && !failureSeen_) {
            failureSeen_ = true;
            trouble_ = failure;
        }
    }
}

std::string SoundFileReader::TakeTrouble() {
    return std::exchange(trouble_, {});
}

} // namespace platform::sim
