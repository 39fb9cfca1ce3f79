// SPDX-License-Identifier: MIT
// Generator output: the playback stream's fill handler over the block synthesis.

#include "app/window/TForm1.h"

#include "generator/Synthesis.h"

#include <QLineEdit>

#include <span>

namespace app {

namespace {

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
    if (model.generatorMode != 1) {
        Size = twoToneBlocks_.Fill(
            samples, AudioOut1.FrameRate(),
            {model.gen1Amplitude, model.gen1Frequency, model.gen2Amplitude, model.gen2Frequency});
        model.OutputBufferFilled();
        return true;
    }
    generator::SweepFields fields{Edit106->text().toStdString(), Edit110->text().toStdString()};
    generator::RampState ramp{model.rampFrequency, model.rampStepSamples, model.rampStepCounter};
    try {
        Size =
            generator::FillSweep(samples, AudioOut1.FrameRate(), model.gen1Amplitude, fields, ramp);
    } catch (...) {
        // The error goes on to the default error report; an emptied field still shows "1".
        KeepText(Edit106, fields.startText);
        KeepText(Edit110, fields.stepText);
        throw;
    }
    KeepText(Edit106, fields.startText);
    KeepText(Edit110, fields.stepText);
    model.rampFrequency = ramp.rampFrequency;
    model.rampStepSamples = ramp.rampStepSamples;
    model.rampStepCounter = ramp.rampStepCounter;
    model.OutputBufferFilled();
    return true;
}

void TForm1::AudioOut1Start(void* /*Sender*/) {}

} // namespace app
