// SPDX-License-Identifier: MIT
#pragma once

// A recording for the simulated card to play with --input: one second of stereo 16-bit frames
// at 44.1 kHz, which the card loops, voltage UR first and current IL second.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <utility>
#include <vector>

namespace app::test {

// `frame(k)` gives the (voltage, current) of frame k in sample units; clipped to 16 bits.
inline std::filesystem::path
WriteStereoWav(const std::filesystem::path& path,
               const std::function<std::pair<double, double>(int)>& frame) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
    std::vector<short> samples;
    for (int k = 0; k < 44100; ++k) {
        const auto [voltage, current] = frame(k);
        for (const double value : {voltage, current}) {
            samples.push_back(static_cast<short>(std::clamp(std::lround(value), -32768L, 32767L)));
        }
    }
    sf_writef_short(file, samples.data(), 44100);
    sf_close(file);
    return path;
}

} // namespace app::test
