// SPDX-License-Identifier: MIT
// The idle cycle's schedule: each pass is framed so that the client area is presented only when
// the pass changed its pixels, and, when event-driven, passes stop once one of them changes
// nothing and start again at the next event that can change a pass's outcome.

#include "app/ErrorReport.h"
#include "app/FramebufferCanvas.h"
#include "app/TForm1.h"

#include <QFrame>
#include <QLineEdit>
#include <QTimer>

namespace app {

namespace {

// Retry of a capture that could not start, where the busy loop would retry at every pass.
constexpr int kCaptureRetryMs = 100;

std::uint64_t ImageDigest(FramebufferCanvas& canvas) {
    const QImage& image = canvas.Image();
    StateDigest digest;
    digest.AddBytes(image.constBits(), static_cast<std::size_t>(image.sizeInBytes()));
    return digest.Value();
}

void AddText(StateDigest& digest, const QLineEdit* edit) {
    const QString text = edit->text();
    digest.AddBytes(text.constData(), static_cast<std::size_t>(text.size()) * sizeof(QChar));
    digest.Add(edit->palette().color(QPalette::Base).rgb());
}

} // namespace

void TForm1::SetIdleMode(IdleMode mode) {
    idleMode_ = mode;
    WakeIdleCycle();
}

void TForm1::WakeIdleCycle(int minimumPasses) {
    passScheduler_.Arm(minimumPasses);
    if (idleTimer != nullptr && !idleTimer->isActive()) {
        idleTimer->start();
    }
}

void TForm1::RunIdlePass() {
    // The image is as the last pass left it unless something drew on it since.
    const bool drawnSinceLastPass = canvas_->ChangedOutsideBatches();
    canvas_->HoldUpdates();
    try {
        bool done = true;
        MyIdleEvent(idleTimer, done);
    } catch (...) {
        ReportError(std::current_exception());
    }
    const std::uint64_t imageAfter = ImageDigest(*canvas_);
    canvas_->ReleaseUpdates(drawnSinceLastPass || imageAfter != lastImageDigest_);
    lastImageDigest_ = imageAfter;
    if (idleMode_ == IdleMode::Busy || passScheduler_.AfterPass(PassDigest(imageAfter))) {
        return;
    }
    idleTimer->stop();
    if (!AudioIn1.DeviceOpen()) {
        QTimer::singleShot(kCaptureRetryMs, this, [this] { WakeIdleCycle(); });
    }
}

// Everything a pass writes that a later pass or the user can see: the pixels, the readouts and
// the measuring, ranging, time-base and trace state that the next pass starts from.
std::uint64_t TForm1::PassDigest(std::uint64_t imageDigest) const {
    StateDigest d;
    d.Add(imageDigest);
    for (const QLineEdit* readout : {Edit4, Edit12, Edit1, Edit8, Edit2, Edit5, Edit18, Edit19}) {
        AddText(d, readout);
    }
    d.Add(Panel14->isVisible());
    for (const auto* samples :
         {&samplesL, &samplesR, &halfWaveL, &halfWaveR, &drawnTraceL, &drawnTraceR}) {
        d.AddBytes(samples->data(), sizeof(*samples));
    }
    d.Add(captureCount, peakL, peakR, maxL, maxR, minL, minR, currentRms, voltageRms);
    d.Add(halfWaveStartL, halfWaveStartR, triggerIndexL, triggerIndexR);
    d.Add(measuredFrequencyL, measuredFrequencyR, frequencyL, frequencyR);
    d.Add(offsetL, offsetR, drawnOffsetL, drawnOffsetR);
    d.Add(appliedRangeL, appliedRangeR, scaleL, scaleR, divisionValueL, divisionValueR, gridUnit);
    d.Add(pointSpacing, pointStride, timeBaseApplied, blockAwaitingReport);
    return d.Value();
}

} // namespace app
