// SPDX-License-Identifier: MIT
// The frequency-response report of a window on the simulated card: an automatic generator run
// gives one point per step that agrees with the simulated load, and the plots are documents
// that Qt reads back with both curves in their colours.

#include "Form1TestRig.h"

#include "app/report/FrequencyReport.h"
#include "app/report/ResponsePlot.h"
#include "platform/sim/MeasuringUnit.h"

#include <QAction>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTimer>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>

namespace app {
namespace {

using platform::sim::MeasuringUnit;

constexpr std::size_t kFramesPerSecond = 44100;
constexpr std::size_t kChunk = 2000; // card frames between idle passes

// The simulated load's rms current (mA) for generator 1's sine of `amplitude` units at `hz`:
// the drive voltage across 22 ohm in series with 68 uF.
double LoadCurrentMa(double amplitude, double hz) {
    const MeasuringUnit::Load load;
    const double volts = amplitude * MeasuringUnit::kDriveVoltsPerUnit / std::numbers::sqrt2;
    const double reactance = 1 / (2 * std::numbers::pi * hz * load.capacitanceFarads);
    return 1000 * volts / std::hypot(load.resistanceOhms, reactance);
}

// Lets the card run for `frames`, with an idle pass after each chunk as the event loop runs
// them, and ticks the automatic generator's timer every `tickFrames` while it runs.
struct ReportRig : test::Form1Rig {
    void Run(std::size_t frames, std::size_t tickFrames) {
        for (std::size_t done = 0; done < frames; done += kChunk) {
            dispatcher.Drain();
            card.AdvanceFrames(kChunk);
            dispatcher.Drain();
            bool idle = true;
            form->MyIdleEvent(nullptr, idle);
            sinceTick += kChunk;
            if (form->model.sweepRunning == 1 && sinceTick >= tickFrames) {
                form->Timer1Timer(form->Timer1);
                sinceTick = 0;
            }
        }
    }
    std::size_t sinceTick = 0;
};

std::vector<std::vector<double>> CsvRows(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "frequency_Hz,current_mA,voltage_mV,impedance_ohm,blocks,phase_deg,"
                    "resistance_ohm,reactance_ohm");
    std::vector<std::vector<double>> rows;
    while (std::getline(in, line)) {
        std::vector<double> row;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) {
            row.push_back(std::stod(cell));
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(FrequencyReport, AnAutomaticRunGivesOnePointPerStepThatAgreesWithTheLoad) {
    FrequencyReport report("audio: simulated sound card"); // outlives the window's hooks
    ReportRig rig;
    TForm1& form = *rig.form;
    report.Follow(form.model);
    // 100 Hz to 500 Hz in steps of 100 Hz, 2 s each; the timer is ticked on card time.
    form.zobrazit3->trigger();
    form.Edit206->setText("100");
    form.Edit216->setText("500");
    form.Edit223->setText("100");
    form.Edit222->setText("2");
    form.Button203->click();
    form.Timer1->stop();
    rig.Run(12 * kFramesPerSecond, 2 * kFramesPerSecond);
    ASSERT_EQ(form.model.sweepRunning, 0) << "the run has ended";

    const auto path = std::filesystem::temp_directory_path() / "osc_report_run.csv";
    std::ostringstream notes;
    ASSERT_EQ(report.Write(path.string(), notes), "");
    EXPECT_EQ(notes.str(), "");
    const auto rows = CsvRows(path.string());
    std::filesystem::remove(path);
    ASSERT_EQ(rows.size(), 5u);
    const double voltsRmsMv =
        1000 * form.model.gen1Amplitude * MeasuringUnit::kDriveVoltsPerUnit / std::numbers::sqrt2;
    for (std::size_t step = 0; step < rows.size(); ++step) {
        const auto& row = rows[step];
        const double hz = 100.0 * (step + 1);
        SCOPED_TRACE(hz);
        ASSERT_EQ(row.size(), 8u);
        EXPECT_EQ(row[0], hz);
        const double expected = LoadCurrentMa(form.model.gen1Amplitude, hz);
        EXPECT_NEAR(row[1], expected, expected * 0.01);
        EXPECT_NEAR(row[2], voltsRmsMv, voltsRmsMv * 0.01);
        EXPECT_NEAR(row[3], row[2] / row[1], 1e-9 * row[3]);
        EXPECT_GE(row[4], 5) << "2 s of blocks but the two next to the changes";
        // The load's phase, and its series parts within 1 %.
        const MeasuringUnit::Load load;
        const double reactance = -1 / (2 * std::numbers::pi * hz * load.capacitanceFarads);
        EXPECT_NEAR(row[5], std::atan2(reactance, load.resistanceOhms) * 180 / std::numbers::pi,
                    0.3);
        EXPECT_NEAR(row[6], load.resistanceOhms, load.resistanceOhms * 0.01);
        EXPECT_NEAR(row[7], reactance, -reactance * 0.01);
    }
}

TEST(FrequencyReport, APausedOutputPlaysNoToneAndMakesNoPoint) {
    FrequencyReport report("audio: simulated sound card"); // outlives the window's hooks
    ReportRig rig;
    TForm1& form = *rig.form;
    report.Follow(form.model);
    form.AudioOut1.SetPaused(true);
    rig.Run(3 * kFramesPerSecond, 0);
    EXPECT_TRUE(report.Points().empty());
    form.AudioOut1.SetPaused(false);
    rig.Run(3 * kFramesPerSecond, 0);
    ASSERT_EQ(report.Points().size(), 1u);
    const double expected = LoadCurrentMa(form.model.gen1Amplitude, 100);
    EXPECT_NEAR(report.Points()[0].currentMa, expected, expected * 0.01);
}

// Generator 2 added to the output: the blocks measure the sum of two tones, no point of
// generator 1's response.
TEST(FrequencyReport, GeneratorTwoPlayingMakesNoPoint) {
    FrequencyReport report("audio: simulated sound card"); // outlives the window's hooks
    ReportRig rig;
    TForm1& form = *rig.form;
    form.zobrazit2->trigger();
    ASSERT_NE(form.model.gen2Amplitude, 0) << "generator 2 must play for this test";
    // The output's four one-second buffers queued before carry generator 1 alone.
    rig.Run(5 * kFramesPerSecond, 0);
    report.Follow(form.model);
    rig.Run(4 * kFramesPerSecond, 0);
    EXPECT_TRUE(report.Points().empty());
    form.zruit2->trigger();
    rig.Run(8 * kFramesPerSecond, 0);
    ASSERT_EQ(report.Points().size(), 1u);
    const double expected = LoadCurrentMa(form.model.gen1Amplitude, 100);
    EXPECT_NEAR(report.Points()[0].currentMa, expected, expected * 0.01);
}

// Pixels close to a colour, anywhere in the picture.
int PixelsNear(const QImage& image, QColor colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            count += std::abs(pixel.red() - colour.red()) < 40 &&
                     std::abs(pixel.green() - colour.green()) < 40 &&
                     std::abs(pixel.blue() - colour.blue()) < 40;
        }
    }
    return count;
}

const std::vector<ResponsePoint> kPoints = {{100, 86, 2762, 9, -46.8},
                                            {200, 109, 2762, 9, -28.0},
                                            {500, 122, 2762, 9, -12.0},
                                            {1000, 124, 2762, 9, -6.1}};

TEST(ResponsePlot, TheSvgIsWellFormedAndShowsBothCurvesInTheirColours) {
    test::EnsureApplication();
    const QByteArray svg = ResponsePlotSvg(kPoints, "Frequency response, test");
    QXmlStreamReader xml(svg);
    int elements = 0;
    while (!xml.atEnd()) {
        elements += xml.readNext() == QXmlStreamReader::StartElement;
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_GT(elements, 10);

    QSvgRenderer renderer(svg);
    ASSERT_TRUE(renderer.isValid());
    EXPECT_EQ(renderer.viewBox(), QRect(0, 0, kPlotWidth, kPlotHeight));
    QImage image(kPlotWidth, kPlotHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    EXPECT_GT(PixelsNear(image, Qt::yellow), 500) << "the current's curve";
    EXPECT_GT(PixelsNear(image, Qt::cyan), 500) << "the voltage's curve";
    // The Bode panel below: |Z| of every point, the phase of those that have one.
    const auto bodePixels = [&](display::Rgb rgb) {
        return PixelsNear(
            image.copy(0, kReadoutPanelHeight, kPlotWidth, kPlotHeight - kReadoutPanelHeight),
            QColor(rgb.red, rgb.green, rgb.blue));
    };
    EXPECT_GT(bodePixels(kImpedanceColour), 500) << "the impedance's curve";
    EXPECT_GT(bodePixels(kPhaseColour), 500) << "the phase's curve";
    EXPECT_GT(PixelsNear(image, Qt::black), kPlotWidth * kPlotHeight / 2) << "dark ground";
}

TEST(ResponsePlot, ThePngHasThePlotsSizeAndBothColoursEvenForFewPoints) {
    test::EnsureApplication();
    for (std::size_t count : {std::size_t{4}, std::size_t{1}, std::size_t{0}}) {
        SCOPED_TRACE(count);
        const std::vector<ResponsePoint> points(kPoints.begin(), kPoints.begin() + count);
        QImage image;
        ASSERT_TRUE(image.loadFromData(ResponsePlotPng(points, "Frequency response"), "PNG"));
        EXPECT_EQ(image.size(), QSize(kPlotWidth, kPlotHeight));
        // The axes' titles and labels carry the colours even without a curve.
        EXPECT_GT(PixelsNear(image, Qt::yellow), 100);
        EXPECT_GT(PixelsNear(image, Qt::cyan), 100);
    }
}

} // namespace
} // namespace app
