// SPDX-License-Identifier: MIT
#pragma once

// The voltage-current figure of the analysis window: every frame of a block as a point, the
// voltage across and the current up, each axis spanning plus and minus the range in force, so
// that a resistor draws a line, a capacitor or a coil an ellipse and a diode its bent curve.
// The last kPersistence blocks are kept and drawn fading, oldest faintest, as a phosphor
// screen would keep them. Drawn without antialiasing in whole pixels, on the instrument's
// black. Used on the UI thread.

#include <QWidget>

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace app {

// The value of a range named as the window names it ("100 mA", "1 V", "50 V") in mA or mV;
// nothing for a name that is no range.
std::optional<double> RangeMilli(const std::string& name);

class VoltageCurrentFigure : public QWidget {
public:
    static constexpr std::size_t kPersistence = 4;

    explicit VoltageCurrentFigure(QWidget* parent);

    // Frames drawn of a block: two periods of its fundamental, at least kMinFrames (10 ms) and
    // at most kMaxFrames (50 ms); a steady signal retraces the same curve in every period, and
    // the figure is redrawn for every block.
    static constexpr std::size_t kMinFrames = 441;
    static constexpr std::size_t kMaxFrames = 2205;

    // One block: its frames (sample units), what one sample unit is worth (mA, mV), the ranges
    // in force (mA, mV), which the axes span, and the fundamental's period in frames where
    // there is one. Keeps what it needs of the spans.
    void AddBlock(std::span<const std::int32_t> current, double maPerUnit,
                  std::span<const std::int32_t> voltage, double mvPerUnit, double rangeMa,
                  double rangeMv, std::optional<double> periodFrames = std::nullopt);
    // Forgets the blocks kept.
    void Clear();

    std::size_t BlocksKept() const { return traces_.size(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // A block's points in axis units (-1 .. 1 across each range), neighbours that would fall
    // on the same pixel merged.
    using Trace = std::vector<QPointF>;
    std::deque<Trace> traces_;
    double rangeMa_ = 0;
    double rangeMv_ = 0;
};

} // namespace app
