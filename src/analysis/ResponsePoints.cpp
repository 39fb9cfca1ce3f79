// SPDX-License-Identifier: MIT
#include "analysis/ResponsePoints.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace analysis {

void ResponsePoints::AddBlock(const std::optional<Tone>& heard, double currentMa, double voltageMv,
                              std::optional<double> phaseDegrees) {
    if (!heard || heard != tone_) {
        EndStretch();
        tone_ = heard;
        running_.frequencyHz = heard ? heard->frequencyHz : 0;
        return; // the first block of a stretch may straddle the change
    }
    // The block held back is now known not to be the last before a change.
    if (held_) {
        ++running_.blocks;
        running_.currentMa += held_->currentMa;
        running_.voltageMv += held_->voltageMv;
        if (held_->phaseDegrees) {
            const double radians = *held_->phaseDegrees * std::numbers::pi / 180;
            runningPhases_.cos += std::cos(radians);
            runningPhases_.sin += std::sin(radians);
            ++runningPhases_.blocks;
        }
    }
    held_ = Block{currentMa, voltageMv, phaseDegrees};
}

void ResponsePoints::EndStretch() {
    if (running_.blocks > 0) {
        finished_.push_back(running_);
        finishedPhases_.push_back(runningPhases_);
    }
    running_ = {};
    runningPhases_ = {};
    tone_.reset();
    held_.reset();
}

ResponsePoint ResponsePoints::Mean(ResponsePoint sum, const PhaseSum& phases) {
    sum.currentMa /= sum.blocks;
    sum.voltageMv /= sum.blocks;
    // A stretch in which some blocks had no phase gives none: its mean would be a guess.
    if (phases.blocks == sum.blocks && (phases.cos != 0 || phases.sin != 0)) {
        sum.phaseDegrees = std::atan2(phases.sin, phases.cos) * 180 / std::numbers::pi;
    }
    return sum;
}

std::vector<ResponsePoint> ResponsePoints::Points() const {
    std::vector<ResponsePoint> points;
    points.reserve(finished_.size() + 1);
    for (std::size_t i = 0; i < finished_.size(); ++i) {
        points.push_back(Mean(finished_[i], finishedPhases_[i]));
    }
    if (running_.blocks > 0) {
        points.push_back(Mean(running_, runningPhases_));
    }
    return points;
}

PlayedTones::PlayedTones(std::size_t ringSize, const std::optional<Tone>& queued)
    : ringSize_(std::max<std::size_t>(ringSize, 1)), ring_(ringSize_, queued) {}

void PlayedTones::BufferFilled(const std::optional<Tone>& tone) {
    ring_.push_back(tone);
    while (ring_.size() > ringSize_) {
        ring_.pop_front();
    }
}

std::optional<double> ImpedanceOhms(const ResponsePoint& point) {
    if (point.currentMa == 0) {
        return std::nullopt;
    }
    return point.voltageMv / point.currentMa; // mV / mA = ohm
}

std::optional<double> ResistanceOhms(const ResponsePoint& point) {
    const std::optional<double> impedance = ImpedanceOhms(point);
    if (!impedance || !point.phaseDegrees) {
        return std::nullopt;
    }
    return *impedance * std::cos(*point.phaseDegrees * std::numbers::pi / 180);
}

std::optional<double> ReactanceOhms(const ResponsePoint& point) {
    const std::optional<double> impedance = ImpedanceOhms(point);
    if (!impedance || !point.phaseDegrees) {
        return std::nullopt;
    }
    return *impedance * std::sin(*point.phaseDegrees * std::numbers::pi / 180);
}

} // namespace analysis
