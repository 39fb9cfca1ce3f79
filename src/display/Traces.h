// SPDX-License-Identifier: MIT
#pragma once

// The triggered traces of the oscilloscope screen: the choice of the trigger channel, the
// smoothed negative half-waves the trigger point is found on, the geometry of a trace point,
// and the segment loop that erases the previous traces and draws the new ones. All work on
// plain arrays; a read past the end of an array reads 0 and nothing is written past one.
// UI thread only.

#include "display/Canvas.h"

#include <cstdint>
#include <span>

namespace display {

inline constexpr int kTracePoints = 1000;
// Index the trigger search ends at; without a trigger the traces start after it.
inline constexpr std::uint16_t kNoTrigger = 19998;

enum class TriggerChannel { L, R, None };

// The trigger source box's item (0 automatic, 1 channel L, 2 channel R, anything else no item):
// automatic picks R only when its peak is more than one and a half times L's.
TriggerChannel ChooseTriggerChannel(int item, std::uint16_t peakL, std::uint16_t peakR);

// x of trace point k (1..1000): Round(55 + (k - 1) * pointSpacing), halves to even.
int PointX(double pointSpacing, int k);

// Row of a sample value: Round(y0 + value * gain * scale), halves to even.
int SampleRow(int y0, std::int32_t value, double gain, double scale);

// One channel's trigger track: its samples, its half-wave array and the half-wave's start.
struct HalfWaveTrack {
    std::span<const std::int32_t> samples;
    std::span<std::int32_t> halfWave;
    std::uint16_t& start;
};

// Records the first negative sample among 1..count as the half-wave's start, with its raw value;
// leaves everything unchanged when none is negative.
void FindNegativeStart(const HalfWaveTrack& track, std::uint16_t count);

// Low-pass of each negative half-wave after the start (divisor k), 0 on every other sample.
void SmoothNegativeHalfWaves(const HalfWaveTrack& track, std::uint16_t count, std::int32_t divisor);

// The index just before the first smoothed half-wave that begins after the start and before
// index 20000; kNoTrigger when there is none.
std::uint16_t FindTrigger(std::span<const std::int32_t> halfWave, std::uint16_t start);

// One channel as the segment loop draws it.
struct TraceChannel {
    std::span<const std::int32_t> samples;
    std::span<std::int32_t> drawn; // what is on the screen; retraced in black, then replaced
    double gain = 0;
    double scale = 1;
    bool shown = false;
    Rgb color;
};

struct TraceGeometry {
    double pointSpacing = 1;
    std::int32_t pointStride = 1;
    std::int16_t traceWidth = 1;
};

// Draws the white centre line, then for each segment erases both old traces and draws the shown
// new ones from the trigger index, and finally copies count samples from the trigger index on
// into the channels' drawn arrays. Leaves the pen width 1.
void DrawTraceCycle(Canvas& canvas, const TraceGeometry& geometry, TraceChannel l, TraceChannel r,
                    std::uint16_t trigger, std::uint16_t count);

} // namespace display
