// SPDX-License-Identifier: MIT
// The display cycle on the window's framebuffer: traces, erasing, scales, the repaints that
// range and time-base changes cause, and the display controls.

#include "Form1TestRig.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace app {
namespace {

using display::kAqua;
using display::kBlack;
using display::kWhite;
using display::kYellow;
using display::Rgb;
using test::Form1Rig;

constexpr Rgb kMarker{200, 0, 0};

class DisplayCycle : public ::testing::Test {
protected:
    DisplayCycle() {
        form.idleTimer->stop(); // the test runs the cycles itself
        form.model.generatorTimeBase = 0;
        form.model.autoTimeBase = 0;
        form.ComboBox1->setCurrentIndex(3); // 20 msec: stride 1, spacing 0.83
        form.model.autoTimeBase = 0;
        form.model.generatorTimeBase = 0;
    }

    // A block of 8000 frames; R falls to `low` for 100 samples every 400, L stays at `levelL`.
    void Block(std::int32_t low, std::int32_t levelL = 0) {
        for (int k = 0; k < 8000; ++k) {
            form.model.captureSamples[static_cast<std::size_t>(2 * k)] =
                k % 400 >= 200 && k % 400 < 300 ? low : 0;
            form.model.captureSamples[static_cast<std::size_t>(2 * k + 1)] = levelL;
        }
        form.model.captureCount = 16000;
    }

    Rgb At(int x, int y) { return form.Framebuffer().PixelAt(x, y); }
    int Count(Rgb color, int left, int top, int right, int bottom) {
        int n = 0;
        for (int y = top; y <= bottom; ++y) {
            for (int x = left; x <= right; ++x) {
                n += At(x, y) == color ? 1 : 0;
            }
        }
        return n;
    }
    // A pixel that no cycle draws on: it stays until the window is repainted.
    void Mark() {
        form.Canvas().SetPenColor(kMarker);
        form.Canvas().MoveTo(700, 495);
        form.Canvas().LineTo(700, 495);
    }
    bool Repainted() { return At(700, 495) != kMarker; }

    Form1Rig rig;
    TForm1& form = *rig.form;
};

TEST_F(DisplayCycle, OneCycleDrawsCentreLineTracesTimeLabelsAndScales) {
    form.model.autoRangeR = 0;
    form.ComboBox10->setCurrentIndex(9); // 100 mV, the range already applied
    Block(-200);
    form.DrawTraces();
    // R triggers (its peak is more than 1.5 times L's): the trace starts at the last zero before
    // the second negative half-wave and rises 130 rows above the centre row at the next point.
    EXPECT_EQ(form.triggerIndexR, 598);
    EXPECT_EQ(At(56, 133), kAqua);
    EXPECT_EQ(At(400, 263), kYellow); // L is flat on the centre row, over the white line
    EXPECT_GT(Count(kWhite, 120, 268, 135, 285), 0); // time label "2"
    EXPECT_GT(Count(kWhite, 34, 256, 50, 270), 0);   // "ms"
    EXPECT_GT(Count(kWhite, 0, 56, 22, 70), 0);      // R's scale text " 100" at the top step

    // The next block without a range or time-base change: no repaint, the old trace erased.
    Mark();
    Block(-100);
    form.DrawTraces();
    EXPECT_FALSE(Repainted());
    EXPECT_EQ(At(56, 133), kBlack);
    EXPECT_EQ(At(56, 198), kAqua);
}

TEST_F(DisplayCycle, HiddenTraceIsErasedAndNotDrawn) {
    form.model.autoRangeR = 0;
    form.ComboBox10->setCurrentIndex(9);
    Block(-200);
    form.DrawTraces();
    Mark();
    form.showTraceR = 0;
    form.DrawTraces();
    ASSERT_FALSE(Repainted());
    EXPECT_EQ(At(56, 133), kBlack);
    EXPECT_EQ(Count(kAqua, 55, 30, 795, 495), 0);
}

TEST_F(DisplayCycle, NoTriggerItemMeasuresButDrawsNothing) {
    Block(-200, 3000);
    form.DrawTraces(); // settles ranges and time base
    form.RepaintWindow();
    form.ComboBox4->setCurrentIndex(-1);
    Block(-300, 5000);
    form.DrawTraces();
    EXPECT_EQ(form.model.peakL, 5000);
    EXPECT_EQ(form.model.appliedRangeL, display::CurrentRange::mA500);
    EXPECT_EQ(Count(kWhite, 0, 0, 799, 525), 0);
    EXPECT_EQ(Count(kYellow, 0, 0, 799, 525), 0);
}

TEST_F(DisplayCycle, RangeAndTimeBaseChangesRepaintAndUnchangedOnesDoNot) {
    struct Step {
        const char* what;
        std::function<void(TForm1&)> change;
        bool repaint;
    };
    const auto peak175 = [](TForm1& f) { f.model.captureSamples[401 * 2] = -175; };
    const auto manualR = [](int item) {
        return [item](TForm1& f) {
            f.ComboBox10->setCurrentIndex(item);
            f.ComboBox10Click(f.ComboBox10);
        };
    };
    const std::vector<Step> steps{
        {"nothing changed", [](TForm1&) {}, false},
        {"R peak 175: 100 mV", peak175, true},
        {"still 100 mV", peak175, false},
        {"manual 100 mV, already applied", manualR(9), false},
        {"manual 50 mV", manualR(10), true},
        {"manual, no item", manualR(-1), false},
        {"time base 1 msec", [](TForm1& f) { f.ComboBox1->setCurrentIndex(7); }, true},
        {"time base 1 msec again", [](TForm1&) {}, false},
        {"automatic, peak 175: 100 mV",
         [&](TForm1& f) {
             manualR(0)(f);
             peak175(f);
         },
         true},
    };
    Block(-100); // 50 mV
    form.DrawTraces();
    for (const Step& step : steps) {
        Block(-100);
        step.change(form);
        Mark();
        form.DrawTraces();
        EXPECT_EQ(Repainted(), step.repaint) << step.what;
    }
    EXPECT_EQ(form.model.pointSpacing, 17.0);
    EXPECT_EQ(form.Edit18->text(), "+mV");
}

TEST_F(DisplayCycle, TimeBaseBoxSetsTheModes) {
    const auto choose = [this](int item) {
        form.ComboBox1->setCurrentIndex(item);
        form.ComboBox1Click(form.ComboBox1);
    };
    choose(8);
    EXPECT_EQ(form.model.generatorTimeBase, 1);
    EXPECT_EQ(form.model.autoTimeBase, 1);
    choose(0);
    EXPECT_EQ(form.model.generatorTimeBase, 0);
    EXPECT_EQ(form.model.autoTimeBase, 1);
    choose(3);
    EXPECT_EQ(form.model.autoTimeBase, 0);
    form.ComboBox9->setCurrentIndex(2);
    form.ComboBox9Click(form.ComboBox9);
    EXPECT_EQ(form.model.autoRangeL, 0);
    form.ComboBox9->setCurrentIndex(0);
    form.ComboBox9Click(form.ComboBox9);
    EXPECT_EQ(form.model.autoRangeL, 1);
}

TEST_F(DisplayCycle, ClearingInSingleShotRedrawsTheSameBlock) {
    form.model.autoRangeR = 0;
    form.ComboBox10->setCurrentIndex(9);
    form.model.periodicMode = 0;
    Block(-200);
    form.DrawTraces();
    Mark();
    form.file1->trigger();
    EXPECT_TRUE(Repainted());
    EXPECT_EQ(At(56, 133), kAqua);
}

} // namespace
} // namespace app
