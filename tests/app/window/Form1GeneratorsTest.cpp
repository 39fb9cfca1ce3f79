// SPDX-License-Identifier: MIT
// Generator output through the playback handler, generator 1's scroll bars, and how a typed
// sweep field that is not a number reaches the error report without stopping the output.

#include "Form1TestRig.h"

#include "app/window/ErrorReport.h"
#include "common/NumberText.h"

#include <QFrame>
#include <QLineEdit>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace app {
namespace {

using test::Form1Rig;

constexpr int kOutputBytes = 44100; // the playback buffer

std::vector<std::int16_t> Fill(TForm1& form, int& size, bool& produced) {
    std::vector<char> buffer(kOutputBytes);
    produced = form.AudioOut1FillBuffer(buffer.data(), size);
    std::vector<std::int16_t> samples(kOutputBytes / 2);
    std::memcpy(samples.data(), buffer.data(), buffer.size());
    return samples;
}

std::string Text(QLineEdit* edit) {
    return edit->text().toStdString();
}

TEST(Form1Generators, StartUpOutputIsGenerator1At100HzAnd32000) {
    Form1Rig rig;
    int size = 12345; // whatever arrives is replaced
    bool produced = false;
    auto samples = Fill(*rig.form, size, produced);
    EXPECT_TRUE(produced);
    EXPECT_EQ(size, 44100);
    EXPECT_EQ(samples[0], 0);
    EXPECT_EQ(samples[1], 456);
    EXPECT_EQ(samples[2], 912);
    EXPECT_EQ(samples[110], 32000);
    EXPECT_EQ(samples[220], 228);
}

TEST(Form1Generators, OutputFollowsTheParametersAtTheNextBlock) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    form.model.gen1Amplitude = 0;
    int size = 0;
    bool produced = false;
    auto silent = Fill(form, size, produced);
    EXPECT_TRUE(std::all_of(silent.begin(), silent.end(), [](auto v) { return v == 0; }));

    form.model.gen2Amplitude = 32000;
    form.model.gen2Frequency = 100;
    auto second = Fill(form, size, produced);
    EXPECT_EQ(second[110], 32000) << "generator 2 alone";
}

TEST(Form1Generators, SweptBlockReadsThePanelFields) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    form.model.generatorMode = 1;
    form.Edit106->setText("100");
    form.Edit110->setText("500");
    int size = kOutputBytes;
    bool produced = false;
    auto samples = Fill(form, size, produced);
    EXPECT_TRUE(produced);
    EXPECT_EQ(size, 10000);
    EXPECT_EQ(samples[0], 0);
    // 20 Hz rising 1 Hz every 20 samples: 250 rises in the block.
    EXPECT_EQ(form.model.rampStepSamples, 20);
    EXPECT_EQ(form.model.rampFrequency, 270);
    EXPECT_EQ(form.model.rampStepCounter, 0);

    form.Edit106->setText("");
    Fill(form, size, produced);
    EXPECT_EQ(Text(form.Edit106), "1") << "an empty field reads as 1";
    EXPECT_EQ(form.model.rampFrequency, 1 + 250);
}

TEST(Form1Generators, ATypedSweepFieldThatIsNoNumberFailsTheBlock) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    form.model.generatorMode = 1;
    form.Edit106->setText("");
    form.Edit110->setText("5x");
    int size = kOutputBytes;
    std::vector<char> buffer(kOutputBytes);
    try {
        form.AudioOut1FillBuffer(buffer.data(), size);
        FAIL() << "no error";
    } catch (const common::ConvertError& e) {
        EXPECT_STREQ(e.what(), "'5x' is not a valid integer value");
    }
    EXPECT_EQ(Text(form.Edit106), "1") << "the field emptied before the error is filled in";
}

TEST(Form1Generators, OutputRecoversAfterSweepErrorsEmptiedTheRing) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    RecordedErrorReports reports;
    rig.dispatcher.SetErrorSink(ReportError);
    rig.dispatcher.Drain();
    ASSERT_TRUE(form.AudioOut1.DeviceOpen());

    form.model.generatorMode = 1;
    form.Edit110->setText("abc");
    // Every queued block plays out and each refill fails.
    for (int i = 0; i < 6; ++i) {
        rig.card.AdvanceFrames(22050);
        rig.dispatcher.Drain();
    }
    ASSERT_FALSE(reports.Messages().empty());
    for (const auto& message : reports.Messages()) {
        EXPECT_EQ(message, "'abc' is not a valid integer value");
    }
    EXPECT_EQ(reports.Messages().size(), 4u) << "one report per lost buffer";
    EXPECT_FALSE(form.AudioOut1.DeviceOpen()) << "the device closes when the last buffer is lost";

    // The next Start (the swept panel's start button, generator 2's controls, the reset) plays
    // again once the field is a number.
    form.Edit110->setText("500");
    EXPECT_TRUE(form.AudioOut1.Start());
    rig.card.AdvanceFrames(5000);
    rig.dispatcher.Drain();
    EXPECT_TRUE(form.AudioOut1.DeviceOpen());
    EXPECT_EQ(reports.Messages().size(), 4u);
}

TEST(Form1Generators, AmplitudeScrollBarSetsAmplitudeAndReadout) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    EXPECT_EQ(form.model.gen1Amplitude, 32000);
    EXPECT_EQ(Text(form.Edit13), "1828");
    form.ScrollBar4->setValue(16384);
    EXPECT_EQ(form.model.gen1Amplitude, 16384);
    EXPECT_EQ(Text(form.Edit13), "936");
    form.ScrollBar4->setValue(32767);
    EXPECT_EQ(Text(form.Edit13), "1872");
}

TEST(Form1Generators, FrequencyScrollBarInTheHertzBand) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    form.ScrollBar5->setValue(999);
    EXPECT_EQ(form.model.gen1Frequency, 999);
    EXPECT_EQ(Text(form.Edit14), " 999");
    EXPECT_EQ(Text(form.Edit3), " Hz");
    EXPECT_EQ(form.ScrollBar5->pageStep(), 10);
    EXPECT_EQ(form.ScrollBar5->singleStep(), 1);
    EXPECT_TRUE(form.Panel14->isHidden());
}

TEST(Form1Generators, FrequencyScrollBarInTheKilohertzBand) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    form.ScrollBar5->setMaximum(20000);
    struct Case {
        int position, frequency;
        const char* text;
        bool warning;
    };
    for (Case c : {Case{1000, 1000, " 1.0", false}, Case{1049, 1000, nullptr, false},
                   Case{1050, 1000, nullptr, false}, Case{1150, 1200, " 1.2", false},
                   Case{2500, 2500, " 2.5", false}, Case{2600, 2600, " 2.6", true},
                   Case{4000, 4000, " 4.0", true}, Case{12340, 12300, " 12.3", true}}) {
        form.ScrollBar5->setValue(c.position);
        EXPECT_EQ(form.model.gen1Frequency, c.frequency) << c.position;
        if (c.text != nullptr) { // a tie of the last decimal is the number formatter's
            EXPECT_EQ(Text(form.Edit14), c.text) << c.position;
        }
        EXPECT_EQ(Text(form.Edit3), "kHz") << c.position;
        EXPECT_EQ(form.Panel14->isHidden(), !c.warning) << c.position;
        EXPECT_EQ(form.ScrollBar5->pageStep(), 100);
        EXPECT_EQ(form.ScrollBar5->singleStep(), 10);
    }
    form.ScrollBar5->setValue(999);
    EXPECT_TRUE(form.Panel14->isHidden());
    EXPECT_EQ(Text(form.Edit3), " Hz");
}

TEST(Form1Generators, FrequencyChangeRestartsCaptureAndRedrawsWhenPeriodic) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    rig.dispatcher.Drain();
    rig.card.AdvanceFrames(4 * 8000);
    rig.dispatcher.Drain();
    ASSERT_FALSE(form.AudioIn1.DeviceOpen()) << "the start-up burst is over";
    form.model.captureSamples.fill(0);
    form.model.captureCount = 16000;
    form.ScrollBar5->setValue(500);
    EXPECT_TRUE(form.AudioIn1.DeviceOpen());
    EXPECT_EQ(Text(form.Edit4), " 0.0mA") << "periodic: measured at once";

    form.Button3Click(nullptr); // single-shot
    for (int k = 1; k < 16000; k += 2) {
        form.model.captureSamples[k] = 10000;
    }
    form.ScrollBar5->setValue(600);
    EXPECT_EQ(Text(form.Edit4), " 0.0mA") << "single-shot: no redraw";
}

} // namespace
} // namespace app
