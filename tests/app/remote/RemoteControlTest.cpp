// SPDX-License-Identifier: MIT
// The command set on the window, through a real socket: settings land in the window's controls
// and read back as the panels show them, bad values leave the standard errors, *RST restores
// the start-up state, and the readings and waveform of a block with a planted phase come back
// in SI units.

#include "RemoteRig.h"

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace app::test {
namespace {

struct SettingCase {
    const char* command;
    const char* query;
    const char* answer;
};

// Generator 1 plays whole hertz below 1 kHz and whole hundreds above; the amplitude reads as
// its panel's readout (rnd(a / 32.767 * 1.872) mV for generator 1, rnd(a / 32.767 * 1.1) mV
// for generator 2), the amplitude a being the one nearest to the value asked for.
const SettingCase kSettings[] = {
    {"SOUR1:FREQ 250", "SOUR1:FREQ?", "2.5E+02"},
    {"SOURCE:FREQUENCY 1234", "SOUR:FREQ?", "1.2E+03"},
    {"SOUR1:FREQ 1.25 kHz", "SOUR1:FREQ?", "1.2E+03"}, // 1250 ties to the even 1200
    {"SOUR1:FREQ 15", "SOUR1:FREQ?", "1.5E+01"},       // only the widest range reaches it
    {"SOUR1:FREQ MAX", "SOUR1:FREQ?", "2.0E+04"},
    {"SOUR1:VOLT 0.5", "SOUR1:VOLT?", "5.0E-01"},
    {"SOUR1:VOLT 50 mV", "SOUR1:VOLT?", "5.0E-02"},
    {"SOUR1:VOLT MAX", "SOUR1:VOLT?", "1.872E+00"},
    {"OUTP2 ON;:SOUR2:FREQ 440", "SOUR2:FREQ?", "4.4E+02"},
    {"OUTP2 ON;:SOUR2:VOLT 0.1", "SOUR2:VOLT?", "1.0E-01"},
    {"OUTP2 ON", "OUTP2?", "1"},
    {"OUTP1 OFF", "OUTP1:STAT?", "0"},
    {"DISP:RANG:CURR 20 mA", "DISP:RANG:CURR?", "2.0E-02"},
    {"DISP:RANG:VOLT 50", "DISP:RANG:VOLT?", "5.0E+01"},
    {"DISP:RANG:VOLT AUTO", "DISP:RANG:VOLT?", "AUTO"},
    {"TIM 5 ms", "TIM?", "5.0E-03"},
    {"TIM GEN", "TIM?", "GEN"},
    {"SOUR:SWE:STAR 300", "SOUR:SWE:STAR?", "3.0E+02"},
    {"SOUR:SWE:DWEL 2", "SOUR:SWE:DWEL?", "2.0E+00"},
};

TEST(RemoteCommands, SettingsReadBackAsThePanelsShowThem) {
    for (const SettingCase& c : kSettings) {
        RemoteRig r;
        Client client(r.Port());
        client.Send(std::string(c.command) + "\n");
        EXPECT_EQ(client.Query(c.query), c.answer) << c.command;
        EXPECT_EQ(client.Query("SYST:ERR?"), "0,\"No error\"") << c.command;
    }
}

TEST(RemoteCommands, AFrequencyLandsInTheWindowsControls) {
    RemoteRig r;
    Client client(r.Port());
    client.Send("SOUR1:FREQ 3456\n");
    ASSERT_EQ(client.Query("*OPC?"), "1");
    EXPECT_EQ(r.form.model.gen1Frequency, 3500);
    EXPECT_EQ(r.form.ComboBox8->currentIndex(), 2) << "the 1-20 kHz range";
    EXPECT_EQ(r.form.Edit14->text().toStdString(), " 3.5");
    EXPECT_FALSE(r.form.Panel14->isHidden()) << "above what the screen can show";
}

TEST(RemoteCommands, TheAutomaticGeneratorStartsFromItsFieldsAndStops) {
    RemoteRig r;
    Client client(r.Port());
    client.Send("SOUR:SWE:STAR 300;STOP 400;STEP 50;STAT ON\n");
    ASSERT_EQ(client.Query("SOUR:SWE?"), "1");
    EXPECT_EQ(r.form.model.gen1Frequency, 300);
    EXPECT_FALSE(r.form.Panel215->isHidden());
    r.form.Button204Click(r.form.Button204); // its panel's stop ends the stepping only
    ASSERT_EQ(client.Query("SOUR:SWE?"), "0");
    client.Send("SOUR1:FREQ 700;:SOUR:SWE ON\n");
    ASSERT_EQ(client.Query("SOUR:SWE?"), "1") << "started anew, not stopped by the second press";
    EXPECT_EQ(r.form.model.gen1Frequency, 300);
    client.Send("SOUR:SWE OFF\n");
    ASSERT_EQ(client.Query("SOUR:SWE?"), "0");
    EXPECT_EQ(r.form.model.sweepRunning, 0);
    EXPECT_EQ(client.Query("SYST:ERR?"), "0,\"No error\"");
}

struct ErrorCase {
    const char* command;
    const char* error;
};

const ErrorCase kErrors[] = {
    {"SOUR1:FREQ 5", "-222"},        {"SOUR1:FREQ 25 kHz", "-222"}, {"SOUR1:FREQ 1 V", "-131"},
    {"SOUR3:FREQ 100", "-114"},      {"SOUR2:FREQ 300", "-221"},    {"SOUR1:VOLT 2", "-222"},
    {"OUTP MAYBE", "-141"},          {"DISP:RANG:VOLT 3", "-222"},  {"TIM 7 ms", "-222"},
    {"DISP:RANG:CURR SLOW", "-141"}, {"FETC:FREQ? POWER", "-141"},  {"MEAS:VOLT:DC?", "-113"},
    {"SOUR1:FREQ", "-109"},
};

TEST(RemoteCommands, BadSettingsLeaveTheStandardErrorsAndChangeNothing) {
    for (const ErrorCase& c : kErrors) {
        RemoteRig r;
        Client client(r.Port());
        client.Send(std::string(c.command) + "\n");
        const std::string error = client.Query("SYST:ERR?");
        EXPECT_EQ(error.substr(0, error.find(',')), c.error) << c.command << ": " << error;
        EXPECT_EQ(r.form.model.gen1Frequency, 100) << c.command;
        EXPECT_EQ(r.form.model.gen1Amplitude, 32000) << c.command;
    }
}

TEST(RemoteCommands, ResetRestoresTheStartUpGeneratorsRangesAndTimeBase) {
    RemoteRig r;
    Client client(r.Port());
    client.Send("SOUR1:FREQ 5000;VOLT 0.2;:OUTP2 ON;:SOUR2:FREQ 700;:DISP:RANG:CURR 0.5;"
                ":DISP:RANG:VOLT 1;:TIM 1 ms\n");
    ASSERT_EQ(client.Query("SOUR2:FREQ?"), "7.0E+02");
    client.Send("*RST\n");
    ASSERT_EQ(client.Query("*OPC?"), "1");
    const TForm1& f = r.form;
    EXPECT_EQ(f.model.gen1Frequency, 100);
    EXPECT_EQ(f.model.gen1Amplitude, 32000);
    EXPECT_EQ(f.Edit13->text().toStdString(), "1828");
    EXPECT_EQ(f.ComboBox8->currentIndex(), 1);
    EXPECT_EQ(f.model.gen2Amplitude, 0);
    EXPECT_EQ(f.model.gen2Frequency, 0);
    EXPECT_TRUE(f.Panel410->isHidden());
    EXPECT_EQ(f.ComboBox9->currentIndex(), 0);
    EXPECT_EQ(f.ComboBox10->currentIndex(), 0);
    EXPECT_EQ(f.model.autoRangeL, 1);
    EXPECT_EQ(f.model.autoRangeR, 1);
    EXPECT_EQ(f.ComboBox1->currentIndex(), 8);
    EXPECT_EQ(f.model.autoTimeBase, 1);
    EXPECT_EQ(f.model.generatorTimeBase, 1);
    EXPECT_EQ(client.Query("SYST:ERR?"), "0,\"No error\"");
}

// 441 Hz fits the 8000-frame block exactly 80 times; the voltage leads the current by 60°.
constexpr int kFrames = 8000;
constexpr double kHz = 441;
constexpr double kLeadDegrees = 60;

std::vector<std::int16_t> Sine(double amplitude, double degrees) {
    std::vector<std::int16_t> samples(kFrames);
    for (int k = 0; k < kFrames; ++k) {
        const double phase =
            2 * std::numbers::pi * kHz * k / 44100 + degrees * std::numbers::pi / 180;
        samples[static_cast<std::size_t>(k)] =
            static_cast<std::int16_t>(std::lround(amplitude * std::sin(phase)));
    }
    return samples;
}

TEST(RemoteCommands, ReadingsAndWaveformOfAPlantedBlock) {
    RemoteRig r;
    Client client(r.Port());
    ASSERT_EQ(client.Query("*OPC?"), "1"); // connected: the server follows the blocks now
    const std::vector<std::int16_t> voltage = Sine(8000, kLeadDegrees);
    const std::vector<std::int16_t> current = Sine(4000, 0);
    std::vector<char> block(4 * kFrames);
    for (int k = 0; k < kFrames; ++k) {
        const std::int16_t frame[2] = {voltage[static_cast<std::size_t>(k)],
                                       current[static_cast<std::size_t>(k)]};
        std::memcpy(block.data() + 4 * k, frame, sizeof frame);
    }
    int published = 0;
    const auto subscription =
        r.form.model.Subscribe([&](const instrument::Readings&) { ++published; });
    int size = static_cast<int>(block.size());
    r.form.AudioIn1BufferFilled(block.data(), size);
    ASSERT_TRUE(ProcessUntil([&] { return published > 0; }));

    EXPECT_NEAR(std::stod(client.Query("FETC:PHAS?")), kLeadDegrees, 0.5);
    EXPECT_NEAR(std::stod(client.Query("FETC:FREQ? VOLT")), kHz, 0.5);
    EXPECT_NEAR(std::stod(client.Query("FETC:FREQ? CURR")), kHz, 0.5);
    const double volts = std::stod(client.Query("FETC:VOLT:AC?"));
    const double amperes = std::stod(client.Query("FETC:CURR:AC?"));
    EXPECT_DOUBLE_EQ(volts, r.form.model.voltageRms / 1000);
    EXPECT_DOUBLE_EQ(amperes, r.form.model.currentRms / 1000);
    // The impedance of the fundamentals, in ohm: the rms ratio, both pure sines.
    EXPECT_NEAR(std::stod(client.Query("FETC:IMP?")) / (volts / amperes), 1, 0.01);

    const std::string preamble = client.Query("WAV:PRE? VOLT");
    ASSERT_EQ(preamble.substr(0, preamble.find(',')), "8000");
    const double yIncrement = std::stod(preamble.substr(preamble.rfind(',') + 1));
    client.Send("WAV:DATA? VOLT\n");
    const qint64 total = 2 + 5 + 2 * kFrames + 1; // #5 16000 <bytes> LF
    ASSERT_TRUE(ProcessUntil([&] { return client.socket.bytesAvailable() >= total; }));
    const QByteArray answer = client.socket.read(total);
    ASSERT_EQ(answer.left(7).toStdString(), "#516000");
    ASSERT_EQ(answer.back(), '\n');
    double sum = 0;
    for (int k = 0; k < kFrames; ++k) {
        std::int16_t sample = 0;
        std::memcpy(&sample, answer.constData() + 7 + 2 * k, 2);
        ASSERT_EQ(sample, voltage[static_cast<std::size_t>(k)]) << "frame " << k;
        sum += (sample * yIncrement) * (sample * yIncrement);
    }
    EXPECT_NEAR(std::sqrt(sum / kFrames), volts, volts * 1e-9) << "rms of the trace = readout";
}

} // namespace
} // namespace app::test
