// SPDX-License-Identifier: MIT
#include "analysis/Fundamental.h"

#include "analysis/BlockCheck.h"
#include "analysis/SineFit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace analysis {

namespace {

// Refinement steps: each one shrinks the error by a large factor, so a handful is plenty.
constexpr int kMaxRefinements = 8;
// A step this small relative to the frequency means it has settled.
constexpr double kSettled = 1e-7;
// Over a half block of fewer periods than this, harmonics leak into the fundamental's fit
// enough to pull the frequency (0.2 % for a square wave at 30 Hz): a last step then fits the
// halves with the harmonics that the FFT shows, which converges at once.
constexpr double kFewPeriods = 10;
// Harmonics under this share of the fundamental's amplitude pull the frequency by less than
// 1e-5 and are left out of that step.
constexpr double kHarmonicPull = 1e-3;

} // namespace

int FundamentalFinder::RefinementOrders(double frequency, double sampleRate,
                                        std::size_t half) const {
    if (frequency * static_cast<double>(half) / sampleRate >= kFewPeriods) {
        return 1;
    }
    const double binWidth = sampleRate / static_cast<double>(2 * (lines.size() - 1));
    // The strongest of the bins around a frequency: a line spreads over three Hann bins.
    auto level = [&](double f) {
        const auto bin = static_cast<std::size_t>(std::lround(f / binWidth));
        float strongest = 0;
        for (std::size_t k = std::max<std::size_t>(bin, 1) - 1; k <= bin + 1 && k < lines.size();
             ++k) {
            strongest = std::max(strongest, std::abs(lines[k]));
        }
        return strongest;
    };
    const double highest = sampleRate / 2 - 2 * sampleRate / static_cast<double>(half);
    const float threshold = static_cast<float>(kHarmonicPull) * level(frequency);
    int orders = 1;
    for (int k = 2; k <= kMaxHarmonicOrder && k * frequency < highest; ++k) {
        orders = level(k * frequency) > threshold ? k : orders;
    }
    return orders;
}

std::optional<double> FundamentalFinder::CoarseFrequency(std::span<const std::int32_t> samples,
                                                         double mean, double sampleRate) {
    const std::size_t length = samples.size() & ~std::size_t{1};
    if (hann.size() != length) {
        hann.resize(length);
        for (std::size_t i = 0; i < length; ++i) {
            hann[i] = static_cast<float>(
                0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) /
                                     static_cast<double>(length)));
        }
    }
    const std::span<float> input = fft.Input(length);
    const auto offset = static_cast<float>(mean);
    for (std::size_t i = 0; i < length; ++i) {
        input[i] = (static_cast<float>(samples[i]) - offset) * hann[i];
    }
    lines = fft.Transform();
    const auto spectrum = lines;
    std::size_t peak = 1;
    float strongest = std::norm(spectrum[1]);
    for (std::size_t k = 2; k + 1 < spectrum.size(); ++k) {
        const float power = std::norm(spectrum[k]);
        if (power > strongest) {
            strongest = power;
            peak = k;
        }
    }
    // A tone between bins k and k + d (d = +-1) leaves the Hann magnitude ratio
    // r = |X[k + d]| / |X[k]| = (1 + delta) / (2 - delta) for an offset delta towards k + d.
    const double below = std::abs(spectrum[peak - 1]);
    const double at = std::abs(spectrum[peak]);
    const double above = std::abs(spectrum[peak + 1]);
    if (!(at > 0)) {
        return std::nullopt;
    }
    const double delta =
        above > below ? (2 * above - at) / (at + above) : -(2 * below - at) / (at + below);
    return (static_cast<double>(peak) + delta) * sampleRate / static_cast<double>(length);
}

std::optional<Fundamental> FundamentalFinder::Find(std::span<const std::int32_t> samples,
                                                   double sampleRate) {
    return Find(samples, sampleRate, CheckBlock(samples));
}

std::optional<Fundamental> FundamentalFinder::Find(std::span<const std::int32_t> samples,
                                                   double sampleRate, const BlockCheck& check) {
    const std::size_t n = samples.size();
    if (n < kMinBlockSize || !(sampleRate > 0)) {
        return std::nullopt;
    }
    const double mean = check.mean;
    const double acPower = check.acPower;
    if (std::max(check.high - mean, mean - check.low) < kSilentPeak) {
        return std::nullopt;
    }

    const auto coarse = CoarseFrequency(samples, mean, sampleRate);
    const double binWidth = sampleRate / static_cast<double>(n & ~std::size_t{1});
    const double lowest = kMinPeriods * sampleRate / static_cast<double>(n);
    if (!coarse || *coarse < lowest) {
        return std::nullopt;
    }
    // At the true frequency fits of the two halves find the same complex amplitude on the
    // block's time axis; off it the second half's phase runs ahead by the frequency error times
    // the halves' distance (n / 2 samples). That phase gives the next estimate. Plain sine fits
    // first; with few periods, steps that fit the harmonics too remove the pull of theirs.
    const std::size_t half = n / 2;
    const double distance = static_cast<double>(n) / 2;
    double frequency = *coarse;
    auto refine = [&](int orders, int steps) {
        for (int step = 0; step < steps; ++step) {
            const auto first = FitHarmonics(samples.first(half), frequency, sampleRate, orders, 0);
            const auto second =
                FitHarmonics(samples.subspan(half), frequency, sampleRate, orders, half);
            if (!first || !second || first->amplitude[0] == 0.0 || second->amplitude[0] == 0.0) {
                return false;
            }
            const double change = std::arg(second->amplitude[0] / first->amplitude[0]) *
                                  sampleRate / (2 * std::numbers::pi * distance);
            frequency += change;
            if (!(std::abs(frequency - *coarse) <= binWidth) || frequency < lowest) {
                return false;
            }
            if (std::abs(change) <= kSettled * frequency) {
                return true;
            }
        }
        return true;
    };
    if (!refine(1, kMaxRefinements)) {
        return std::nullopt;
    }
    const int orders = RefinementOrders(frequency, sampleRate, half);
    if (orders > 1 && !refine(orders, 1)) {
        return std::nullopt;
    }
    const auto whole = FitSine(samples, frequency, sampleRate);
    if (!whole || !(acPower > 0)) {
        return std::nullopt;
    }
    const double share = std::norm(whole->amplitude) / 2 / acPower;
    if (share < kMinFundamentalShare) {
        return std::nullopt;
    }
    return Fundamental{frequency, whole->amplitude, whole->dc, std::min(share, 1.0),
                       whole->residualPower};
}

} // namespace analysis
