// SPDX-License-Identifier: MIT
#include "display/Traces.h"

#include "common/SmoothStep.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace display {

namespace {

constexpr int kTraceLeft = 55;
constexpr int kRightMargin = 5; // the centre line ends this far from the right edge
constexpr std::size_t kSearchEnd = 19999;

std::int32_t At(std::span<const std::int32_t> values, std::size_t i) {
    return i < values.size() ? values[i] : 0;
}

int Round(double value) {
    return static_cast<int>(std::nearbyint(value));
}

void Segment(Canvas& canvas, int x1, int y1, int x2, int y2) {
    canvas.MoveTo(x1, y1);
    canvas.LineTo(x2, y2);
}

// Rows (or x positions) of the trace points 1..1000, each computed once for the segments on
// both sides of it; index 0 is unused.
using PointTable = std::array<int, kTracePoints + 1>;

// The rows of a channel's points, point k read from `values` at base + k * stride.
PointTable PointRows(int y0, const TraceChannel& c, std::span<const std::int32_t> values,
                     std::size_t base, std::size_t stride) {
    PointTable rows{};
    for (int k = 1; k <= kTracePoints; ++k) {
        rows[k] = SampleRow(y0, At(values, base + k * stride), c.gain, c.scale);
    }
    return rows;
}

void RememberDrawn(const TraceChannel& c, std::size_t trigger, std::uint16_t count) {
    for (std::size_t k = 1; k <= count && k < c.drawn.size(); ++k) {
        c.drawn[k] = At(c.samples, trigger + k);
    }
}

} // namespace

TriggerChannel ChooseTriggerChannel(int item, std::uint16_t peakL, std::uint16_t peakR) {
    switch (item) {
    case 0:
        return static_cast<double>(peakR) > 1.5 * peakL ? TriggerChannel::R : TriggerChannel::L;
    case 1:
        return TriggerChannel::L;
    case 2:
        return TriggerChannel::R;
    default:
        return TriggerChannel::None;
    }
}

int PointX(double pointSpacing, int k) {
    return Round(kTraceLeft + (k - 1) * pointSpacing);
}

int SampleRow(int y0, std::int32_t value, double gain, double scale) {
    return Round(y0 + value * gain * scale);
}

void FindNegativeStart(const HalfWaveTrack& track, std::uint16_t count) {
    for (std::size_t i = 1; i <= count && i < track.samples.size(); ++i) {
        if (track.samples[i] < 0) {
            track.start = static_cast<std::uint16_t>(i);
            if (i < track.halfWave.size()) {
                track.halfWave[i] = track.samples[i];
            }
            return;
        }
    }
}

void SmoothNegativeHalfWaves(const HalfWaveTrack& track, std::uint16_t count,
                             std::int32_t divisor) {
    const common::SmoothStep step(divisor);
    for (std::size_t i = std::size_t{track.start} + 1; i <= count && i < track.halfWave.size();
         ++i) {
        const std::int32_t sample = At(track.samples, i);
        track.halfWave[i] = sample < 0 ? step(sample, track.halfWave[i - 1]) : 0;
    }
}

std::uint16_t FindTrigger(std::span<const std::int32_t> halfWave, std::uint16_t start) {
    const auto low16 = [&](std::size_t i) { return static_cast<std::uint16_t>(At(halfWave, i)); };
    for (std::size_t i = std::size_t{start} + 1; i <= kSearchEnd; ++i) {
        if (low16(i) == 0 && low16(i + 1) != 0) {
            return static_cast<std::uint16_t>(i - 1);
        }
    }
    return kNoTrigger;
}

void DrawTraceCycle(Canvas& canvas, const TraceGeometry& geometry, TraceChannel l, TraceChannel r,
                    std::uint16_t trigger, std::uint16_t count) {
    const int y0 = canvas.ClientHeight() / 2;
    canvas.SetPenColor(kWhite);
    canvas.SetPenWidth(1);
    Segment(canvas, kTraceLeft, y0, canvas.ClientWidth() - kRightMargin, y0);
    canvas.SetPenWidth(geometry.traceWidth == 2 ? 2 : 1);
    // A negative stride would walk backwards out of the arrays; it reads as zeros instead.
    const auto stride = static_cast<std::size_t>(std::max(geometry.pointStride, 0));
    PointTable xs{};
    for (int k = 1; k <= kTracePoints; ++k) {
        xs[k] = PointX(geometry.pointSpacing, k);
    }
    // The old traces are erased with the current factors; nothing is written to the arrays
    // before the loop ends.
    const PointTable erasedR = PointRows(y0, r, r.drawn, 0, stride);
    const PointTable erasedL = PointRows(y0, l, l.drawn, 0, stride);
    const PointTable drawnL = l.shown ? PointRows(y0, l, l.samples, trigger, stride) : PointTable{};
    const PointTable drawnR = r.shown ? PointRows(y0, r, r.samples, trigger, stride) : PointTable{};
    for (int k = 2; k <= kTracePoints; ++k) {
        canvas.SetPenColor(kBlack);
        Segment(canvas, xs[k - 1], erasedR[k - 1], xs[k], erasedR[k]);
        Segment(canvas, xs[k - 1], erasedL[k - 1], xs[k], erasedL[k]);
        if (l.shown) {
            canvas.SetPenColor(l.color);
            Segment(canvas, xs[k - 1], drawnL[k - 1], xs[k], drawnL[k]);
        }
        if (r.shown) {
            canvas.SetPenColor(r.color);
            Segment(canvas, xs[k - 1], drawnR[k - 1], xs[k], drawnR[k]);
        }
    }
    RememberDrawn(l, trigger, count);
    RememberDrawn(r, trigger, count);
    canvas.SetPenWidth(1);
}

} // namespace display
