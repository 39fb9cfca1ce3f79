// SPDX-License-Identifier: MIT
// The window's life: construction in the stored state, the start-up sequence that puts every
// control and variable into its working state, the screen's repaint, and the shutdown that puts
// the sound card's volumes back.

#include "app/widgets/ClientArea.h"
#include "app/widgets/DoubleClickEdit.h"
#include "app/widgets/FramebufferCanvas.h"
#include "app/window/ErrorReport.h"
#include "app/window/TForm1.h"
#include "app/window/VolumeNotes.h"
#include "app/window/layout/Form1LayoutKit.h"

#include "common/NumberText.h"
#include "display/Graticule.h"
#include "generator/AmplitudeReadout.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

#include <iostream>

namespace app {

namespace {

const QString kCaption = QStringLiteral(
    "dvoukanálový osciloskop pro  SB AUDIGY  a měřicí jednotku ZEVA +100 k (do 10V ef a 200 mA)"
    "                   2026  FyzLab ");

constexpr QSize kStoredClientSize{983, 566};
constexpr QPoint kStoredPlace{293, 109};

// The order in which the volumes are read at start-up and written back at close: waveform
// output device 0 first, then the auxiliary devices.
constexpr std::array<std::uint32_t, 5> kAuxOrder{3, 2, 4, 1, 5};

// Left channel full, right channel silent.
constexpr std::uint32_t kLeftFullVolume = 0x0000FFFF;

const TForm1::StartupVariant kStartupVariant{
    .calibration = {.currentScale = 0.063, .voltageScale = 0.46, .gainL = 0.088, .gainR = 0.65},
    .saveVolumes = true,
    .setOutputVolume = true,
    .gen1Amplitude = 32000,
    .amplitudeText = generator::Gen1AmplitudeText,
    .selectorsLast = false};

} // namespace

TForm1::TForm1(const FormServices& services, QWidget* parent, measure::LevelCalibration calibration)
    : QMainWindow(parent), model(calibration),
      AudioIn1(audio::AudioServices{services.wave, services.memory}),
      AudioOut1(audio::AudioServices{services.wave, services.memory}), AudioMixer1(services.mixer),
      volume_(services.volume), volumeJournal_(services.volumeJournal),
      takeVolumesNow_(services.takeVolumesAtCreation) {
    setWindowTitle(kCaption);
    setFont(layout::FormFont());
    move(kStoredPlace);
    clientArea_ = new ClientArea(this);
    clientArea_->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(clientArea_);
    // The border cannot be dragged: the window always fits its client area and the menu bar.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    clientArea_->setFixedSize(kStoredClientSize);
    canvas_ = std::make_unique<FramebufferCanvas>(*clientArea_, kStoredClientSize);
    canvas_->SetFont(layout::FormFont());
    clientArea_->SetFramebuffer(canvas_.get());

    BuildMenu();
    BuildTopRow();
    BuildScales();
    BuildGenerator1Panel();
    BuildGenerator2Panel();
    BuildAutomaticPanel();
    BuildSweptPanel();
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    idleTimer = new QTimer(this);
    idleTimer->setObjectName(QStringLiteral("idleTimer"));
    idleTimer->setInterval(0);
    volumeRetry_ = new QTimer(this);
    volumeRetry_->setInterval(1000);
    QObject::connect(volumeRetry_, &QTimer::timeout, this, [this] {
        if (!volumesTaken_ && volume_.Answering()) {
            TakeVolumes(kStartupVariant);
        }
        if (volumesTaken_) {
            volumeRetry_->stop();
        }
    });
    SetStreamProperties();

    BindWindowHandlers();
    BindCycleHandlers();
    BindDisplayHandlers();
    BindGenerator1Handlers();
    BindGenerator2Handlers();
    BindSweepHandlers();
    BindOptimumHandler();
    BindMixerHandler();
    FormCreate(this);
}

TForm1::~TForm1() {
    SetHandlerListener(nullptr);
}

void TForm1::SetStreamProperties() {
    AudioIn1.SetBufferSize(32000);
    AudioIn1.SetNumBuffers(2);
    AudioIn1.SetFrameRate(44100);
    AudioIn1.SetStereo(true);
    AudioOut1.SetBufferSize(44100);
    AudioOut1.SetNumBuffers(4);
    AudioOut1.SetFrameRate(44100);
    AudioOut1.SetStereo(false);
    model.TrackPlayback(static_cast<std::size_t>(AudioOut1.NumBuffers()));
}

void TForm1::BindWindowHandlers() {
    clientArea_->onResized = [this] { SyncFramebufferToClient(); };
    QObject::connect(UpDown2, &QSpinBox::valueChanged, this, [this] {
        bool allowChange = true;
        UpDown2Changing(UpDown2, allowChange);
    });
    // Esc clicks the mode switch, the window's cancel button.
    auto* cancel = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    QObject::connect(cancel, &QShortcut::activated, Button3, &QPushButton::click);
}

void TForm1::FormCreate(QObject* /*Sender*/) {
    RunStartupSequence(kStartupVariant);
}

// The start-up sequence, shared by the window's creation and the "optimum" reset; `variant`
// holds what the two do differently.
void TForm1::RunStartupSequence(const StartupVariant& variant) {
    PlaceWindowAndPanels();
    LoadCalibration(variant.calibration);
    SilenceGenerator2();
    if (!variant.selectorsLast) {
        ResetReadoutSelectors();
    }
    ResetDisplayState();
    TakeVolumes(variant);
    ResetGenerator1(variant);
    ResetGeneratorModes();
    if (variant.selectorsLast) {
        ResetReadoutSelectors();
    }
    StartPlayback();
    WakeIdleCycle();
}

// The window at the screen's top left corner, 800 pixels wide, and the controls that follow
// the screen's middle line.
void TForm1::PlaceWindowAndPanels() {
    model.captureCount = AudioIn1.BufferSize();
    SetClientSize(800, ClientHeight());
    move(0, 0);
    SetClientSize(800, 526);
    Panel110->move(388, 498);
    model.halfWaveStartR = 1;
    TrackBar1->move(TrackBar1->x(), ClientHeight() / 2 - 220);
    Edit18->move(Edit18->x(), ClientHeight() / 2 - 226);
    Edit2->move(Edit2->x(), ClientHeight() / 2 - 226);
    Edit19->move(Edit19->x(), ClientHeight() / 2 + 212);
    Edit5->move(Edit5->x(), ClientHeight() / 2 + 212);
}

// The card's factors scale both what a sample unit reads as and how high it is drawn, so that
// readouts and traces agree with the scales whatever the card.
void TForm1::LoadCalibration(const Calibration& calibration) {
    model.currentScale = calibration.currentScale * model.levelCalibration.current;
    model.voltageScale = calibration.voltageScale * model.levelCalibration.voltage;
    gainL = calibration.gainL * model.levelCalibration.current;
    gainR = calibration.gainR * model.levelCalibration.voltage;
}

void TForm1::ResetReadoutSelectors() {
    ComboBox9->setCurrentIndex(0);
    ComboBox10->setCurrentIndex(0);
    RadioButton5->setChecked(true);
}

// Traces, graticule, ranges and time base in their start-up state; draws the graticule.
void TForm1::ResetDisplayState() {
    model.generatorTimeBase = 0;
    traceWidth = 1;
    ResetRangesAndTimeBase();
    offsetR = 0;
    drawnOffsetR = 0;
    offsetL = 0;
    drawnOffsetL = 0;
    gridVisible = 1;
    model.periodicMode = 1;
    gridBrightness = 75;
    DrawGraticule();
    model.pointStride = 6;
    model.smoothingL = 16;
    model.smoothingR = 16;
    model.autoTimeBase = 1;
    ComboBox1->setCurrentIndex(8);
    ComboBox4->setCurrentIndex(0);
}

void TForm1::TakeVolumes(const StartupVariant& variant) {
    if (variant.saveVolumes && !takeVolumesNow_) {
        return; // the program takes them once the start can no longer be refused
    }
    const std::array<std::uint32_t, 6> volumes = ReadVolumes();
    if (!volume_.Answering()) {
        // What was read is not the card's: it is neither kept nor overwritten, and asked again
        // once the server answers, so that a hiccup at start does not last the whole session.
        if (variant.saveVolumes && !volumesTaken_ && !volumeRetry_->isActive()) {
            std::cerr << "osciloskop: the sound server did not answer in time; the volumes "
                         "are set once it does"
                      << std::endl;
            volumeRetry_->start();
        }
        return;
    }
    if (variant.saveVolumes) {
        KeepUserVolumes(volumes);
    }
    // Never an output level set whose user's level is not kept to be given back.
    if (variant.setOutputVolume && volumesTaken_) {
        volume_.WaveOutSetVolume(0, kLeftFullVolume);
    }
}

void TForm1::TakeUserVolumes() {
    takeVolumesNow_ = true;
    TakeVolumes(kStartupVariant);
}

void TForm1::VolumesReturned() {
    if (!volume_.Reconnect() || (volumesTaken_ && volume_.WaveOutGetVolume(0) == kLeftFullVolume)) {
        return; // the same server came back with the instrument's output still set
    }
    TakeVolumes(kStartupVariant);
}

// Generator 1's panel in its place, at 100 Hz on the 100 Hz to 1 kHz range, at the variant's
// amplitude. At creation, raising the frequency bar's minimum moves its position from 0 to 100,
// which runs its change handler: the first capture burst starts and the traces are drawn once.
void TForm1::ResetGenerator1(const StartupVariant& variant) {
    Panel13->move(0, ClientHeight() / 2 + 235);
    ResetGenerator1Frequency();
    ScrollBar4->setMinimum(0);
    ScrollBar4->setMaximum(32767);
    ScrollBar4->setValue(variant.gen1Amplitude);
    model.gen1Amplitude = ScrollBar4->value();
    Edit13->setText(QString::fromStdString(variant.amplitudeText(model.gen1Amplitude)));
}

// The readouts follow generator 1, generator 2's panel in its place, the output back to
// generators 1 and 2, the automatic generator stopped (its button keeps its caption).
void TForm1::ResetGeneratorModes() {
    model.generatorTimeBase = 1;
    model.autoTimeBase = 1;
    Panel410->move(Panel410->x(), 472);
    model.generatorMode = 0;
    model.sweepRunning = 0;
    Timer1->stop();
    showTraceL = 1;
    showTraceR = 1;
}

// A failed start is tried once more; then the program goes on without sound output.
void TForm1::StartPlayback() {
    if (!AudioOut1.Start()) {
        AudioOut1.Start();
    }
}

void TForm1::FormClose(QObject* /*Sender*/, TCloseAction& /*Action*/) {
    RestoreVolumes();
}

void TForm1::FormResize(QObject* /*Sender*/) {
    RepaintWindow();
}

void TForm1::closeEvent(QCloseEvent* event) {
    TCloseAction action = TCloseAction::caHide;
    FormClose(this, action);
    if (action == TCloseAction::caNone) {
        event->ignore();
        return;
    }
    event->accept();
}

std::array<std::uint32_t, 6> TForm1::ReadVolumes() {
    std::array<std::uint32_t, 6> volumes{};
    volumes[0] = volume_.WaveOutGetVolume(0);
    for (std::uint32_t device : kAuxOrder) {
        volumes[device] = volume_.AuxGetVolume(device);
    }
    return volumes;
}

void TForm1::RestoreVolumes() {
    volumeRetry_->stop();
    if (!volumesTaken_) {
        return;
    }
    bool restored = RestoreVolume(0);
    for (std::uint32_t device : kAuxOrder) {
        restored = RestoreVolume(device) && restored;
    }
    SetImmediateExitNote({});
    if (restored) {
        ForgetUserVolumes();
    }
}

display::Canvas& TForm1::Canvas() {
    return *canvas_;
}

FramebufferCanvas& TForm1::Framebuffer() {
    return *canvas_;
}

int TForm1::ClientWidth() const {
    return clientArea_->width();
}

int TForm1::ClientHeight() const {
    return clientArea_->height();
}

void TForm1::SetClientSize(int width, int height) {
    clientArea_->setFixedSize(width, height);
    // A hidden widget gets its resize event only when shown; the canvas follows at once.
    SyncFramebufferToClient();
}

void TForm1::SyncFramebufferToClient() {
    if (canvas_ == nullptr || canvas_->Image().size() == clientArea_->size()) {
        return;
    }
    canvas_->Resize(clientArea_->size());
    FormResize(this);
}

void TForm1::RepaintWindow() {
    canvas_->Erase();
    clientArea_->repaint();
    WakeIdleCycle();
}

void TForm1::DrawGraticule() {
    display::DrawGraticule(*canvas_, gridVisible, gridBrightness, gridUnit);
}

void TForm1::UpDown2Changing(QObject* /*Sender*/, bool& /*AllowChange*/) {
    gridBrightness = static_cast<std::int16_t>(UpDown2->value() * 5);
    DrawGraticule();
}

} // namespace app
