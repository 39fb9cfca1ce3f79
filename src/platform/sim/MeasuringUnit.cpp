// SPDX-License-Identifier: MIT
#include "platform/sim/MeasuringUnit.h"

#include <algorithm>
#include <cmath>

namespace platform::sim {

MeasuringUnit::MeasuringUnit() : MeasuringUnit(Load{}) {}

MeasuringUnit::MeasuringUnit(Load load, std::uint64_t noiseSeed)
    : load_(load), noiseState_(noiseSeed != 0 ? noiseSeed : kDefaultNoiseSeed) {
    if (load_.capacitanceFarads > 0.0) {
        halfStep_ = 1.0 / (2.0 * kFrameRate * load_.resistanceOhms * load_.capacitanceFarads);
    } else if (load_.inductanceHenries > 0.0) {
        coilStep_ = 1.0 / (2.0 * kFrameRate * load_.inductanceHenries);
    }
}

void MeasuringUnit::Render(const std::int16_t* played, std::size_t frames, std::int16_t* stereo) {
    for (std::size_t i = 0; i < frames; ++i) {
        const double drive = played[i] * kDriveVoltsPerUnit;
        if (halfStep_ > 0.0) {
            // Trapezoidal rule on dUc/dt = (U - Uc) / RC, solved for the new Uc.
            capacitorVolts_ =
                ((1.0 - halfStep_) * capacitorVolts_ + halfStep_ * (drive + previousDriveVolts_)) /
                (1.0 + halfStep_);
        }
        double current = (drive - capacitorVolts_) / load_.resistanceOhms;
        if (coilStep_ > 0.0) {
            // Trapezoidal rule on L dI/dt = U - R I, solved for the new I.
            const double resistive = coilStep_ * load_.resistanceOhms;
            coilAmperes_ =
                ((1.0 - resistive) * coilAmperes_ + coilStep_ * (drive + previousDriveVolts_)) /
                (1.0 + resistive);
            current = coilAmperes_;
        }
        previousDriveVolts_ = drive;
        stereo[2 * i] = Capture(drive * kVoltageUnitsPerVolt + NextNoise());
        stereo[2 * i + 1] = Capture(current * kCurrentUnitsPerAmpere + NextNoise());
    }
}

// Sum of two uniform values: triangular noise without the cost of a Gaussian.
double MeasuringUnit::NextNoise() {
    auto uniform = [this] {
        // xorshift64*: fast, and the same sequence on every platform.
        noiseState_ ^= noiseState_ >> 12;
        noiseState_ ^= noiseState_ << 25;
        noiseState_ ^= noiseState_ >> 27;
        const std::uint64_t bits = noiseState_ * 0x2545F4914F6CDD1Dull;
        return static_cast<double>(bits >> 11) * 0x1.0p-53 * 2.0 - 1.0; // [-1, 1)
    };
    const double first = uniform();
    return kNoiseUnits * (first + uniform());
}

std::optional<MeasuringUnit::Load> LoadNamed(std::string_view name) {
    if (name == "rc") {
        return MeasuringUnit::Load{};
    }
    if (name == "r") {
        return MeasuringUnit::Load{22.0, 0.0, 0.0};
    }
    if (name == "rl") {
        return MeasuringUnit::Load{22.0, 0.0, 10e-3};
    }
    return std::nullopt;
}

std::int16_t MeasuringUnit::Capture(double value) {
    return static_cast<std::int16_t>(std::clamp(std::nearbyint(value), -32768.0, 32767.0));
}

} // namespace platform::sim
