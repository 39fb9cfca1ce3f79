// SPDX-License-Identifier: MIT
// The acquisition cycle on the simulated card: capture bursts, the block handler, the idle
// pass, the mode and channel controls, and the readouts of a known block.

#include "Form1TestRig.h"

#include "app/widgets/FramebufferCanvas.h"

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

namespace app {
namespace {

using test::Form1Rig;

constexpr int kBlockFrames = 8000;
constexpr QRgb kGrid = 0xFF4B4B4B; // grey (75, 75, 75)
// A point of the graticule's first horizontal line below the centre row.
constexpr QPoint kGridPoint{300, 283};

// A 32 000-byte capture block: for each frame, first the R value, then the L value.
std::vector<char> Block(const std::function<std::int16_t(int)>& r,
                        const std::function<std::int16_t(int)>& l) {
    std::vector<char> bytes(4 * kBlockFrames);
    for (int k = 0; k < kBlockFrames; ++k) {
        const std::int16_t pair[2] = {r(k), l(k)};
        std::memcpy(bytes.data() + 4 * k, pair, sizeof pair);
    }
    return bytes;
}

void Deliver(TForm1& form, std::vector<char> block) {
    int size = static_cast<int>(block.size());
    EXPECT_FALSE(form.AudioIn1BufferFilled(block.data(), size));
}

std::string Text(QLineEdit* edit) {
    return edit->text().toStdString();
}

QRgb Pixel(TForm1& form, QPoint point) {
    return form.Framebuffer().Image().pixel(point);
}

// Counts the blocks that the capture stream hands to the window.
struct BlockCounter {
    explicit BlockCounter(TForm1& form) {
        form.AudioIn1.OnBufferFilled = [this, &form](char* buffer, int& size) {
            ++blocks;
            return form.AudioIn1BufferFilled(buffer, size);
        };
    }
    int blocks = 0;
};

void RunCard(Form1Rig& rig, std::size_t frames) {
    rig.dispatcher.Drain();
    rig.card.AdvanceFrames(frames);
    rig.dispatcher.Drain();
}

TEST(Form1Acquisition, EachStartYieldsExactlyOneBurstOfTwoBlocks) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    BlockCounter counter(form);
    // Start-up has opened the first burst; far more card time than two blocks passes.
    RunCard(rig, 10 * kBlockFrames);
    EXPECT_EQ(counter.blocks, 2);
    EXPECT_FALSE(form.AudioIn1.DeviceOpen());

    bool done = true;
    form.MyIdleEvent(nullptr, done);
    EXPECT_FALSE(done);
    EXPECT_TRUE(form.AudioIn1.DeviceOpen());
    RunCard(rig, 10 * kBlockFrames);
    EXPECT_EQ(counter.blocks, 4);
    EXPECT_FALSE(form.AudioIn1.DeviceOpen());
}

TEST(Form1Acquisition, IdlePassesDuringABurstChangeNothing) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    BlockCounter counter(form);
    RunCard(rig, kBlockFrames + kBlockFrames / 2); // the first block is in, the second half
    ASSERT_EQ(counter.blocks, 1);
    const auto* receiver = form.AudioIn1.CallbackWindow();
    const int pending = form.AudioIn1.BuffersPending();
    const int next = form.AudioIn1.NextBuffer();

    bool done = true;
    form.MyIdleEvent(nullptr, done);
    form.MyIdleEvent(nullptr, done);
    EXPECT_EQ(form.AudioIn1.LastError(), "Wave Input device is already open");
    EXPECT_EQ(form.AudioIn1.CallbackWindow(), receiver);
    EXPECT_EQ(form.AudioIn1.BuffersPending(), pending);
    EXPECT_EQ(form.AudioIn1.NextBuffer(), next);

    RunCard(rig, 10 * kBlockFrames);
    EXPECT_EQ(counter.blocks, 2);
}

TEST(Form1Acquisition, ABlockOverwritesOnlyItsOwnPositionsSignExtended) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    form.model.captureSamples[15999] = 5;
    form.model.captureSamples[16000] = 777;
    form.model.captureSamples[44100] = -9;
    Deliver(form, Block([](int k) { return static_cast<std::int16_t>(k == 0 ? -32768 : k); },
                        [](int k) { return static_cast<std::int16_t>(k == 7999 ? -1 : 32767); }));
    EXPECT_EQ(form.model.captureCount, 16000);
    EXPECT_EQ(form.model.captureSamples[0], -32768);
    EXPECT_EQ(form.model.captureSamples[1], 32767);
    EXPECT_EQ(form.model.captureSamples[2], 1);
    EXPECT_EQ(form.model.captureSamples[15998], 7999);
    EXPECT_EQ(form.model.captureSamples[15999], -1);
    EXPECT_EQ(form.model.captureSamples[16000], 777);
    EXPECT_EQ(form.model.captureSamples[44100], -9);
}

TEST(Form1Acquisition, AnOversizedOrOddBlockStaysInsideTheCaptureArray) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    std::vector<char> big(2 * 50000, 0x01); // more values than the array holds
    int size = static_cast<int>(big.size()) + 1;
    EXPECT_FALSE(form.AudioIn1BufferFilled(big.data(), size));
    EXPECT_EQ(form.model.captureCount, 50000);
    EXPECT_EQ(form.model.captureSamples[44100], 0x0101);
    // The measurements read the missing positions as silence instead of past the array.
    form.DrawTraces();
    EXPECT_FALSE(Text(form.Edit4).empty());
}

TEST(Form1Acquisition, ReadoutsOfAConstantLevelBlock) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    Deliver(form, Block([](int) { return std::int16_t{-3000}; },
                        [](int) { return std::int16_t{10000}; }));
    bool done = true;
    form.MyIdleEvent(nullptr, done);
    // Position 0 takes no part and the block's second half is silent:
    // sqrt(7999 c^2 / 16000) * scale.
    EXPECT_NEAR(form.model.currentRms, 445.449429, 1e-6);
    EXPECT_NEAR(form.model.voltageRms, 975.746368, 1e-6);
    EXPECT_EQ(Text(form.Edit4), " 445mA");
    EXPECT_EQ(Text(form.Edit1), " 976mV");
    EXPECT_EQ(form.model.peakL, 10000);
    EXPECT_EQ(form.model.maxL, 10000);
    EXPECT_EQ(form.model.minL, 0);
    EXPECT_EQ(form.model.peakR, 3000);
    EXPECT_EQ(form.model.maxR, 0);
    EXPECT_EQ(form.model.minR, -3000);
    // The time base follows generator 1 (100 Hz) after start-up.
    EXPECT_EQ(Text(form.Edit12), "   100Hz");
    EXPECT_EQ(Text(form.Edit8), "   100Hz");
    EXPECT_EQ(form.Edit4->palette().color(QPalette::Base), QColor(255, 255, 0));
    EXPECT_EQ(form.Edit12->palette().color(QPalette::Base), QColor(255, 255, 0));
}

TEST(Form1Acquisition, BeforeTheFirstBlockTheReadoutsShowSilence) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    form.model.generatorTimeBase = 0;
    bool done = true;
    form.MyIdleEvent(nullptr, done);
    EXPECT_EQ(form.model.captureCount, 32000);
    EXPECT_EQ(Text(form.Edit4), " 0.0mA");
    EXPECT_EQ(Text(form.Edit1), " 0.0mV");
    EXPECT_EQ(Text(form.Edit12), "f > fmax");
    EXPECT_EQ(Text(form.Edit8), "f > fmax");
}

TEST(Form1Acquisition, AMeasuredFrequencyUpToTheLimitHidesTheWarning) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    form.model.generatorTimeBase = 0;
    form.Panel14->show();
    auto sine = [](int k) {
        return static_cast<std::int16_t>(
            std::lround(10000 * std::sin(2 * std::numbers::pi * 441 * k / 44100)));
    };
    Deliver(form, Block(sine, sine));
    form.DrawTraces();
    EXPECT_NEAR(form.model.measuredFrequencyL, 441, 441 * 0.05);
    EXPECT_NEAR(form.model.frequencyR, 441, 441 * 0.05);
    EXPECT_TRUE(Text(form.Edit12).ends_with("Hz")) << Text(form.Edit12);
    EXPECT_TRUE(form.Panel14->isHidden());
}

TEST(Form1Acquisition, ModeSwitchFreezesThePictureAndComesBack) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    // A mark where nothing but a repaint changes the screen.
    const QPoint mark{797, 495};
    form.Canvas().SetPenColor({255, 255, 255});
    form.Canvas().MoveTo(mark.x() - 1, mark.y());
    form.Canvas().LineTo(mark.x() + 2, mark.y());
    ASSERT_EQ(Pixel(form, mark), 0xFFFFFFFF);

    form.Button3->click();
    EXPECT_EQ(form.model.periodicMode, 0);
    EXPECT_EQ(form.Button3->text(), "periodické");
    EXPECT_EQ(Pixel(form, mark), 0xFF000000) << "switching to single-shot repaints";
    form.RepaintWindow();
    Deliver(form, Block([](int) { return std::int16_t{-3000}; },
                        [](int) { return std::int16_t{10000}; }));
    bool done = true;
    form.MyIdleEvent(nullptr, done);
    EXPECT_FALSE(done);
    EXPECT_EQ(Text(form.Edit4), " 445mA") << "single-shot passes still measure";
    EXPECT_NE(Pixel(form, kGridPoint), kGrid) << "single-shot passes leave the picture";

    form.Button3Click(form.Button3);
    EXPECT_EQ(form.model.periodicMode, 1);
    EXPECT_EQ(form.Button3->text(), "jednorázové");
    form.MyIdleEvent(nullptr, done);
    EXPECT_EQ(Pixel(form, kGridPoint), kGrid);
}

TEST(Form1Acquisition, ChannelButtonsChooseTracesAndTriggerSource) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    struct Case {
        QRadioButton* button;
        int showL, showR, trigger;
    };
    for (Case c : {Case{form.RadioButton3, 1, 0, 1}, Case{form.RadioButton4, 0, 1, 2},
                   Case{form.RadioButton5, 1, 1, 0}}) {
        bool done = true;
        form.MyIdleEvent(nullptr, done);
        ASSERT_EQ(Pixel(form, kGridPoint), kGrid);
        c.button->click();
        EXPECT_EQ(form.showTraceL, c.showL) << c.button->text().toStdString();
        EXPECT_EQ(form.showTraceR, c.showR) << c.button->text().toStdString();
        EXPECT_EQ(form.ComboBox4->currentIndex(), c.trigger);
        EXPECT_NE(Pixel(form, kGridPoint), kGrid) << "the window is repainted";
    }
}

TEST(Form1Acquisition, ChoosingATriggerSourceRepaints) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    bool done = true;
    form.MyIdleEvent(nullptr, done);
    emit form.ComboBox4->activated(2);
    EXPECT_NE(Pixel(form, kGridPoint), kGrid);
}

TEST(Form1Acquisition, TriggerLevelStaysPinnedAtZero) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    for (int value : {100, -220, 5}) {
        form.TrackBar1->setValue(value);
        EXPECT_EQ(form.TrackBar1->value(), 0);
    }
}

TEST(Form1Acquisition, EachBlockIsReportedOnceByTheFirstPassThatMeasuredIt) {
    Form1Rig rig;
    TForm1& form = *rig.form;
    std::vector<std::string> reported;
    const auto subscription = form.model.Subscribe(
        [&](const instrument::Readings&) { reported.push_back(Text(form.Edit4)); });
    bool done = true;
    form.MyIdleEvent(nullptr, done);
    EXPECT_TRUE(reported.empty()) << "no block has arrived yet";
    Deliver(form,
            Block([](int) { return std::int16_t{0}; }, [](int) { return std::int16_t{10000}; }));
    form.MyIdleEvent(nullptr, done);
    form.MyIdleEvent(nullptr, done);
    Deliver(form,
            Block([](int) { return std::int16_t{0}; }, [](int) { return std::int16_t{20000}; }));
    form.Button3Click(nullptr); // single-shot passes report too
    form.MyIdleEvent(nullptr, done);
    EXPECT_EQ(reported, (std::vector<std::string>{" 445mA", " 891mA"}));
}

} // namespace
} // namespace app
