// SPDX-License-Identifier: MIT
#pragma once

// The measuring ranges of the two channels: the current ranges of channel L and the voltage
// ranges of channel R, smallest first. One range of each channel is applied at any time.

namespace display {

enum class CurrentRange { mA1, mA2, mA5, mA10, mA20, mA50, mA100, mA200, mA500, A1 };

enum class VoltageRange { mV10, mV20, mV50, mV100, mV200, mV500, V1, V2, V5, V10, V20, V50 };

} // namespace display
