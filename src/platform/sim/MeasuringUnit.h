// SPDX-License-Identifier: MIT
#pragma once

// The simulated measuring unit and its load: the default capture source of the simulated card.
// The card's output drives a load; the unit delivers the voltage across the load on channel R
// (first value of each frame) and the current through it on channel L (second value), each with
// a little noise from a seeded generator, so equal seeds and equal input give equal captures.
//
// Model, in physical units:
// - drive: the output sample times kDriveVoltsPerUnit (full scale 32768 = 4 V peak) is the
//   voltage across the load (an ideal source);
// - load: by default 22 ohm in series with 68 uF (time constant 1.496 ms); the capacitor's
//   voltage (or a coil's current) is integrated with the trapezoidal (bilinear) rule and
//   carried from step to step, so a signal rendered in pieces is the same as rendered at once;
//   --load picks one of the loads LoadNamed knows;
// - capture: kVoltageUnitsPerVolt and kCurrentUnitsPerAmpere are the instrument's start-up
//   calibration (0.46 mV and 0.063 mA per unit of its rms figure, which is taken over a block
//   padded with as many zeros as samples, hence the factor sqrt(2)), so the readouts show the
//   model's true rms values; the ADC saturates at -32768 and +32767.
//
// At the start-up generator (a 100 Hz sine of amplitude 32000 units): 3.906 V peak across
// 22 + 23.4j ohm (|Z| = 32.1 ohm), so 121.6 mA peak with the current leading the voltage by
// 46.8 degrees. Captured peaks are about 12 010 units on R (5 V range) and 2 730 on L (200 mA
// range); the readouts show about 2.76 V and 86.0 mA. At amplitude 32767 the peaks are about
// 12 300 and 2 800; no output signal can bring R above 12 300 or L above about 8 200 (a full
// step of 8 V across 22 ohm), far from clipping.
//
// Called by the simulated card on the thread that advances it; no allocation in Render.

#include "platform/sim/SimulatedCard.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace platform::sim {

class MeasuringUnit final : public CaptureSource {
public:
    static constexpr double kDriveVoltsPerUnit = 4.0 / 32768.0;
    static constexpr double kVoltageUnitsPerVolt = 3074.0;
    static constexpr double kCurrentUnitsPerAmpere = 22450.0;
    // Noise on each captured value: triangular, at most +/- 2 * kNoiseUnits (rms about 1.2).
    static constexpr double kNoiseUnits = 1.5;
    static constexpr std::uint64_t kDefaultNoiseSeed = 0x5EED0F1A2B3C4D5Eull;

    // A resistor in series with a capacitor or a coil (not both); neither: a plain resistor.
    struct Load {
        double resistanceOhms = 22.0;
        double capacitanceFarads = 68e-6; // 0 = no capacitor
        double inductanceHenries = 0.0;   // 0 = no coil; used only without a capacitor
    };

    MeasuringUnit();
    explicit MeasuringUnit(Load load, std::uint64_t noiseSeed = kDefaultNoiseSeed);

    void Render(const std::int16_t* played, std::size_t frames, std::int16_t* stereo) override;

private:
    double NextNoise();
    static std::int16_t Capture(double value);

    Load load_;
    double halfStep_ = 0.0;       // sampling period / (2 RC); 0 without a capacitor
    double coilStep_ = 0.0;       // sampling period / (2 L); 0 without a coil
    double capacitorVolts_ = 0.0; // states carried between steps
    double coilAmperes_ = 0.0;
    double previousDriveVolts_ = 0.0;
    std::uint64_t noiseState_;
};

// The loads a user can pick by name: "rc" (the default, 22 ohm + 68 uF), "r" (22 ohm alone)
// and "rl" (22 ohm + 10 mH); nothing for another name.
std::optional<MeasuringUnit::Load> LoadNamed(std::string_view name);

} // namespace platform::sim
