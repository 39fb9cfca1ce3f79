// SPDX-License-Identifier: MIT
// The automatic generator, which steps generator 1's frequency on Timer1 and redraws at every
// step, and the swept generator, which switches the output to blocks that each sweep upwards.
// The panels share their place with generator 2's; showing one through its menu hides the
// others.

#include "app/widgets/DoubleClickEdit.h"
#include "app/window/ErrorReport.h"
#include "app/window/PanelControls.h"
#include "app/window/TForm1.h"

#include "generator/AutoSweep.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QPushButton>
#include <QTimer>

namespace app {

namespace {

constexpr int kTimeBase100ms = 1; // the time base box's "   100 msec"

void ShowReplacement(QLineEdit* edit, const std::optional<std::int32_t>& value) {
    if (value) {
        ShowNumber(edit, *value);
    }
}

} // namespace

void TForm1::BindSweepHandlers() {
    const std::pair<QAction*, void (TForm1::*)(QObject*)> menu[] = {
        {zobrazit3, &TForm1::zobrazit3Click},
        {zruit3, &TForm1::zruit3Click},
        {zobrazit4, &TForm1::zobrazit4Click},
        {zruit4, &TForm1::zruit4Click}};
    for (auto [action, handler] : menu) {
        QObject::connect(action, &QAction::triggered, this,
                         Reported([this, action, handler] { (this->*handler)(action); }));
    }
    const std::pair<QPushButton*, void (TForm1::*)(QObject*)> buttons[] = {
        {Button203, &TForm1::Button203Click},
        {Button204, &TForm1::Button204Click},
        {Button103, &TForm1::Button103Click},
        {Button104, &TForm1::Button104Click}};
    for (auto [button, handler] : buttons) {
        QObject::connect(button, &QPushButton::clicked, this,
                         Reported([this, button, handler] { (this->*handler)(button); }));
    }
    QObject::connect(Timer1, &QTimer::timeout, this, Reported([this] { Timer1Timer(Timer1); }));
}

// ---- Automatic generator ----

void TForm1::zobrazit3Click(QObject* /*Sender*/) {
    Panel215->show();
    Panel215->setEnabled(true);
    Panel410->hide();
    model.generatorMode = 0;
    AudioOut1.Start();
    Panel110->hide();
    SilenceGenerator2();
}

void TForm1::zruit3Click(QObject* /*Sender*/) {
    Panel215->hide();
    Panel110->setEnabled(true);
    Panel215->setEnabled(true);
}

void TForm1::Button203Click(QObject* /*Sender*/) {
    // Every press reads the fields, also one that stops the run: a field that is no number
    // fails the press before anything changes.
    const generator::SweepRequest request{FieldInt(Edit206, generator::kEmptyFrequencyField),
                                          FieldInt(Edit216, generator::kEmptyFrequencyField),
                                          FieldInt(Edit222, generator::kEmptyCountField),
                                          FieldInt(Edit223, generator::kEmptyCountField)};
    if (model.sweepRunning == 1) {
        StopSweep();
        return;
    }
    Button203->setText(QStringLiteral("stop"));
    const generator::SweepPlan plan = generator::PlanSweep(request);
    model.sweepFrom = plan.from;
    ShowReplacement(Edit206, plan.shownFrom);
    model.sweepTo = plan.to;
    ShowReplacement(Edit216, plan.shownTo);
    model.sweepStep = plan.step;
    ShowReplacement(Edit223, plan.shownStep);
    model.sweepInterval = plan.interval;
    ShowReplacement(Edit222, plan.shownDelay);
    model.sweepStepCount = plan.stepCount;
    model.sweepStepIndex = 0;
    model.gen1Frequency = model.sweepFrom;
    ScrollBar5->setValue(model.gen1Frequency);
    ShowSweepStep();
    RepaintWindow();
    DrawTraces();
    Timer1->start(model.sweepInterval);
    model.sweepRunning = 1;
}

void TForm1::Timer1Timer(QObject* /*Sender*/) {
    ++model.sweepStepIndex;
    model.gen1Frequency =
        generator::SweepFrequency(model.sweepFrom, model.sweepStep, model.sweepStepIndex);
    // The bar clamps to its range; when it moves, its handler may round the frequency.
    ScrollBar5->setValue(model.gen1Frequency);
    ShowSweepStep();
    DrawTraces();
    if (model.sweepStepIndex == model.sweepStepCount) {
        StopSweep();
    }
}

// The warning, readout and range box for the step just made (display only: the scroll bar's
// range stays).
void TForm1::ShowSweepStep() {
    Panel14->setVisible(model.gen1Frequency > generator::kDisplayLimitHz);
    Edit14->setText(QStringLiteral(" ") + QString::number(ScrollBar5->value()));
    ComboBox8->setCurrentIndex(generator::SweepRangeItem(model.gen1Frequency));
}

void TForm1::StopSweep() {
    Button203->setText(QStringLiteral("start"));
    model.sweepRunning = 0;
    Timer1->stop();
}

// Stops the stepping only: the run still counts as running, so the next press of the start
// button stops it and the one after that starts anew.
void TForm1::Button204Click(QObject* /*Sender*/) {
    Panel215->hide();
    model.generatorMode = 0;
    Timer1->stop();
}

// ---- Swept generator ----

void TForm1::zobrazit4Click(QObject* /*Sender*/) {
    Panel110->show();
    Panel215->setEnabled(false);
    Panel215->hide();
    Panel410->hide();
    SilenceGenerator2();
}

void TForm1::zruit4Click(QObject* /*Sender*/) {
    Panel110->hide();
    Panel215->setEnabled(true);
    Panel410->hide();
}

void TForm1::Button103Click(QObject* /*Sender*/) {
    ComboBox1->setCurrentIndex(kTimeBase100ms);
    model.autoTimeBase = 0;
    model.generatorTimeBase = 0;
    model.generatorMode = 1;
    AudioOut1.Start();
}

void TForm1::Button104Click(QObject* /*Sender*/) {
    Panel110->hide();
    model.generatorMode = 0;
}

} // namespace app
