// SPDX-License-Identifier: MIT
#include "app/calibration/CalibrationRun.h"

#include "app/calibration/CalibrationStore.h"

#include "common/NumberText.h"

#include <QTimer>

#include <iostream>

namespace app {

namespace {

// A level in the unit the user wrote, two decimals: "6.31 mA", "0.52 V".
std::string InUnit(double value, const measure::CalibrationRequest& request) {
    return common::FormatReal(value / request.unitSize, 2) + " " + request.unit;
}

} // namespace

CalibrationRun::CalibrationRun(measure::CalibrationRequest request, std::string card,
                               instrument::Instrument& instrument,
                               std::function<void()> closeWindow)
    : request_(std::move(request)), card_(std::move(card)), closeWindow_(std::move(closeWindow)),
      startScale_(request_.channel == measure::Channel::L ? instrument.currentScale
                                                          : instrument.voltageScale),
      subscription_(instrument.Subscribe(
          [this](const instrument::Readings& readings) { OnBlock(readings); })) {
    QTimer::singleShot(kDeadlineMs, this, [this] {
        Refuse("no steady signal arrived within " + std::to_string(kDeadlineMs / 1000) +
               " s; is the card capturing?");
    });
}

void CalibrationRun::OnBlock(const instrument::Readings& readings) {
    if (done_ || ++seen_ <= kSettlingBlocks) {
        return;
    }
    const bool current = request_.channel == measure::Channel::L;
    // Measured with the constants the run started with, whatever "optimum" has switched to
    // since: the stored factor corrects those, the ones every run starts with.
    const double scale = current ? readings.currentScale : readings.voltageScale;
    const double level = current ? readings.currentMa : readings.voltageMv;
    blocks_.push_back({scale > 0 ? level * startScale_ / scale : level,
                       current ? readings.peakL : readings.peakR});
    if (blocks_.size() == kMeasuredBlocks) {
        Finish();
    }
}

void CalibrationRun::Finish() {
    const measure::CalibrationVerdict verdict =
        measure::EvaluateCalibration(blocks_, request_.reference);
    if (!verdict.refusal.empty()) {
        Refuse(verdict.refusal);
        return;
    }
    CalibrationStore store;
    if (const std::string error = store.Store(card_, request_.channel, verdict.factor);
        !error.empty()) {
        Refuse(error);
        return;
    }
    done_ = true;
    stored_ = true;
    std::cout << measure::QuantityName(request_.channel) << ": measured "
              << InUnit(verdict.measured, request_) << ", reference " << request_.referenceText
              << ", factor " << common::FormatReal(verdict.factor, 3) << ", stored for card '"
              << card_ << "'" << std::endl;
    closeWindow_();
}

void CalibrationRun::Refuse(const std::string& why) {
    if (done_) {
        return;
    }
    done_ = true;
    std::cerr << "osciloskop: " << measure::QuantityName(request_.channel)
              << " not calibrated, nothing stored: " << why << std::endl;
    closeWindow_();
}

int CalibrationRun::ExitCode(int eventLoopCode) const {
    if (stored_) {
        return eventLoopCode;
    }
    if (!done_) {
        std::cerr << "osciloskop: " << measure::QuantityName(request_.channel)
                  << " not calibrated, nothing stored: the window closed before the "
                     "measurement ended\n";
    }
    return eventLoopCode != 0 ? eventLoopCode : 2;
}

} // namespace app
