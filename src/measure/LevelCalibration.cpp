// SPDX-License-Identifier: MIT
#include "measure/LevelCalibration.h"

#include "common/NumberText.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace measure {

std::uint16_t CalibratedPeak(std::uint16_t peak, double factor) {
    constexpr double largest = std::numeric_limits<std::uint16_t>::max();
    const double scaled = std::nearbyint(peak * factor);
    // NaN compares false: a broken factor gives the largest range, never a wrapped one.
    return static_cast<std::uint16_t>(scaled >= 0 && scaled <= largest ? scaled : largest);
}

bool FactorWithinBounds(double factor) {
    return factor >= kLowestFactor && factor <= kHighestFactor;
}

std::string FactorBoundsRefusal(double factor) {
    if (FactorWithinBounds(factor)) {
        return {};
    }
    return "the factor " + FactorText(factor) + " is outside " + FactorText(kLowestFactor) +
           " to " + FactorText(kHighestFactor) +
           " (20 dB either way, more than any card is off); check the reference and its unit";
}

CalibrationVerdict EvaluateCalibration(std::span<const BlockLevel> blocks, double reference) {
    if (blocks.empty()) {
        return {0, 0, "no block was measured"};
    }
    const auto [lowest, highest] =
        std::minmax_element(blocks.begin(), blocks.end(),
                            [](const BlockLevel& a, const BlockLevel& b) { return a.rms < b.rms; });
    std::uint16_t peak = 0;
    double sum = 0;
    for (const BlockLevel& block : blocks) {
        peak = std::max(peak, block.peak);
        sum += block.rms;
    }
    const double mean = sum / static_cast<double>(blocks.size());
    if (peak >= kClippedPeak) {
        return {0, 0, "the signal is clipped (its peak reaches full scale); lower it"};
    }
    if (peak < kWeakPeak) {
        return {0, 0,
                "the signal is too weak (peak " + common::FormatInt(peak) +
                    " of 32768, under 1 % of full scale); raise it"};
    }
    const double spread = (highest->rms - lowest->rms) / mean;
    if (!(spread <= kSteadySpread)) {
        return {0, 0,
                "the signal is not steady (its rms varies by " +
                    common::FormatReal(100 * spread, 1) +
                    " % from block to block, more than 1 %); feed a steady sine"};
    }
    const double factor = reference / mean;
    if (std::string refusal = FactorBoundsRefusal(factor); !refusal.empty()) {
        return {0, 0, std::move(refusal)};
    }
    return {mean, factor, {}};
}

std::string FactorText(double factor) {
    return "×" + common::FormatReal(factor, 3);
}

std::string FactorsInForceText(const LevelCalibration& calibration) {
    const auto text = [](double factor) { return factor == 1.0 ? "none" : FactorText(factor); };
    return "calibration: current " + text(calibration.current) + ", voltage " +
           text(calibration.voltage);
}

} // namespace measure
