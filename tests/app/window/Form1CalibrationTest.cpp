// SPDX-License-Identifier: MIT
// A calibrated window is coherent: with factor k on a signal of amplitude A it shows what the
// uncalibrated window shows at k·A (readouts, ranges, unit texts, traces' heights), "optimum"
// included, and beyond full scale nothing wraps. Also: "optimum" puts the unit labels back.

#include "Form1TestRig.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace app {
namespace {

using test::Form1Rig;

// Sines of 441 Hz: 80 whole periods per block of 8000 frames, so every block reads the same.
void SineBlock(TForm1& form, double amplitudeR, double amplitudeL) {
    for (int k = 0; k < 8000; ++k) {
        const double s = std::sin(2 * std::numbers::pi * 441 * k / 44100);
        form.model.captureSamples[static_cast<std::size_t>(2 * k)] =
            static_cast<std::int32_t>(std::lround(amplitudeR * s));
        form.model.captureSamples[static_cast<std::size_t>(2 * k + 1)] =
            static_cast<std::int32_t>(std::lround(amplitudeL * s));
    }
    form.model.captureCount = 16000;
}

// Two display cycles: the first ranges, the second draws on the settled ranges.
void Settle(TForm1& form, double amplitudeR, double amplitudeL) {
    form.idleTimer->stop();
    for (int cycle = 0; cycle < 2; ++cycle) {
        SineBlock(form, amplitudeR, amplitudeL);
        form.DrawTraces();
    }
}

// Topmost and lowest rows of a trace's colour on the screen (the scales lie left of x 55).
std::pair<int, int> TraceRows(TForm1& form, display::Rgb color) {
    int top = 10000;
    int bottom = -1;
    for (int y = 0; y < form.ClientHeight(); ++y) {
        for (int x = 60; x < form.ClientWidth() - 5; ++x) {
            if (form.Framebuffer().PixelAt(x, y) == color) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return {top, bottom};
}

struct Shown {
    display::CurrentRange rangeL;
    display::VoltageRange rangeR;
    std::vector<QString> texts;
    double currentRms, voltageRms;
    std::pair<int, int> rowsL, rowsR;
};

Shown ShownBy(TForm1& f) {
    // The unit texts, and the readouts' units: their digits may differ within the tolerance.
    std::vector<QString> texts;
    for (QLineEdit* edit : {f.Edit2, f.Edit5, f.Edit18, f.Edit19}) {
        texts.push_back(edit->text());
    }
    for (QLineEdit* edit : {f.Edit4, f.Edit1}) {
        texts.push_back(edit->text().remove(QRegularExpression(QStringLiteral("[ 0-9.]"))));
    }
    return {f.model.appliedRangeL,       f.model.appliedRangeR, texts,
            f.model.currentRms,          f.model.voltageRms,    TraceRows(f, display::kYellow),
            TraceRows(f, display::kAqua)};
}

void ExpectSameScreen(const Shown& calibrated, const Shown& reference) {
    EXPECT_EQ(calibrated.rangeL, reference.rangeL);
    EXPECT_EQ(calibrated.rangeR, reference.rangeR);
    EXPECT_EQ(calibrated.texts, reference.texts);
    EXPECT_NEAR(calibrated.currentRms, reference.currentRms, 0.005 * reference.currentRms);
    EXPECT_NEAR(calibrated.voltageRms, reference.voltageRms, 0.005 * reference.voltageRms);
    // Rounding of the samples and of the rows may move a trace's end by a pixel.
    EXPECT_NEAR(calibrated.rowsL.first, reference.rowsL.first, 1);
    EXPECT_NEAR(calibrated.rowsL.second, reference.rowsL.second, 1);
    EXPECT_NEAR(calibrated.rowsR.first, reference.rowsR.first, 1);
    EXPECT_NEAR(calibrated.rowsR.second, reference.rowsR.second, 1);
}

struct Case {
    double currentFactor, voltageFactor;
    double amplitudeL, amplitudeR; // the calibrated window's signal; k·A stays in full scale
};

const Case kCases[] = {
    {2.0, 2.0, 5000, 4000},    // 500 mA and 5 V for the uncalibrated window at 2·A
    {0.5, 0.25, 20000, 16000}, // factors below 1: smaller ranges
    {1.37, 3.1, 300, 120},     // small signals: the smallest bands
    {7.9, 0.8, 4000, 30000},   // k·A just inside full scale
};

TEST(Form1Calibration, CalibratedWindowShowsWhatTheUncalibratedShowsAtKTimesTheAmplitude) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message()
                     << "factors " << c.currentFactor << ", " << c.voltageFactor);
        Form1Rig calibrated({c.currentFactor, c.voltageFactor});
        Form1Rig reference;
        Settle(*calibrated.form, c.amplitudeR, c.amplitudeL);
        Settle(*reference.form, c.voltageFactor * c.amplitudeR, c.currentFactor * c.amplitudeL);
        ExpectSameScreen(ShownBy(*calibrated.form), ShownBy(*reference.form));
    }
}

TEST(Form1Calibration, OptimumKeepsTheWindowCoherent) {
    Form1Rig calibrated({2.0, 0.5});
    Form1Rig reference;
    for (Form1Rig* rig : {&calibrated, &reference}) {
        rig->form->Button2Click(rig->form->Button2);
    }
    Settle(*calibrated.form, 6000, 3000);
    Settle(*reference.form, 3000, 6000);
    ExpectSameScreen(ShownBy(*calibrated.form), ShownBy(*reference.form));
    EXPECT_EQ(calibrated.form->model.currentScale, 0.02644596 * 2.0);
}

TEST(Form1Calibration, BeyondFullScaleTheLargestRangeStaysAndReadoutsStayCalibrated) {
    for (const double factor : {4.0, 8.0, 1000.0}) {
        SCOPED_TRACE(factor);
        Form1Rig calibrated({factor, factor});
        Form1Rig reference;
        Settle(*calibrated.form, 16000, 16000);
        Settle(*reference.form, 16000, 16000);
        TForm1& f = *calibrated.form;
        EXPECT_EQ(f.model.appliedRangeL, display::CurrentRange::A1);
        EXPECT_EQ(f.model.appliedRangeR, display::VoltageRange::V10); // the largest automatic band
        EXPECT_EQ(f.Edit2->text(), "+ A");
        EXPECT_EQ(f.Edit18->text(), "+ V");
        EXPECT_NEAR(f.model.currentRms, factor * reference.form->model.currentRms,
                    1e-9 * factor * reference.form->model.currentRms);
        EXPECT_NEAR(f.model.voltageRms, factor * reference.form->model.voltageRms,
                    1e-9 * factor * reference.form->model.voltageRms);
    }
}

TEST(Form1Calibration, OptimumPutsTheUnitLabelsBackWithTheRanges) {
    Form1Rig rig;
    TForm1& f = *rig.form;
    Settle(f, 20000, 20000); // 10 V and 1 A
    ASSERT_EQ(f.Edit18->text(), "+ V");
    ASSERT_EQ(f.Edit2->text(), "+ A");
    f.Button2Click(f.Button2);
    EXPECT_EQ(f.model.appliedRangeL, display::CurrentRange::mA100);
    EXPECT_EQ(f.model.appliedRangeR, display::VoltageRange::mV100);
    EXPECT_EQ(f.Edit18->text(), "+mV");
    EXPECT_EQ(f.Edit19->text(), "-mV");
    EXPECT_EQ(f.Edit2->text(), "mA");
    EXPECT_EQ(f.Edit5->text(), "mA");
}

} // namespace
} // namespace app
