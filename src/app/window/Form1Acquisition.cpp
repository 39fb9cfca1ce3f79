// SPDX-License-Identifier: MIT
// The acquisition cycle: the idle pass that keeps the capture running in two-block bursts and
// measures (and, periodically, draws) the latest block; the block handler; the controls that
// steer the cycle; and the level and frequency readouts over the measuring routines.

#include "app/window/ErrorReport.h"
#include "app/window/TForm1.h"
#include "app/window/layout/Form1LayoutKit.h"

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>

namespace app {

namespace {

using measure::Channel;

// Readouts are rewritten on every pass; an unchanged text is left alone, so that a steady
// readout costs no repaint.
void ShowText(QLineEdit* edit, const std::string& text) {
    const QString value = QString::fromStdString(text);
    if (edit->text() != value) {
        edit->setText(value);
    }
}

void ShowBackground(QWidget* widget, const QColor& colour) {
    if (widget->palette().color(QPalette::Base) == colour) {
        return;
    }
    QPalette palette = widget->palette();
    for (QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::Button}) {
        palette.setColor(role, colour);
    }
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// One channel's level readout: the model measures, the window shows the text (and, for channel
// L, the readouts' colour). The trace starts anew from the block's start.
void MeasureLevelOf(TForm1& f, Channel channel) {
    const bool isL = channel == Channel::L;
    (isL ? f.offsetL : f.offsetR) = 0;
    (isL ? f.triggerIndexL : f.triggerIndexR) = 1;
    if (f.model.MeasureLevel(channel)) {
        ShowBackground(f.Edit4, layout::kYellow);
        ShowBackground(f.Edit12, layout::kYellow);
    }
    ShowText(isL ? f.Edit4 : f.Edit1, isL ? f.model.currentText : f.model.voltageText);
}

void MeasureFrequencyOf(TForm1& f, Channel channel) {
    const bool isL = channel == Channel::L;
    const bool hidePanel14 = f.model.MeasureFrequency(channel);
    ShowText(isL ? f.Edit12 : f.Edit8, isL ? f.model.frequencyLText : f.model.frequencyRText);
    if (hidePanel14) {
        f.Panel14->hide();
    }
}

// Selecting a channel: repaint, which traces to draw, and the matching trigger source.
void SelectChannels(TForm1& f, std::int32_t showL, std::int32_t showR, int triggerItem) {
    f.RepaintWindow();
    f.showTraceL = showL;
    f.showTraceR = showR;
    f.ComboBox4->setCurrentIndex(triggerItem);
}

} // namespace

void TForm1::BindCycleHandlers() {
    // The zero-interval timer fires whenever the event queue is empty, for as long as the idle
    // cycle keeps it running.
    QObject::connect(idleTimer, &QTimer::timeout, this, [this] { RunIdlePass(); });
    SetHandlerListener([this] { WakeIdleCycle(); });
    QObject::connect(Button3, &QPushButton::clicked, this,
                     Reported([this] { Button3Click(Button3); }));
    QObject::connect(RadioButton3, &QRadioButton::clicked, this,
                     Reported([this] { RadioButton3Click(RadioButton3); }));
    QObject::connect(RadioButton4, &QRadioButton::clicked, this,
                     Reported([this] { RadioButton4Click(RadioButton4); }));
    QObject::connect(RadioButton5, &QRadioButton::clicked, this,
                     Reported([this] { RadioButton5Click(RadioButton5); }));
    QObject::connect(ComboBox4, &QComboBox::activated, this,
                     Reported([this] { ComboBox4Click(ComboBox4); }));
    QObject::connect(TrackBar1, &QSlider::valueChanged, this,
                     Reported([this] { TrackBar1Change(TrackBar1); }));
    QObject::connect(ScrollBar4, &QScrollBar::valueChanged, this,
                     Reported([this] { ScrollBar4Change(ScrollBar4); }));
    QObject::connect(ScrollBar5, &QScrollBar::valueChanged, this,
                     Reported([this] { ScrollBar5Change(ScrollBar5); }));
    // The stream events are not wrapped: a failure must reach the stream component (the buffer
    // is lost to its ring) and then the dispatcher, which reports it.
    AudioIn1.OnBufferFilled = [this](char* buffer, int& size) {
        return AudioIn1BufferFilled(buffer, size);
    };
    AudioOut1.OnFillBuffer = [this](char* buffer, int& size) {
        return AudioOut1FillBuffer(buffer, size);
    };
    AudioOut1.OnStart = [this](void* sender) { AudioOut1Start(sender); };
    // The end of a capture burst: the next pass starts the next one.
    AudioIn1.OnStop = [this](void* /*sender*/) { WakeIdleCycleForCapture(); };
}

void TForm1::MyIdleEvent(QObject* /*Sender*/, bool& Done) {
    // While a burst runs both calls fail with "already open" and change nothing.
    if (!AudioIn1.Start()) {
        AudioIn1.Start();
    }
    if (model.periodicMode == 1) {
        DrawGraticule();
        DrawTraces();
        Done = false;
    }
    if (model.periodicMode == 0) {
        MeasureLevelL();
        MeasureFrequencyL();
        MeasureLevelR();
        MeasureFrequencyR();
        Done = false;
    }
    model.PublishMeasuredBlock(AudioOut1.Running() && !AudioOut1.Paused());
}

bool TForm1::AudioIn1BufferFilled(char* Buffer, int& Size) {
    model.StoreBlock(Buffer, Size);
    WakeIdleCycle(2);
    // Declined: the device gets the buffer back only with the next Start, so a Start yields
    // exactly one burst of two blocks.
    return false;
}

void TForm1::Button3Click(QObject* /*Sender*/) {
    if (model.periodicMode == 1) {
        model.periodicMode = 0;
        Button3->setText(QStringLiteral("periodické"));
        RepaintWindow();
        DrawTraces();
    } else if (model.periodicMode == 0) {
        model.periodicMode = 1;
        Button3->setText(QStringLiteral("jednorázové"));
    }
}

void TForm1::RadioButton3Click(QObject* /*Sender*/) {
    SelectChannels(*this, 1, 0, 1);
}

void TForm1::RadioButton4Click(QObject* /*Sender*/) {
    SelectChannels(*this, 0, 1, 2);
}

void TForm1::RadioButton5Click(QObject* /*Sender*/) {
    SelectChannels(*this, 1, 1, 0);
}

void TForm1::ComboBox4Click(QObject* /*Sender*/) {
    RepaintWindow();
}

void TForm1::TrackBar1Change(QObject* /*Sender*/) {
    TrackBar1->setValue(0);
}

void TForm1::MeasureLevelL() {
    MeasureLevelOf(*this, Channel::L);
}

void TForm1::MeasureLevelR() {
    MeasureLevelOf(*this, Channel::R);
}

void TForm1::MeasureFrequencyL() {
    MeasureFrequencyOf(*this, Channel::L);
}

void TForm1::MeasureFrequencyR() {
    MeasureFrequencyOf(*this, Channel::R);
}

} // namespace app
