// SPDX-License-Identifier: MIT
#include "display/Traces.h"

#include "common/SmoothStep.h"

#include <algorithm>
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

// One segment of a channel from entries `from` and `to` of values.
void TraceSegment(Canvas& canvas, const TraceChannel& c, std::span<const std::int32_t> values,
                  std::size_t from, std::size_t to, int x1, int x2) {
    const int y0 = canvas.ClientHeight() / 2;
    Segment(canvas, x1, SampleRow(y0, At(values, from), c.gain, c.scale), x2,
            SampleRow(y0, At(values, to), c.gain, c.scale));
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
    for (int k = 2; k <= kTracePoints; ++k) {
        const int x1 = PointX(geometry.pointSpacing, k - 1);
        const int x2 = PointX(geometry.pointSpacing, k);
        const std::size_t from = (k - 1) * stride;
        const std::size_t to = k * stride;
        canvas.SetPenColor(kBlack);
        TraceSegment(canvas, r, r.drawn, from, to, x1, x2);
        TraceSegment(canvas, l, l.drawn, from, to, x1, x2);
        for (const TraceChannel* c : {&l, &r}) {
            if (c->shown) {
                canvas.SetPenColor(c->color);
                TraceSegment(canvas, *c, c->samples, trigger + from, trigger + to, x1, x2);
            }
        }
    }
    RememberDrawn(l, trigger, count);
    RememberDrawn(r, trigger, count);
    canvas.SetPenWidth(1);
}

} // namespace display
