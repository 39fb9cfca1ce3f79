// SPDX-License-Identifier: MIT
#include "analysis/Distortion.h"

#include "analysis/BlockCheck.h"
#include "analysis/SineFit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace analysis {

DistortionResult DistortionAnalyzer::Analyze(std::span<const std::int32_t> samples,
                                             double sampleRate, double scale,
                                             const Spectrum& spectrum) {
    DistortionResult result;
    const BlockCheck check = CheckBlock(samples);
    result.silent = check.silent;
    result.clipped = check.clipped;

    if (spectrum.rms.size() > 1) {
        scratch.assign(spectrum.rms.begin() + 1, spectrum.rms.end());
        const auto middle = scratch.begin() + static_cast<std::ptrdiff_t>(scratch.size() / 2);
        std::nth_element(scratch.begin(), middle, scratch.end());
        result.noiseFloorDb = LevelDb(*middle);
    }
    if (samples.size() < kMinBlockSize) {
        return result;
    }

    const auto fundamental = finder.Find(samples, sampleRate, check);
    double signalPower = 0; // the fundamental's
    double restPower = check.acPower;
    if (fundamental) {
        signalPower = std::norm(fundamental->amplitude) / 2;
        restPower = fundamental->residualPower;
        const double f0 = fundamental->frequency;
        result.frequency = f0;
        // Orders up to 10 whose line lies more than a bin below the Nyquist frequency.
        const double highest = sampleRate / 2 - sampleRate / static_cast<double>(samples.size());
        const int orders =
            std::clamp(static_cast<int>(std::ceil(highest / f0)) - 1, 1, kMaxHarmonicOrder);
        const auto fit = FitHarmonics(samples, f0, sampleRate, orders);
        const double a1 = fit ? std::abs(fit->amplitude[0]) : 0;
        if (a1 > 0) {
            const double toRms = scale / std::numbers::sqrt2;
            result.fundamentalRms = a1 * toRms;
            double harmonicPower = 0;
            for (int k = 2; k <= orders; ++k) {
                const double ak = std::abs(fit->amplitude[k - 1]);
                harmonicPower += ak * ak;
                result.harmonics.push_back({k, k * f0, ak * toRms, 100 * ak / a1});
            }
            if (orders >= 2) {
                result.thdPercent = 100 * std::sqrt(harmonicPower) / a1;
            }
        }
    }
    const double total = signalPower + restPower;
    if (total > 0) {
        result.thdNoisePercent = 100 * std::sqrt(restPower / total);
        if (restPower > 0) {
            result.sinadDb = 10 * std::log10(total / restPower);
        }
    }
    return result;
}

} // namespace analysis
