// SPDX-License-Identifier: MIT
// Generator output and generator 1's scroll bars: the playback stream's fill handler over the
// block synthesis, and the amplitude and frequency controls that set its parameters.

#include "app/TForm1.h"

#include "common/NumberText.h"
#include "generator/AmplitudeReadout.h"
#include "generator/Synthesis.h"

#include <QFrame>
#include <QLineEdit>
#include <QScrollBar>

#include <cmath>
#include <span>

namespace app {

namespace {

// Generator 1's frequency steps: whole Hz below 1000 Hz, whole hundreds of Hz from there on.
constexpr int kKilohertzBand = 1000;
// Above this frequency the traces can no longer be shown; Panel14 says so.
constexpr int kDisplayLimitHz = 2500;

long double Rnd(long double x) {
    return std::nearbyint(x);
}

// Puts back a field text that the synthesis replaced (an empty field becomes "1").
void KeepText(QLineEdit* edit, const std::string& text) {
    const QString value = QString::fromStdString(text);
    if (edit->text() != value) {
        edit->setText(value);
    }
}

} // namespace

bool TForm1::AudioOut1FillBuffer(char* Buffer, int& Size) {
    const std::span<std::int16_t> samples(reinterpret_cast<std::int16_t*>(Buffer),
                                          static_cast<std::size_t>(AudioOut1.BufferSize() / 2));
    if (generatorMode != 1) {
        Size = generator::FillTwoTone(samples, AudioOut1.FrameRate(),
                                      {gen1Amplitude, gen1Frequency, gen2Amplitude, gen2Frequency});
        return true;
    }
    generator::SweepFields fields{Edit106->text().toStdString(), Edit110->text().toStdString()};
    generator::RampState ramp{rampFrequency, rampStepSamples, rampStepCounter};
    try {
        Size = generator::FillSweep(samples, AudioOut1.FrameRate(), gen1Amplitude, fields, ramp);
    } catch (...) {
        // The error goes on to the default error report; an emptied field still shows "1".
        KeepText(Edit106, fields.startText);
        KeepText(Edit110, fields.stepText);
        throw;
    }
    KeepText(Edit106, fields.startText);
    KeepText(Edit110, fields.stepText);
    rampFrequency = ramp.rampFrequency;
    rampStepSamples = ramp.rampStepSamples;
    rampStepCounter = ramp.rampStepCounter;
    return true;
}

void TForm1::AudioOut1Start(void* /*Sender*/) {}

void TForm1::ScrollBar4Change(QObject* /*Sender*/) {
    gen1Amplitude = ScrollBar4->value();
    Edit13->setText(QString::fromStdString(generator::Gen1AmplitudeText(gen1Amplitude)));
}

void TForm1::ScrollBar5Change(QObject* /*Sender*/) {
    const int p = ScrollBar5->value();
    if (p < kKilohertzBand) {
        gen1Frequency = p;
        Edit14->setText(QStringLiteral(" ") + QString::number(p));
        ScrollBar5->setPageStep(10);
        ScrollBar5->setSingleStep(1);
    } else if (p <= 20000) {
        gen1Frequency = static_cast<std::int32_t>(Rnd(p / 100.0L) * 100);
        const long double kilohertz = Rnd(p / 10.0L) / 100;
        Edit14->setText(QString::fromStdString(" " + common::FormatReal(kilohertz, 1)));
        ScrollBar5->setPageStep(100);
        ScrollBar5->setSingleStep(10);
    }
    Edit3->setText(gen1Frequency < kKilohertzBand ? QStringLiteral(" Hz") : QStringLiteral("kHz"));
    Panel14->setVisible(gen1Frequency > kDisplayLimitHz);
    // Keeps the capture running, so that the display follows the generator at once.
    if (!AudioIn1.Start()) {
        AudioIn1.Start();
    }
    if (periodicMode == 1) {
        DrawTraces();
    }
}

} // namespace app
