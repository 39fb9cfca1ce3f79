// SPDX-License-Identifier: MIT
// Generator 1's panel: the amplitude and frequency scroll bars with their readouts, the range
// boxes, typed values applied by a double-click, and the menu entries that show the panel with
// its defaults or switch generator 1 off.

#include "app/widgets/DoubleClickEdit.h"
#include "app/window/ErrorReport.h"
#include "app/window/PanelControls.h"
#include "app/window/TForm1.h"

#include "generator/AmplitudeReadout.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>

namespace app {

namespace {

constexpr int kDefaultAmplitude = 3000; // what "zobrazit" and the reset leave generator 1 at
constexpr double kDefaultReadoutFrequency = 40.0;

} // namespace

void TForm1::BindGenerator1Handlers() {
    QObject::connect(ComboBox7, &QComboBox::activated, this,
                     Reported([this] { ComboBox7Click(ComboBox7); }));
    QObject::connect(ComboBox8, &QComboBox::activated, this,
                     Reported([this] { ComboBox8Click(ComboBox8); }));
    QObject::connect(Edit13, &DoubleClickEdit::doubleClicked, this,
                     Reported([this] { Edit13DblClick(Edit13); }));
    QObject::connect(Edit14, &DoubleClickEdit::doubleClicked, this,
                     Reported([this] { Edit14DblClick(Edit14); }));
    QObject::connect(Edit14, &DoubleClickEdit::entered, this,
                     Reported([this] { Edit14Enter(Edit14); }));
    QObject::connect(zobrazit1, &QAction::triggered, this,
                     Reported([this] { zobrazit1Click(zobrazit1); }));
    QObject::connect(zruit1, &QAction::triggered, this, Reported([this] { zruit1Click(zruit1); }));
}

void TForm1::ScrollBar4Change(QObject* /*Sender*/) {
    model.gen1Amplitude = ScrollBar4->value();
    ShowText(Edit13, generator::Gen1AmplitudeText(model.gen1Amplitude));
}

void TForm1::ScrollBar5Change(QObject* /*Sender*/) {
    if (const auto step = generator::Gen1FrequencyAt(ScrollBar5->value())) {
        model.gen1Frequency = step->frequency;
        ShowText(Edit14, step->text);
        ScrollBar5->setPageStep(step->largeChange);
        ScrollBar5->setSingleStep(step->smallChange);
    }
    Edit3->setText(model.gen1Frequency < generator::kKilohertzBand ? QStringLiteral(" Hz")
                                                                   : QStringLiteral("kHz"));
    Panel14->setVisible(model.gen1Frequency > generator::kDisplayLimitHz);
    // Keeps the capture running, so that the display follows the generator at once.
    if (!AudioIn1.Start()) {
        AudioIn1.Start();
    }
    if (model.periodicMode == 1) {
        DrawTraces();
    }
}

void TForm1::ComboBox7Click(QObject* /*Sender*/) {
    const int item = ComboBox7->currentIndex();
    const auto range = generator::AmplitudeRange(item);
    if (!range) {
        return; // "  vypnuto" leaves the amplitude as it is
    }
    ApplyRange(ScrollBar4, *range);
    if (generator::RangeRewritesAmplitude(item)) {
        ScrollBar4Change(ScrollBar4);
    }
}

void TForm1::ComboBox8Click(QObject* /*Sender*/) {
    if (const auto range = generator::FrequencyRange(ComboBox8->currentIndex())) {
        ApplyRange(ScrollBar5, *range);
    }
}

// The typed readout becomes the scroll bar's position; a value beyond the bar's range is
// clamped to it, and the clamped amplitude is the one played and shown.
void TForm1::Edit13DblClick(QObject* /*Sender*/) {
    const std::int32_t amplitude = generator::AmplitudeFromReadout(TypedInt(Edit13));
    SetPositionOrApply(ScrollBar4, amplitude, [this] { ScrollBar4Change(ScrollBar4); });
}

// Likewise for the frequency, typed in Hz.
void TForm1::Edit14DblClick(QObject* /*Sender*/) {
    const std::int32_t frequency = TypedInt(Edit14);
    SetPositionOrApply(ScrollBar5, frequency, [this] { ScrollBar5Change(ScrollBar5); });
}

void TForm1::Edit14Enter(QObject* /*Sender*/) {}

void TForm1::zobrazit1Click(QObject* /*Sender*/) {
    Panel13->show();
    ResetGenerator1Frequency();
    ScrollBar4->setMinimum(0);
    ScrollBar4->setMaximum(32767);
    ScrollBar4->setValue(kDefaultAmplitude);
    model.gen1Amplitude = ScrollBar4->value();
}

void TForm1::zruit1Click(QObject* /*Sender*/) {
    Panel13->hide();
    model.gen1Amplitude = 0;
    ComboBox1->setCurrentIndex(0);
    model.autoTimeBase = 1;
    model.generatorTimeBase = 0;
}

// The frequency scroll bar on its 100 Hz to 1 kHz range at 100 Hz, the readouts on 40 Hz
// until measured, and both range boxes on their defaults; shared with start-up.
void TForm1::ResetGenerator1Frequency() {
    ScrollBar5->setMinimum(100);
    ScrollBar5->setMaximum(1000);
    ScrollBar5->setValue(100);
    model.gen1Frequency = ScrollBar5->value();
    Edit14->setText(QStringLiteral(" ") + QString::number(ScrollBar5->value()));
    ScrollBar5->setPageStep(10);
    ScrollBar5->setSingleStep(1);
    model.frequencyL = kDefaultReadoutFrequency;
    model.frequencyR = kDefaultReadoutFrequency;
    Panel14->hide();
    ComboBox7->setCurrentIndex(0);
    ComboBox8->setCurrentIndex(1);
}

} // namespace app
