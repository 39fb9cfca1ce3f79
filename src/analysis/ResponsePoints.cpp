// SPDX-License-Identifier: MIT
#include "analysis/ResponsePoints.h"

#include <algorithm>

namespace analysis {

void ResponsePoints::AddBlock(const std::optional<Tone>& heard, double currentMa,
                              double voltageMv) {
    if (!heard || heard != tone_) {
        EndStretch();
        tone_ = heard;
        running_.frequencyHz = heard ? heard->frequencyHz : 0;
        return; // the first block of a stretch may straddle the change
    }
    // The block held back is now known not to be the last before a change.
    if (held_) {
        ++running_.blocks;
        running_.currentMa += held_->first;
        running_.voltageMv += held_->second;
    }
    held_.emplace(currentMa, voltageMv);
}

void ResponsePoints::EndStretch() {
    if (running_.blocks > 0) {
        finished_.push_back(running_);
    }
    running_ = {};
    tone_.reset();
    held_.reset();
}

std::vector<ResponsePoint> ResponsePoints::Points() const {
    std::vector<ResponsePoint> points;
    points.reserve(finished_.size() + 1);
    const auto mean = [](ResponsePoint sum) {
        sum.currentMa /= sum.blocks;
        sum.voltageMv /= sum.blocks;
        return sum;
    };
    for (const ResponsePoint& sum : finished_) {
        points.push_back(mean(sum));
    }
    if (running_.blocks > 0) {
        points.push_back(mean(running_));
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

} // namespace analysis
