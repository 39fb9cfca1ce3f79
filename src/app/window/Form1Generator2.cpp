// SPDX-License-Identifier: MIT
// Generator 2's panel: a second tone added to generator 1, with its own amplitude and frequency
// scroll bars, range boxes and menu entries. Every change asks the playback stream to start,
// which does nothing while it runs; the next block carries the new values.

#include "app/window/ErrorReport.h"
#include "app/window/PanelControls.h"
#include "app/window/TForm1.h"

#include "generator/AmplitudeReadout.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>

namespace app {

namespace {

constexpr int kSwitchOffItem = 4; // "     zrušit" in the frequency range box

} // namespace

void TForm1::BindGenerator2Handlers() {
    QObject::connect(ScrollBar403, &QScrollBar::valueChanged, this,
                     Reported([this] { ScrollBar403Change(ScrollBar403); }));
    QObject::connect(ScrollBar406, &QScrollBar::valueChanged, this,
                     Reported([this] { ScrollBar406Change(ScrollBar406); }));
    // The amplitude box answers both a choice from its list and an edit of its text; a choice
    // also rewrites the text, so it runs the handler twice, the second time without effect.
    QObject::connect(ComboBox410, &QComboBox::activated, this,
                     Reported([this] { ComboBox410Change(ComboBox410); }));
    QObject::connect(ComboBox410, &QComboBox::editTextChanged, this,
                     Reported([this] { ComboBox410Change(ComboBox410); }));
    QObject::connect(ComboBox411, &QComboBox::activated, this,
                     Reported([this] { ComboBox411Click(ComboBox411); }));
    QObject::connect(zobrazit2, &QAction::triggered, this,
                     Reported([this] { zobrazit2Click(zobrazit2); }));
    QObject::connect(zruit2, &QAction::triggered, this, Reported([this] { zruit2Click(zruit2); }));
}

void TForm1::ScrollBar403Change(QObject* /*Sender*/) {
    model.gen2Amplitude = ScrollBar403->value();
    AudioOut1.Start();
    ShowText(Edit403, generator::Gen2AmplitudeText(model.gen2Amplitude));
}

void TForm1::ScrollBar406Change(QObject* /*Sender*/) {
    model.gen2Frequency = ScrollBar406->value();
    AudioOut1.Start();
    ShowNumber(Edit409, ScrollBar406->value());
}

void TForm1::ComboBox410Change(QObject* /*Sender*/) {
    // The item the box's text names; typed text that names none is item -1.
    const int item = ComboBox410->findText(ComboBox410->currentText());
    const auto range = generator::AmplitudeRange(item);
    if (!range) {
        return;
    }
    ApplyRange(ScrollBar403, *range);
    if (generator::RangeRewritesAmplitude(item)) {
        model.gen2Amplitude = ScrollBar403->value();
        ShowText(Edit403, generator::Gen2AmplitudeText(model.gen2Amplitude));
    }
}

void TForm1::ComboBox411Click(QObject* /*Sender*/) {
    const int item = ComboBox411->currentIndex();
    if (item == kSwitchOffItem) {
        Panel410->hide();
        model.gen2Amplitude = 0;
        model.gen2Frequency = 0;
        AudioOut1.Start();
    } else if (const auto range = generator::FrequencyRange(item)) {
        ApplyRange(ScrollBar406, *range);
    }
}

void TForm1::zobrazit2Click(QObject* /*Sender*/) {
    Panel410->show();
    Panel110->hide();
    Panel215->hide();
    Panel215->setEnabled(false);
    model.gen2Frequency = ScrollBar406->value();
    AudioOut1.Start();
    ShowNumber(Edit409, ScrollBar406->value());
    model.gen2Amplitude = ScrollBar403->value();
    AudioOut1.Start();
    ShowText(Edit403, generator::Gen2AmplitudeText(model.gen2Amplitude));
}

void TForm1::zruit2Click(QObject* /*Sender*/) {
    Panel410->hide();
    Panel110->hide();
    Panel215->hide();
    Panel215->setEnabled(true);
    SilenceGenerator2();
}

void TForm1::SilenceGenerator2() {
    model.gen2Amplitude = 0;
    model.gen2Frequency = 0;
}

} // namespace app
