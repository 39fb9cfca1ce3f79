// SPDX-License-Identifier: MIT
// The idle cycle's schedule: the passes after an event are framed so that the client area is
// presented once, when they stop; when event-driven, they stop once one of them leaves the
// state as it found it, and start again at the next event that can change a pass's outcome.

#include "app/widgets/FramebufferCanvas.h"
#include "app/window/ErrorReport.h"
#include "app/window/TForm1.h"

#include <QFrame>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>

namespace app {

namespace {

// Retry of a capture that could not start, where the busy loop would retry at every pass.
constexpr int kCaptureRetryMs = 100;

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
    StartIdleTimer();
}

// The end of a capture burst changes nothing a pass reads: the pass that starts the next burst
// repeats the last one if that one had settled.
void TForm1::WakeIdleCycleForCapture() {
    StartIdleTimer();
}

void TForm1::StartIdleTimer() {
    if (idleTimer != nullptr && !idleTimer->isActive()) {
        idleTimer->start();
    }
}

void TForm1::RunIdlePass() {
    // Drawing outside the passes (a handler's) is presented as it happens, but it may leave
    // pixels that the next pass draws over.
    const bool repeats = passScheduler_.NextPassRepeats() && !canvas_->ChangedOutsideBatches();
    if (!repeats && passScheduler_.NeedsDigestBefore()) {
        passScheduler_.BeforePass(PassDigest());
    }
    canvas_->HoldUpdates();
    try {
        bool done = true;
        MyIdleEvent(idleTimer, done);
    } catch (...) {
        ReportError(std::current_exception());
    }
    bool more = false;
    if (repeats) {
        more = passScheduler_.AfterRepeatedPass();
    } else {
        more = passScheduler_.AfterPass(PassDigest());
    }
    // A repeated pass drew the very pixels that are there already. The passes after an event
    // are shown once, when they stop: a user sees the screen the last one leaves.
    canvas_->ReleaseUpdates(!repeats, idleMode_ == IdleMode::Busy || !more);
    if (idleMode_ == IdleMode::Busy || more) {
        return;
    }
    idleTimer->stop();
    if (!AudioIn1.DeviceOpen()) {
        QTimer::singleShot(kCaptureRetryMs, this, [this] { WakeIdleCycleForCapture(); });
    }
}

// Everything a pass reads that passes write, and what it shows: the readouts and the
// measuring, ranging, time-base and trace state that the next pass starts from. Only a pass's
// own changes matter, as the digest after a pass is compared with the one before it. So the
// channel arrays samplesL/R are left out, since every pass rewrites them from the captured block
// before it reads them, and of the half-wave and trace arrays only the part a pass can write,
// up to the block's length. The drawing routines set the pen, font colour and position before
// they draw.
std::uint64_t TForm1::PassDigest() const {
    StateDigest d;
    for (const QLineEdit* readout : {Edit4, Edit12, Edit1, Edit8, Edit2, Edit5, Edit18, Edit19}) {
        AddText(d, readout);
    }
    d.Add(Panel14->isVisible());
    const std::size_t written = std::min(
        static_cast<std::size_t>(std::max(model.captureCount, 0)) + 1, model.halfWaveL.size());
    for (const auto* values : {&model.halfWaveL, &model.halfWaveR, &drawnTraceL, &drawnTraceR}) {
        d.AddBytes(values->data(), written * sizeof(std::int32_t));
    }
    d.Add(model.captureCount, model.peakL, model.peakR, model.maxL, model.maxR, model.minL,
          model.minR, model.currentRms, model.voltageRms);
    d.Add(model.halfWaveStartL, model.halfWaveStartR, triggerIndexL, triggerIndexR);
    d.Add(model.measuredFrequencyL, model.measuredFrequencyR, model.frequencyL, model.frequencyR);
    d.Add(offsetL, offsetR, drawnOffsetL, drawnOffsetR);
    d.Add(model.appliedRangeL, model.appliedRangeR, model.scaleL, model.scaleR,
          model.divisionValueL, model.divisionValueR, gridUnit);
    d.Add(model.pointSpacing, model.pointStride, model.timeBaseApplied, model.blockAwaitingReport);
    return d.Value();
}

} // namespace app
