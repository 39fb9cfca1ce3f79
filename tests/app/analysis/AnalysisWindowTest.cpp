// SPDX-License-Identifier: MIT
// The analysis window on the simulated card: opened by its menu entry, it follows the
// instrument only while it is open and shows the simulated load's known readings; its texts
// never show a number the block does not support, and its figure draws a resistor as a line
// and a capacitor as an ellipse.

#include "Form1TestRig.h"

#include "app/analysis/AcReadoutTexts.h"
#include "app/analysis/AnalysisWindow.h"
#include "app/analysis/VoltageCurrentFigure.h"
#include "app/window/layout/Form1LayoutKit.h"

#include <QAction>
#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace app {
namespace {

QString Field(QWidget& window, const char* name) {
    auto* edit = window.findChild<QLineEdit*>(QString::fromLatin1(name));
    EXPECT_NE(edit, nullptr) << name;
    return edit ? edit->text() : QString();
}

// The number at the front of a readout text.
double Number(const QString& text) {
    return text.section(QLatin1Char(' '), 0, 0).remove(QChar(0x00B0)).toDouble();
}

VoltageCurrentFigure& Figure(QWidget& window) {
    auto* figure = dynamic_cast<VoltageCurrentFigure*>(
        window.findChild<QWidget*>(QStringLiteral("VoltageCurrentFigure")));
    EXPECT_NE(figure, nullptr);
    return *figure;
}

struct WindowRig : test::Form1Rig {
    WindowRig() : window(new AnalysisWindow(*form)) {}
    // Lets the card run a second, with an idle pass after every 2000 frames.
    void RunSecond() {
        for (int chunk = 0; chunk < 22; ++chunk) {
            dispatcher.Drain();
            card.AdvanceFrames(2000);
            dispatcher.Drain();
            bool idle = true;
            form->MyIdleEvent(nullptr, idle);
        }
    }
    AnalysisWindow* window; // owned by the form
};

TEST(AnalysisWindow, TheMenuOpensItAndItShowsTheSimulatedLoadWhileOpen) {
    WindowRig rig;
    AnalysisWindow& window = *rig.window;
    EXPECT_EQ(window.parent(), rig.form.get());
    EXPECT_TRUE(window.isWindow());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("fáze a impedance"));
    rig.RunSecond();
    EXPECT_FALSE(window.Following()) << "closed, it follows nothing";
    EXPECT_EQ(Field(window, "EditPhase"), QStringLiteral("—"));

    rig.form->fazeimpedance1->trigger();
    ASSERT_TRUE(window.isVisible());
    EXPECT_TRUE(window.Following());
    rig.RunSecond();
    // 22 ohm in series with 68 uF at generator 1's 100 Hz.
    const double x = -1 / (2 * std::numbers::pi * 100 * 68e-6);
    EXPECT_NEAR(Number(Field(window, "EditPhase")), std::atan2(x, 22) * 180 / std::numbers::pi,
                0.3);
    EXPECT_NEAR(Number(Field(window, "EditResistance")), 22, 0.22);
    EXPECT_NEAR(Number(Field(window, "EditReactance")), x, -x * 0.01);
    EXPECT_NEAR(Number(Field(window, "EditCapacitance")), 68, 0.68);
    EXPECT_EQ(Field(window, "EditInductance"), QStringLiteral("—"));
    EXPECT_TRUE(Field(window, "EditFrequency").endsWith(QStringLiteral(" Hz")));
    EXPECT_GT(Figure(window).BlocksKept(), 0u);

    window.close();
    EXPECT_FALSE(window.Following());
    EXPECT_EQ(Field(window, "EditPhase"), QStringLiteral("—")) << "nothing stale on reopening";
    EXPECT_EQ(Figure(window).BlocksKept(), 0u);
}

TEST(AcReadoutTexts, UnsupportedReadingsAreDashesAndDigitsFollowTheError) {
    const AcReadoutTexts none = FormatAcReadouts({});
    for (const std::string* text :
         {&none.frequency, &none.current, &none.voltage, &none.phase, &none.impedance,
          &none.resistance, &none.reactance, &none.capacitance, &none.inductance, &none.activePower,
          &none.reactivePower, &none.apparentPower, &none.powerFactor}) {
        EXPECT_EQ(*text, kNoReading);
    }
    // A resistor: its reactance is within the impedance's error of zero.
    analysis::AcResult resistor;
    resistor.frequency = 99.99987;
    resistor.current.fundamentalRms = 125.61;
    resistor.phaseDegrees = -0.004;
    resistor.impedance = 21.987;
    resistor.resistance = 21.987;
    resistor.reactance = -0.0015;
    resistor.apparentPower = 346.8;
    resistor.reactivePower = -0.02;
    resistor.powerFactor = 1;
    const AcReadoutTexts texts = FormatAcReadouts(resistor);
    EXPECT_EQ(texts.frequency, "99.9999 Hz");
    EXPECT_EQ(texts.current, "125.6 mA");
    EXPECT_EQ(texts.phase, "0.00°");
    EXPECT_EQ(texts.impedance, "21.99 Ω");
    EXPECT_EQ(texts.reactance, "0.00 Ω");
    EXPECT_EQ(texts.reactivePower, "0.0 mvar");
    EXPECT_EQ(texts.powerFactor, "1.0000");
    EXPECT_EQ(texts.capacitance, kNoReading);
    analysis::AcResult capacitor;
    capacitor.capacitance = 68.02e-6;
    capacitor.inductance = 10e-3;
    EXPECT_EQ(FormatAcReadouts(capacitor).capacitance, "68.02 µF");
    EXPECT_EQ(FormatAcReadouts(capacitor).inductance, "10.00 mH");
}

TEST(VoltageCurrentFigure, RangesAreReadFromTheirNames) {
    EXPECT_EQ(RangeMilli("100 mA"), 100);
    EXPECT_EQ(RangeMilli("1 A"), 1000);
    EXPECT_EQ(RangeMilli("50 V"), 50000);
    EXPECT_EQ(RangeMilli("10 mV"), 10);
    EXPECT_FALSE(RangeMilli(""));
    EXPECT_FALSE(RangeMilli("automaticky"));
    EXPECT_FALSE(RangeMilli("100 mW"));
}

// A current in phase with the voltage draws a line through the centre; one leading by 90
// degrees a circle around it, at the ranges' full scale.
TEST(VoltageCurrentFigure, AResistorDrawsALineAndACapacitorAnEllipse) {
    test::EnsureApplication();
    for (const double lead : {0.0, 90.0}) {
        SCOPED_TRACE(lead);
        VoltageCurrentFigure figure(nullptr);
        figure.resize(400, 340); // the height limits the square
        std::vector<std::int32_t> current(8000);
        std::vector<std::int32_t> voltage(8000);
        for (std::size_t k = 0; k < voltage.size(); ++k) {
            const double t = 2 * std::numbers::pi * 100 * static_cast<double>(k) / 44100;
            voltage[k] = static_cast<std::int32_t>(std::lround(10000 * std::sin(t)));
            current[k] = static_cast<std::int32_t>(
                std::lround(10000 * std::sin(t + lead * std::numbers::pi / 180)));
        }
        // 10000 units = 100 mA and 1000 mV: the whole of each range.
        figure.AddBlock(current, 0.01, voltage, 0.1, 100, 1000);
        QImage image = figure.grab().toImage();
        const QPoint centre(image.width() / 2, image.height() / 2);
        const auto lit = [&](QPoint p) {
            for (int dx = -2; dx <= 2; ++dx) {
                for (int dy = -2; dy <= 2; ++dy) {
                    if (image.pixelColor(p + QPoint(dx, dy)).lightness() > 200) {
                        return true;
                    }
                }
            }
            return false;
        };
        // The square lies between a line of text above and one below.
        const int text = QFontMetrics(layout::FormFont(11)).height();
        const int half = (340 - 2 * text - 1) / 2;
        const QPoint diagonal = centre + QPoint(half / 2, -half / 2);
        EXPECT_EQ(lit(diagonal), lead == 0) << "the line's point at half the ranges";
        const QPoint onCircle =
            centre + QPoint(static_cast<int>(half * std::cos(std::numbers::pi / 3)),
                            static_cast<int>(-half * std::sin(std::numbers::pi / 3)));
        EXPECT_EQ(lit(onCircle), lead == 90) << "the circle's point at 60 degrees";
    }
}

} // namespace
} // namespace app
