// SPDX-License-Identifier: MIT
#pragma once

// Test signals for the analysis layer: sums of planted sines on a captured block's sample grid,
// rounded to sample units and held within the card's rails as a card would deliver them.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <numbers>
#include <random>
#include <vector>

namespace analysis_test {

inline constexpr double kRate = 44100.0;
inline constexpr std::size_t kBlock = 8000;

struct Tone {
    double amplitude; // peak, sample units
    double frequency; // Hz
    double phase;     // radians at the block's first sample (a cosine)
};

struct Noise {
    double rms = 0; // sample units, Gaussian
    unsigned seed = 1;
};

inline std::vector<std::int32_t> Signal(std::initializer_list<Tone> tones, double dc = 0,
                                        Noise noise = {}, std::size_t n = kBlock) {
    std::mt19937 random(noise.seed);
    std::normal_distribution<double> gauss(0, noise.rms > 0 ? noise.rms : 1);
    std::vector<std::int32_t> x(n);
    for (std::size_t i = 0; i < n; ++i) {
        double v = dc + (noise.rms > 0 ? gauss(random) : 0);
        for (const Tone& t : tones) {
            v += t.amplitude *
                 std::cos(2 * std::numbers::pi * t.frequency * static_cast<double>(i) / kRate +
                          t.phase);
        }
        x[i] = static_cast<std::int32_t>(std::clamp(std::nearbyint(v), -32768.0, 32767.0));
    }
    return x;
}

inline double Radians(double degrees) {
    return degrees * std::numbers::pi / 180;
}
inline double Degrees(double radians) {
    return radians * 180 / std::numbers::pi;
}

} // namespace analysis_test
