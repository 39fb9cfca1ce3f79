// SPDX-License-Identifier: MIT
// The automatic and swept generators, the "optimum" reset and the mixer program command.

#include "Form1TestRig.h"

#include "app/window/ErrorReport.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace app {
namespace {

using test::Form1Rig;

std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

struct Fields {
    const char *from, *to, *step, *delay;
};

void StartRun(TForm1& form, Fields fields) {
    form.zobrazit3->trigger();
    form.Edit206->setText(fields.from);
    form.Edit216->setText(fields.to);
    form.Edit223->setText(fields.step);
    form.Edit222->setText(fields.delay);
    form.Button203->click();
}

// Ticks the timer as it would fire, until the run stops; the frequency after each tick.
std::vector<std::int32_t> Ticks(TForm1& form) {
    std::vector<std::int32_t> frequencies;
    for (int tick = 0; form.Timer1->isActive() && tick < 1000; ++tick) {
        form.Timer1Timer(form.Timer1);
        frequencies.push_back(form.model.gen1Frequency);
    }
    return frequencies;
}

TEST(AutomaticGenerator, RunsFromItsFieldsAndStopsOnTheLastStep) {
    struct Case {
        Fields fields;
        std::vector<std::int32_t> frequencies; // the start, then one per tick
    };
    for (const Case& c : {
             Case{{"100", "200", "10", "1"},
                  {100, 110, 120, 130, 140, 150, 160, 170, 180, 190, 200}},
             Case{{"100", "200", "30", "1"}, {100, 130, 160, 190}},
             Case{{"500", "100", "10", "1"}, {500, 510}},
         }) {
        Form1Rig rig;
        TForm1& form = *rig.form;
        StartRun(form, c.fields);
        EXPECT_EQ(form.Button203->text().toStdString(), "stop");
        EXPECT_EQ(form.model.sweepRunning, 1);
        EXPECT_EQ(form.Timer1->interval(), 1000);
        std::vector<std::int32_t> seen{form.model.gen1Frequency};
        for (std::int32_t f : Ticks(form)) {
            seen.push_back(f);
        }
        EXPECT_EQ(seen, c.frequencies) << c.fields.step;
        EXPECT_EQ(Text(form.Edit14), std::string(" ") + std::to_string(c.frequencies.back()));
        EXPECT_EQ(form.Button203->text().toStdString(), "start");
        EXPECT_EQ(form.model.sweepRunning, 0);
    }
}

TEST(AutomaticGenerator, OutOfRangeAndEmptyFieldsAreReplacedByTheValuesUsed) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    StartRun(form, {"5", "0", "", "0"});
    EXPECT_EQ(Text(form.Edit206), "20");
    EXPECT_EQ(Text(form.Edit216), "21");
    EXPECT_EQ(Text(form.Edit223), "1");
    EXPECT_EQ(Text(form.Edit222), "1");
    EXPECT_EQ(form.model.sweepFrom, 20);
    EXPECT_EQ(form.model.sweepStepCount, 1);
    form.Button203->click(); // stop
    form.Edit222->setText("3");
    form.Button203->click();
    EXPECT_EQ(form.Timer1->interval(), 3000);
    form.Button203->click();
    // A delay beyond what the timer holds is capped, and the field says so.
    form.Edit222->setText("2147483647");
    form.Button203->click();
    EXPECT_EQ(form.Timer1->interval(), 2147483000);
    EXPECT_EQ(Text(form.Edit222), "2147483");
}

TEST(AutomaticGenerator, CrossingOneKilohertzOnTheHertzRange) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    StartRun(form, {"950", "1100", "30", "1"});
    auto frequencies = Ticks(form);
    EXPECT_EQ(frequencies, (std::vector<std::int32_t>{980, 1000, 1040, 1070, 1100}));
    EXPECT_EQ(form.ScrollBar5->value(), 1000);
    EXPECT_EQ(Text(form.Edit14), " 1000");
    EXPECT_EQ(Text(form.Edit3), "kHz");
}

TEST(AutomaticGenerator, KilohertzRangeRoundsToWholeHundreds) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    form.ComboBox8->setCurrentIndex(2);
    form.ComboBox8Click(nullptr);
    StartRun(form, {"1000", "1200", "50", "1"});
    std::vector<std::int32_t> seen{form.model.gen1Frequency};
    for (std::int32_t f : Ticks(form)) {
        seen.push_back(f);
    }
    EXPECT_EQ(seen, (std::vector<std::int32_t>{1000, 1000, 1100, 1200, 1200}));
    EXPECT_EQ(form.ComboBox8->currentIndex(), 1) << "display only";
    EXPECT_EQ(form.ScrollBar5->maximum(), 20000);
}

TEST(AutomaticGenerator, AfterThePanelsCancelTwoPressesStartAgain) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    StartRun(form, {"100", "200", "10", "1"});
    form.Button204->click();
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_TRUE(form.Panel215->isHidden());
    EXPECT_EQ(form.Button203->text().toStdString(), "stop");
    form.Button203->click();
    EXPECT_EQ(form.Button203->text().toStdString(), "start");
    EXPECT_FALSE(form.Timer1->isActive());
    form.Button203->click();
    EXPECT_TRUE(form.Timer1->isActive());
}

TEST(AutomaticGenerator, AFieldThatIsNoNumberFailsThePressAndTheRunGoesOn) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    RecordedErrorReports reports;
    StartRun(form, {"100", "200", "10", "1"});
    form.Edit206->setText("");
    form.Edit223->setText("ten");
    form.Button203->click();
    EXPECT_EQ(reports.Messages(), std::vector<std::string>{"'ten' is not a valid integer value"});
    EXPECT_EQ(Text(form.Edit206), "20") << "read before the failing field";
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_EQ(form.model.sweepRunning, 1);
}

TEST(AutomaticGenerator, ShowingThePanelEndsTheSweepAndSilencesGenerator2) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    form.zobrazit2->trigger();
    form.zobrazit4->trigger();
    EXPECT_TRUE(form.Panel410->isHidden());
    EXPECT_EQ(form.model.gen2Amplitude, 0);
    form.Button103->click();
    EXPECT_EQ(form.model.generatorMode, 1);
    form.zobrazit3->trigger();
    EXPECT_EQ(form.model.generatorMode, 0);
    EXPECT_TRUE(form.Panel110->isHidden());
    EXPECT_FALSE(form.Panel215->isHidden());
    EXPECT_TRUE(form.Panel215->isEnabled());
    form.zruit3->trigger();
    EXPECT_TRUE(form.Panel215->isHidden());
}

TEST(SweptGenerator, StartSwitchesTheOutputAndCancelReturnsIt) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    form.zobrazit4->trigger();
    EXPECT_FALSE(form.Panel110->isHidden());
    form.Button103->click();
    EXPECT_EQ(form.model.generatorMode, 1);
    EXPECT_EQ(form.ComboBox1->currentIndex(), 1);
    EXPECT_EQ(form.model.autoTimeBase, 0);
    EXPECT_EQ(form.model.generatorTimeBase, 0);
    form.zruit4->trigger(); // hides the panel only
    EXPECT_TRUE(form.Panel110->isHidden());
    EXPECT_EQ(form.model.generatorMode, 1);
    form.zobrazit4->trigger();
    form.Button104->click();
    EXPECT_TRUE(form.Panel110->isHidden());
    EXPECT_EQ(form.model.generatorMode, 0);
}

TEST(Optimum, ResetsWithTheSecondConstantSetAndAQuietGenerator1) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    const auto saved = form.savedVolumes;
    StartRun(form, {"100", "200", "10", "1"});
    form.zobrazit4->trigger();
    form.Button103->click();
    form.ScrollBar5->setValue(700);
    form.RadioButton3->click();
    rig.volumes.table.WaveOutSetVolume(0, 0x12341234);
    rig.volumes.calls.clear();

    // The same block measured before and after: the readouts use the second constant set.
    form.model.captureSamples.fill(0);
    for (int k = 0; k < 32000; k += 2) {
        form.model.captureSamples[k] = 1000;
    }
    form.model.captureCount = 32000; // as the reset leaves it
    form.MeasureLevelR();
    const double before = form.model.voltageRms;

    form.Button2->click();
    form.MeasureLevelR();
    EXPECT_NEAR(form.model.voltageRms, before * 0.035 / 0.46, 1e-9);
    EXPECT_EQ(Text(form.Edit13), "101");
    EXPECT_EQ(form.model.gen1Amplitude, 3000);
    EXPECT_EQ(form.model.currentScale, 0.02644596);
    EXPECT_EQ(form.model.voltageScale, 0.035);
    EXPECT_EQ(form.gainL, 0.042);
    EXPECT_EQ(form.gainR, 0.0494);
    EXPECT_EQ(form.model.gen1Frequency, 100);
    EXPECT_EQ(form.model.generatorMode, 0);
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_EQ(form.model.sweepRunning, 0);
    EXPECT_EQ(form.Button203->text().toStdString(), "stop") << "the caption is not reset";
    EXPECT_TRUE(form.RadioButton5->isChecked());
    // The volumes are read, but neither set nor taken as the ones to restore.
    EXPECT_EQ(rig.volumes.calls, (std::vector<std::string>{"get wave 0", "get aux 3", "get aux 2",
                                                           "get aux 4", "get aux 1", "get aux 5"}));
    EXPECT_EQ(form.savedVolumes, saved);

    form.ScrollBar4->setValue(3001);
    EXPECT_EQ(Text(form.Edit13), "171") << "the panel's own factor again";
    // The run counts as stopped, so the next press starts a new one.
    form.zobrazit3->trigger();
    form.Button203->click();
    EXPECT_EQ(form.Button203->text().toStdString(), "stop");
    EXPECT_TRUE(form.Timer1->isActive());
}

TEST(MixerProgram, StartsTheFirstMixerFoundOnPathAndOtherwiseNothing) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("osc_mixer_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const char* oldPath = std::getenv("PATH");
    const std::string savedPath = oldPath != nullptr ? oldPath : "";
    setenv("PATH", dir.c_str(), 1);
    Form1Rig rig;
    RecordedErrorReports reports;
    EXPECT_EQ(rig.form->AudioMixer1.DeviceCount(), 1u);
    EXPECT_EQ(rig.form->AudioMixer1.MixerID(), 0u);

    rig.form->mix1->trigger(); // nothing on PATH
    EXPECT_TRUE(reports.Messages().empty());

    const fs::path note = dir / "started";
    const fs::path script = dir / "pavucontrol-qt";
    std::ofstream(script) << "#!/bin/sh\n/usr/bin/touch '" << note.string() << "'\n";
    fs::permissions(script, fs::perms::owner_all);
    rig.form->mix1->trigger();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(note) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(fs::exists(note));
    EXPECT_TRUE(reports.Messages().empty());
    setenv("PATH", savedPath.c_str(), 1);
    fs::remove_all(dir);
}

} // namespace
} // namespace app
