// SPDX-License-Identifier: MIT
// The setting commands: identification and reset, the generators, the automatic and swept
// generators, and the display's ranges and time base. Each acts through the window's own
// handlers, as a hand on the controls would: a list choice sets the box's item and runs its
// handler, a typed value is written into its field and applied as the field's double-click
// applies it. A generator whose panel is hidden (switched off) refuses settings with -221, as
// its controls cannot be reached then; OUTPut ON shows it first.

#include "app/remote/RemoteControl.h"

#include "app/program/Options.h"
#include "app/widgets/DoubleClickEdit.h"
#include "app/window/TForm1.h"

#include "common/NumberText.h"
#include "generator/AmplitudeReadout.h"
#include "scpi/Error.h"

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <cmath>

namespace app {

namespace {

constexpr const char* kMaker = "FyzLab";
constexpr double kMinFrequencyHz = 10;
constexpr double kMaxFrequencyHz = 20000;
constexpr int kFullScale = 32767;
constexpr int kStartupAmplitude = 32000;
constexpr int kGeneratorTimeBaseItem = 8; // " generátoru"
// The panels' amplitude readouts in mV per sample unit (see generator/AmplitudeReadout.h).
constexpr double kGen1MvPerUnit = 0.78 * 2.4 / 32.767;
constexpr double kGen2MvPerUnit = 1.1 / 32.767;

std::string Version() {
    std::string text = VersionText(); // "osciloskop 1.2.3\n"
    text = text.substr(text.find(' ') + 1);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

void Choose(QComboBox* box, int item) {
    box->setCurrentIndex(item);
}

void Require(bool condition, int code, const char* detail) {
    if (!condition) {
        throw scpi::Error(code, detail);
    }
}

int WholeNumber(double value) {
    return static_cast<int>(std::nearbyint(value));
}

// The finest amplitude range item whose scroll bar reaches `amplitude` (items 0..6 end at
// 32767, 16384, 8200, 3280, 1640, 820 and 328).
int AmplitudeItemFor(int amplitude) {
    const int ends[] = {32767, 16384, 8200, 3280, 1640, 820, 328};
    int item = 0;
    for (int i = 0; i < 7; ++i) {
        if (amplitude <= ends[i]) {
            item = i;
        }
    }
    return item;
}

// The frequency range item whose scroll bar holds `hz`: 20-100, 100-1000, 1000-20000, or
// 10-20000 below 20 Hz.
int FrequencyItemFor(int hz) {
    if (hz < 20) {
        return 3;
    }
    return hz <= 100 ? 0 : hz <= 1000 ? 1 : 2;
}

bool Holds(const QScrollBar* bar, int position) {
    return position >= bar->minimum() && position <= bar->maximum();
}

double ReadoutVolts(const std::string& millivolts) {
    return common::StrToInt(millivolts) / 1000.0;
}

std::string Nr3(double value) {
    return scpi::FormatNr3(value);
}

} // namespace

void RemoteControl::AddCommonCommands() {
    commands.Add("*IDN", scpi::Form::Query, {}, [](scpi::Call& call) {
        call.reply.Send(std::string(kMaker) + ",osciloskop,0," + Version());
    });
    commands.Add("*RST", scpi::Form::Set, {}, [this](scpi::Call&) { Reset(); });
}

// The generators, ranges and time base as start-up leaves them; the capture's run or stop,
// the volumes and the calibration stay as they are.
void RemoteControl::Reset() {
    TForm1& f = form;
    if (f.model.sweepRunning == 1) {
        f.StopSweep();
    }
    f.Button104Click(f.Button104);
    f.zruit3Click(f.zruit3);
    f.zruit2Click(f.zruit2);
    f.zobrazit1Click(f.zobrazit1);
    f.ScrollBar4->setValue(kStartupAmplitude);
    Choose(f.ComboBox9, 0);
    f.ComboBox9Click(f.ComboBox9);
    Choose(f.ComboBox10, 0);
    f.ComboBox10Click(f.ComboBox10);
    f.ComboBox4->setCurrentIndex(0);
    f.ResetRangesAndTimeBase();
    Choose(f.ComboBox1, kGeneratorTimeBaseItem);
    f.ComboBox1Click(f.ComboBox1);
    f.file1Click(f.file1);
}

void RemoteControl::AddGeneratorCommands() {
    const scpi::Range frequency{"HZ", kMinFrequencyHz, kMaxFrequencyHz, std::nullopt};
    commands.Add("SOURce[1|2]:FREQuency", scpi::Form::Set, {1, 1},
                 [this, frequency](scpi::Call& call) {
                     const int hz = WholeNumber(scpi::ToNumber(call.parameters[0], frequency));
                     TForm1& f = form;
                     if (call.suffixes[0] == 1) {
                         Require(!f.Panel13->isHidden(), scpi::kSettingsConflict,
                                 "generator 1 is off; OUTPut1 ON first");
                         if (!Holds(f.ScrollBar5, hz)) {
                             Choose(f.ComboBox8, FrequencyItemFor(hz));
                             f.ComboBox8Click(f.ComboBox8);
                         }
                         f.Edit14->setText(QString::number(hz));
                         f.Edit14DblClick(f.Edit14);
                     } else {
                         Require(!f.Panel410->isHidden(), scpi::kSettingsConflict,
                                 "generator 2 is off; OUTPut2 ON first");
                         if (!Holds(f.ScrollBar406, hz)) {
                             Choose(f.ComboBox411, FrequencyItemFor(hz));
                             f.ComboBox411Click(f.ComboBox411);
                         }
                         f.ScrollBar406->setValue(hz);
                     }
                 });
    commands.Add("SOURce[1|2]:FREQuency", scpi::Form::Query, {}, [this](scpi::Call& call) {
        const auto& m = form.model;
        call.reply.Send(Nr3(call.suffixes[0] == 1 ? m.gen1Frequency : m.gen2Frequency));
    });
    commands.Add("SOURce[1|2]:VOLTage", scpi::Form::Set, {1, 1}, [this](scpi::Call& call) {
        TForm1& f = form;
        const bool first = call.suffixes[0] == 1;
        const double mvPerUnit = first ? kGen1MvPerUnit : kGen2MvPerUnit;
        const scpi::Range range{"V", 0, kFullScale * mvPerUnit / 1000, std::nullopt};
        const double volts = scpi::ToNumber(call.parameters[0], range);
        const int amplitude = std::min(kFullScale, WholeNumber(volts * 1000 / mvPerUnit));
        QScrollBar* bar = first ? f.ScrollBar4 : f.ScrollBar403;
        QComboBox* box = first ? f.ComboBox7 : f.ComboBox410;
        Require(!(first ? f.Panel13 : f.Panel410)->isHidden(), scpi::kSettingsConflict,
                "the generator is off; OUTPut ON first");
        if (!Holds(bar, amplitude)) {
            Choose(box, AmplitudeItemFor(amplitude));
            first ? f.ComboBox7Click(box) : f.ComboBox410Change(box);
        }
        bar->setValue(amplitude);
    });
    commands.Add("SOURce[1|2]:VOLTage", scpi::Form::Query, {}, [this](scpi::Call& call) {
        const auto& m = form.model;
        call.reply.Send(Nr3(call.suffixes[0] == 1
                                ? ReadoutVolts(generator::Gen1AmplitudeText(m.gen1Amplitude))
                                : ReadoutVolts(generator::Gen2AmplitudeText(m.gen2Amplitude))));
    });
    commands.Add("OUTPut[1|2][:STATe]", scpi::Form::Set, {1, 1}, [this](scpi::Call& call) {
        TForm1& f = form;
        const bool on = scpi::ToBoolean(call.parameters[0]);
        const bool first = call.suffixes[0] == 1;
        const bool shown = !(first ? f.Panel13 : f.Panel410)->isHidden();
        if (on && !shown) {
            first ? f.zobrazit1Click(f.zobrazit1) : f.zobrazit2Click(f.zobrazit2);
        } else if (!on && shown) {
            first ? f.zruit1Click(f.zruit1) : f.zruit2Click(f.zruit2);
        }
    });
    commands.Add("OUTPut[1|2][:STATe]", scpi::Form::Query, {}, [this](scpi::Call& call) {
        const QFrame* panel = call.suffixes[0] == 1 ? form.Panel13 : form.Panel410;
        call.reply.Send(panel->isHidden() ? "0" : "1");
    });
}

void RemoteControl::AddSweepCommands() {
    // The automatic generator's fields, read when it starts: from, to, step (Hz), dwell (s).
    struct Field {
        const char* header;
        QLineEdit* TForm1::*edit;
        scpi::Range range;
    };
    const Field fields[] = {
        {"SOURce:SWEep:STARt", &TForm1::Edit206, {"HZ", 20, kMaxFrequencyHz, std::nullopt}},
        {"SOURce:SWEep:STOP", &TForm1::Edit216, {"HZ", 20, kMaxFrequencyHz, std::nullopt}},
        {"SOURce:SWEep:STEP", &TForm1::Edit223, {"HZ", 1, kMaxFrequencyHz, std::nullopt}},
        {"SOURce:SWEep:DWELl", &TForm1::Edit222, {"S", 1, 3600, std::nullopt}},
        {"SOURce:RAMP:STARt", &TForm1::Edit106, {"HZ", 20, kMaxFrequencyHz, std::nullopt}},
        {"SOURce:RAMP:STOP", &TForm1::Edit110, {"HZ", 20, kMaxFrequencyHz, std::nullopt}}};
    for (const Field& field : fields) {
        commands.Add(field.header, scpi::Form::Set, {1, 1}, [this, field](scpi::Call& call) {
            const int value = WholeNumber(scpi::ToNumber(call.parameters[0], field.range));
            (form.*field.edit)->setText(QString::number(value));
        });
        commands.Add(field.header, scpi::Form::Query, {}, [this, field](scpi::Call& call) {
            call.reply.Send(Nr3(common::StrToInt((form.*field.edit)->text().toStdString())));
        });
    }
    // The automatic generator: shown and started with its start button, stopped with it.
    commands.Add("SOURce:SWEep[:STATe]", scpi::Form::Set, {1, 1}, [this](scpi::Call& call) {
        TForm1& f = form;
        const bool on = scpi::ToBoolean(call.parameters[0]);
        const bool stepping = f.model.sweepRunning == 1 && f.Timer1->isActive();
        if (f.model.sweepRunning == 1 && !(on && stepping)) {
            f.StopSweep(); // also a run whose stepping its panel's stop button ended
        }
        if (on && !stepping) {
            if (f.Panel215->isHidden()) {
                f.zobrazit3Click(f.zobrazit3);
            }
            f.Button203Click(f.Button203);
        }
    });
    commands.Add("SOURce:SWEep[:STATe]", scpi::Form::Query, {}, [this](scpi::Call& call) {
        call.reply.Send(form.model.sweepRunning == 1 && form.Timer1->isActive() ? "1" : "0");
    });
    // The swept generator: its blocks sweep from the start to the stop frequency.
    commands.Add("SOURce:RAMP[:STATe]", scpi::Form::Set, {1, 1}, [this](scpi::Call& call) {
        TForm1& f = form;
        if (scpi::ToBoolean(call.parameters[0])) {
            if (f.Panel110->isHidden()) {
                f.zobrazit4Click(f.zobrazit4);
            }
            f.Button103Click(f.Button103);
        } else if (f.model.generatorMode == 1) {
            f.Button104Click(f.Button104);
        }
    });
    commands.Add("SOURce:RAMP[:STATe]", scpi::Form::Query, {}, [this](scpi::Call& call) {
        call.reply.Send(form.model.generatorMode == 1 ? "1" : "0");
    });
}

} // namespace app
