// SPDX-License-Identifier: MIT
// The display cycle of the oscilloscope screen and the controls that steer it: the time base,
// the scales, the triggered traces, and the clearing command.

#include "app/window/ErrorReport.h"
#include "app/window/TForm1.h"

#include "display/Graticule.h"
#include "display/Scales.h"
#include "display/TimeBase.h"
#include "display/Traces.h"

#include <QAction>
#include <QComboBox>

#include <optional>

namespace app {

namespace {

using display::TriggerChannel;

TriggerChannel TriggerOf(const TForm1& f) {
    return display::ChooseTriggerChannel(f.ComboBox4->currentIndex(), f.model.peakL, f.model.peakR);
}

std::optional<int> BandOf(const TForm1& f, double frequency) {
    return display::BandFor(f.model.autoTimeBase == 1, f.ComboBox1->currentIndex(), frequency);
}

// Applies the band of the frequency unless it is applied already: new spacing and stride,
// a repaint and the band's time axis.
void SelectTimeBase(TForm1& f, double frequency) {
    const std::optional<int> band = BandOf(f, frequency);
    if (!band) {
        return;
    }
    std::int32_t& applied = f.model.timeBaseApplied[static_cast<std::size_t>(*band - 1)];
    if (applied == 1) {
        return;
    }
    const display::TimeBand base = display::TimeBandOf(*band);
    f.model.pointSpacing = base.pointSpacing;
    f.model.pointStride = base.pointStride;
    f.RepaintWindow();
    display::DrawTimeAxis(f.Canvas(), *band, f.gridUnit);
    f.model.timeBaseApplied.fill(0);
    applied = 1;
}

// The trigger channel's half-wave, prepared and searched; returns the trigger index.
std::uint16_t FindTriggerOn(TForm1& f, TriggerChannel channel) {
    const bool isL = channel == TriggerChannel::L;
    const display::HalfWaveTrack track{isL ? f.model.samplesL : f.model.samplesR,
                                       isL ? f.model.halfWaveL : f.model.halfWaveR,
                                       isL ? f.model.halfWaveStartL : f.model.halfWaveStartR};
    const auto count = static_cast<std::uint16_t>(f.model.captureCount);
    display::FindNegativeStart(track, count);
    display::SmoothNegativeHalfWaves(track, count, isL ? f.model.smoothingL : f.model.smoothingR);
    const std::uint16_t trigger = display::FindTrigger(track.halfWave, track.start);
    (isL ? f.triggerIndexL : f.triggerIndexR) = trigger;
    return trigger;
}

} // namespace

void TForm1::BindDisplayHandlers() {
    QObject::connect(ComboBox1, &QComboBox::activated, this,
                     Reported([this] { ComboBox1Click(ComboBox1); }));
    QObject::connect(ComboBox9, &QComboBox::activated, this,
                     Reported([this] { ComboBox9Click(ComboBox9); }));
    QObject::connect(ComboBox10, &QComboBox::activated, this,
                     Reported([this] { ComboBox10Click(ComboBox10); }));
    QObject::connect(file1, &QAction::triggered, this, Reported([this] { file1Click(file1); }));
}

void TForm1::DrawTraces() {
    MeasureLevelL();
    SelectRangeL();
    MeasureFrequencyL();
    MeasureLevelR();
    SelectRangeR();
    MeasureFrequencyR();
    offsetL = 0;
    offsetR = 0;
    const TriggerChannel channel = TriggerOf(*this);
    if (channel == TriggerChannel::None) {
        return;
    }
    if (channel == TriggerChannel::R) {
        SelectTimeBaseR();
    } else {
        SelectTimeBaseL();
    }
    DrawScales();
    const std::uint16_t trigger = FindTriggerOn(*this, channel);
    display::DrawTraceCycle(
        Canvas(), {model.pointSpacing, model.pointStride, traceWidth},
        {model.samplesL, drawnTraceL, gainL, model.scaleL, showTraceL == 1, display::kYellow},
        {model.samplesR, drawnTraceR, gainR, model.scaleR, showTraceR == 1, display::kAqua},
        trigger, static_cast<std::uint16_t>(model.captureCount));
    drawnOffsetL = offsetL;
    drawnOffsetR = offsetR;
}

void TForm1::SelectTimeBaseL() {
    SelectTimeBase(*this, model.frequencyL);
}

void TForm1::SelectTimeBaseR() {
    SelectTimeBase(*this, model.frequencyR);
}

void TForm1::DrawScales() {
    DrawGraticule();
    const TriggerChannel reference = TriggerOf(*this);
    if (reference != TriggerChannel::None) {
        const std::optional<int> band =
            BandOf(*this, reference == TriggerChannel::R ? model.frequencyR : model.frequencyL);
        if (band) {
            display::DrawTimeAxis(Canvas(), *band, gridUnit);
        }
    }
    display::DrawVerticalScales(Canvas(), model.divisionValueL, model.divisionValueR);
}

void TForm1::ComboBox1Click(QObject* /*Sender*/) {
    const int item = ComboBox1->currentIndex();
    model.autoTimeBase = item == 0 ? 1 : 0;
    if (item == 8) {
        model.generatorTimeBase = 1;
        model.autoTimeBase = 1;
    } else {
        model.generatorTimeBase = 0;
    }
}

void TForm1::file1Click(QObject* /*Sender*/) {
    RepaintWindow();
    DrawTraces();
}

} // namespace app
