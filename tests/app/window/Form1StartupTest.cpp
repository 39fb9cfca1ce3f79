// SPDX-License-Identifier: MIT
// The window right after start-up, and what closing it gives back.

#include "Form1TestRig.h"

#include "app/widgets/ClientArea.h"

#include <QComboBox>
#include <QFrame>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>

#include <gtest/gtest.h>

namespace app {
namespace {

using test::Form1Rig;
using test::RecordingVolumes;

TEST(Form1Startup, CaptionEndsWithNineteenSpacesYearAndInstitution) {
    Form1Rig rig;
    EXPECT_EQ(rig.form->windowTitle().toStdString(),
              "dvoukanálový osciloskop pro  SB AUDIGY  a měřicí jednotku ZEVA +100 k (do 10V ef "
              "a 200 mA)                   2026  FyzLab ");
}

TEST(Form1Startup, ClientAreaIsFixedAtEightHundredByFiveHundredTwentySix) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    EXPECT_EQ(form.ClientWidth(), 800);
    EXPECT_EQ(form.ClientHeight(), 526);
    EXPECT_EQ(form.centralWidget()->minimumSize(), QSize(800, 526));
    EXPECT_EQ(form.centralWidget()->maximumSize(), QSize(800, 526));
    EXPECT_EQ(form.Framebuffer().Image().size(), QSize(800, 526));
    EXPECT_EQ(form.Canvas().ClientWidth(), 800);
    EXPECT_EQ(form.Canvas().ClientHeight(), 526);
    EXPECT_EQ(form.pos(), QPoint(0, 0));
    // The window cannot be resized by the user: it is exactly as wide as its client area.
    form.layout()->activate();
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_EQ(form.width(), 800);
    EXPECT_GT(form.height(), 526);
    // The menu bar lies outside the client area.
    EXPECT_EQ(form.menuBar(), form.MainMenu1);
    EXPECT_NE(form.MainMenu1->parentWidget(), form.centralWidget());
}

TEST(Form1Startup, ControlsFollowingTheMiddleLineAndThePanels) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    EXPECT_EQ(form.TrackBar1->y(), 43);
    EXPECT_EQ(form.Edit18->y(), 37);
    EXPECT_EQ(form.Edit2->y(), 37);
    EXPECT_EQ(form.Edit19->y(), 475);
    EXPECT_EQ(form.Edit5->y(), 475);
    EXPECT_EQ(form.Panel13->pos(), QPoint(0, 498));
    EXPECT_EQ(form.Panel110->pos(), QPoint(388, 498));
    EXPECT_EQ(form.Panel410->y(), 472);
    EXPECT_TRUE(form.Panel14->isHidden());
    EXPECT_FALSE(form.Panel13->isHidden());
    EXPECT_TRUE(form.Panel110->isHidden());
    EXPECT_TRUE(form.Panel410->isHidden());
}

TEST(Form1Startup, SelectorsAndReadoutsStandOnTheirWorkingState) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    EXPECT_EQ(form.Edit13->text().toStdString(), "1828");
    EXPECT_EQ(form.Edit14->text().toStdString(), " 100");
    EXPECT_EQ(form.ComboBox1->currentIndex(), 8);
    EXPECT_EQ(form.ComboBox1->currentText().toStdString(), " generátoru");
    EXPECT_EQ(form.ComboBox4->currentIndex(), 0);
    EXPECT_EQ(form.ComboBox4->currentText().toStdString(), "automaticky");
    EXPECT_EQ(form.ComboBox4->lineEdit()->cursorPosition(), 0)
        << "a selector shows the beginning of the item that start-up selected";
    EXPECT_EQ(form.ComboBox9->currentIndex(), 0);
    EXPECT_EQ(form.ComboBox10->currentIndex(), 0);
    EXPECT_EQ(form.ComboBox7->currentIndex(), 0);
    EXPECT_EQ(form.ComboBox8->currentIndex(), 1);
    EXPECT_TRUE(form.RadioButton5->isChecked());
    EXPECT_FALSE(form.RadioButton3->isChecked());
    EXPECT_EQ(form.Button3->text().toStdString(), "jednorázové");
    EXPECT_EQ(form.TrackBar1->value(), 0);
}

TEST(Form1Startup, GeneratorScrollBarsHoldTheirWorkingRanges) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    EXPECT_EQ(form.ScrollBar5->minimum(), 100);
    EXPECT_EQ(form.ScrollBar5->maximum(), 1000);
    EXPECT_EQ(form.ScrollBar5->value(), 100);
    EXPECT_EQ(form.ScrollBar5->pageStep(), 10);
    EXPECT_EQ(form.ScrollBar5->singleStep(), 1);
    EXPECT_EQ(form.ScrollBar4->minimum(), 0);
    EXPECT_EQ(form.ScrollBar4->maximum(), 32767);
    EXPECT_EQ(form.ScrollBar4->value(), 32000);
    EXPECT_EQ(form.model.gen1Frequency, 100);
    EXPECT_EQ(form.model.gen1Amplitude, 32000);
    EXPECT_EQ(form.model.gen2Amplitude, 0);
    EXPECT_EQ(form.model.gen2Frequency, 0);
    EXPECT_EQ(form.model.generatorMode, 0);
}

TEST(Form1Startup, ProgramWideVariablesTakeTheirStartValues) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    EXPECT_EQ(form.model.captureCount, 32000);
    EXPECT_EQ(form.model.periodicMode, 1);
    EXPECT_EQ(form.model.halfWaveStartR, 1);
    EXPECT_DOUBLE_EQ(form.model.currentScale, 0.063);
    EXPECT_DOUBLE_EQ(form.model.voltageScale, 0.46);
    EXPECT_DOUBLE_EQ(form.gainL, 0.088);
    EXPECT_DOUBLE_EQ(form.gainR, 0.65);
    EXPECT_EQ(form.traceWidth, 1);
    // Setting generator 1's frequency runs one display cycle on the still empty block, which
    // ranges both channels down to their smallest automatic range and applies a time base.
    EXPECT_DOUBLE_EQ(form.model.divisionValueL, 0.1);
    EXPECT_DOUBLE_EQ(form.model.divisionValueR, 1.0);
    EXPECT_DOUBLE_EQ(form.model.scaleL, 100.0);
    EXPECT_DOUBLE_EQ(form.model.scaleR, 10.0);
    EXPECT_EQ(form.gridVisible, 1);
    EXPECT_EQ(form.gridBrightness, 75);
    EXPECT_DOUBLE_EQ(form.gridUnit, 3.8);
    EXPECT_EQ(form.model.pointStride, 1);
    EXPECT_EQ(form.model.smoothingL, 16);
    EXPECT_EQ(form.model.smoothingR, 16);
    EXPECT_EQ(form.model.appliedRangeL, display::CurrentRange::mA1);
    EXPECT_EQ(form.model.appliedRangeR, display::VoltageRange::mV10);
    EXPECT_EQ(form.model.timeBaseApplied, (std::array<std::int32_t, 7>{0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(form.model.autoTimeBase, 1);
    EXPECT_EQ(form.model.generatorTimeBase, 1);
    EXPECT_EQ(form.model.autoRangeL, 1);
    EXPECT_EQ(form.model.autoRangeR, 1);
    EXPECT_DOUBLE_EQ(form.model.frequencyL, 40.0);
    EXPECT_DOUBLE_EQ(form.model.frequencyR, 40.0);
    EXPECT_EQ(form.model.sweepRunning, 0);
    EXPECT_EQ(form.showTraceL, 1);
    EXPECT_EQ(form.showTraceR, 1);
}

TEST(Form1Startup, StreamsAndTimersAreConfigured) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    EXPECT_EQ(form.AudioIn1.BufferSize(), 32000);
    EXPECT_EQ(form.AudioIn1.NumBuffers(), 2);
    EXPECT_EQ(form.AudioIn1.FrameRate(), 44100);
    EXPECT_TRUE(form.AudioIn1.Stereo());
    EXPECT_EQ(form.AudioOut1.BufferSize(), 44100);
    EXPECT_EQ(form.AudioOut1.NumBuffers(), 4);
    EXPECT_FALSE(form.AudioOut1.Stereo());
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_TRUE(form.idleTimer->isActive());
    EXPECT_EQ(form.idleTimer->interval(), 0);
}

TEST(Form1Startup, MovingTheGeneratorScrollBarsRanTheirHandlersAndBothStreamsRun) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    // The frequency handler rewrote the stored unit "kHz" for 100 Hz and started the capture.
    EXPECT_EQ(form.Edit3->text().toStdString(), " Hz");
    EXPECT_TRUE(form.AudioIn1.DeviceOpen());
    // Playback was started once, successfully, and keeps its buffers with the card.
    EXPECT_TRUE(form.AudioOut1.DeviceOpen());
    EXPECT_TRUE(form.AudioOut1.Running());
    rig.card.AdvanceFrames(44100);
    rig.dispatcher.Drain();
    EXPECT_TRUE(form.AudioOut1.Running());
    EXPECT_GT(form.AudioOut1.BuffersDone(), 0);
}

TEST(Form1Startup, VolumesAreSavedInDeviceOrderThenTheOutputGoesFullLeft) {
    Form1Rig rig;
    const std::vector<std::string> expected{"get wave 0",         "get aux 3", "get aux 2",
                                            "get aux 4",          "get aux 1", "get aux 5",
                                            "set wave 0 0000FFFF"};
    EXPECT_EQ(rig.volumes.calls, expected);
    const auto& start = platform::sim::SimVolumes::kStartVolumes;
    for (std::size_t device = 0; device < start.size(); ++device) {
        EXPECT_EQ(rig.form->savedVolumes[device], start[device]) << "device " << device;
    }
    EXPECT_EQ(rig.volumes.table.WaveOutGetVolume(0), 0x0000FFFFu);
}

TEST(Form1Startup, ClosingRestoresEveryVolumeReadAtStartUpInTheSameOrder) {
    Form1Rig rig;
    // Someone turns the card's controls meanwhile; closing still restores the start-up values.
    rig.volumes.table.AuxSetVolume(2, 0x12341234);
    rig.volumes.table.WaveOutSetVolume(0, 0);
    rig.volumes.calls.clear();

    EXPECT_TRUE(rig.form->close());

    const auto& start = platform::sim::SimVolumes::kStartVolumes;
    const std::vector<std::string> expected{"set wave 0 " + RecordingVolumes::Hex(start[0]),
                                            "set aux 3 " + RecordingVolumes::Hex(start[3]),
                                            "set aux 2 " + RecordingVolumes::Hex(start[2]),
                                            "set aux 4 " + RecordingVolumes::Hex(start[4]),
                                            "set aux 1 " + RecordingVolumes::Hex(start[1]),
                                            "set aux 5 " + RecordingVolumes::Hex(start[5])};
    EXPECT_EQ(rig.volumes.calls, expected);
    EXPECT_EQ(rig.volumes.table.AuxGetVolume(2), start[2]);
}

TEST(Form1Startup, ResizingTheClientRepaintsAndResizesTheScreen) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    form.Canvas().SetPenColor(display::kWhite);
    form.Canvas().MoveTo(10, 10);
    form.Canvas().LineTo(20, 10);
    form.SetClientSize(794, 526);
    EXPECT_EQ(form.Framebuffer().Image().size(), QSize(794, 526));
    EXPECT_EQ(form.Framebuffer().PixelAt(15, 10), display::kBlack);
    EXPECT_EQ(form.ClientWidth(), 794);
}

} // namespace
} // namespace app
