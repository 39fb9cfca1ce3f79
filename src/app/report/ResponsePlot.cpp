// SPDX-License-Identifier: MIT
#include "app/report/ResponsePlot.h"

#include "app/widgets/WidgetPicture.h"

#include "display/Canvas.h"

#include <QBuffer>
#include <QCategoryAxis>
#include <QChart>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QImage>
#include <QLineSeries>
#include <QPainter>
#include <QSvgGenerator>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace app {

namespace {

QColor ColourOf(display::Rgb rgb) {
    return QColor(rgb.red, rgb.green, rgb.blue);
}

const QColor kBackground(0, 0, 0);
const QColor kText(225, 225, 225);
const QColor kGrid(80, 80, 80);
constexpr double kMantissas[] = {1, 2, 5};
// Points per inch of the fonts in both renderings, so that the SVG looks like the PNG.
constexpr int kDotsPerInch = 96;

// "200", "5000", "20k": short labels under the frequency axis.
QString TickLabel(double hz) {
    return hz >= 10000 ? QString::number(hz / 1000, 'g', 6) + QStringLiteral("k")
                       : QString::number(hz, 'g', 6);
}

QFont Font(int pointSize, bool bold = false) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

void StyleAxis(QAbstractAxis* axis, const QColor& colour, const QString& title) {
    axis->setTitleText(title);
    axis->setTitleBrush(colour);
    axis->setTitleFont(Font(13, true));
    axis->setLabelsBrush(colour);
    axis->setLabelsFont(Font(12));
    axis->setLinePenColor(colour);
    axis->setGridLineColor(kGrid);
}

// The axis runs on log10 of the frequency, and its categories mark the 1-2-5 values: Qt's
// logarithmic axis labels the powers of ten only.
QCategoryAxis* FrequencyAxis(const std::vector<ResponsePoint>& points) {
    double low = 100;
    double high = 1000;
    if (!points.empty()) {
        const auto [min, max] =
            std::minmax_element(points.begin(), points.end(), [](const auto& a, const auto& b) {
                return a.frequencyHz < b.frequencyHz;
            });
        // A single frequency gets room on both sides.
        const double widen = min->frequencyHz == max->frequencyHz ? 1.5 : 1.0;
        low = min->frequencyHz / widen;
        high = max->frequencyHz * widen;
    }
    const std::vector<double> ticks = OneTwoFiveTicks(low, high);
    // A little room beyond the outer ticks, so that markers there are drawn whole.
    const double margin = 0.02 * (std::log10(ticks.back()) - std::log10(ticks.front()));
    auto* axis = new QCategoryAxis;
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axis->setStartValue(std::log10(ticks.front()) - margin);
    for (double tick : ticks) {
        axis->append(TickLabel(tick), std::log10(tick));
    }
    axis->setRange(std::log10(ticks.front()) - margin, std::log10(ticks.back()) + margin);
    StyleAxis(axis, kText, QStringLiteral("frequency (Hz, logarithmic)"));
    return axis;
}

// From zero to a little above the largest value, on round numbers.
QValueAxis* ReadoutAxis(double largest, const QColor& colour, const QString& title) {
    auto* axis = new QValueAxis;
    axis->setRange(0, largest > 0 ? largest * 1.1 : 1);
    axis->applyNiceNumbers();
    axis->setLabelFormat(QStringLiteral("%g"));
    StyleAxis(axis, colour, title);
    return axis;
}

QLineSeries* StyledSeries(const QColor& colour, const QString& name) {
    auto* series = new QLineSeries;
    series->setName(name);
    series->setPen(QPen(colour, 2.5));
    series->setColor(colour);
    series->setPointsVisible(true);
    series->setMarkerSize(8);
    return series;
}

QLineSeries* Series(const std::vector<ResponsePoint>& points, double ResponsePoint::*value,
                    const QColor& colour, const QString& name) {
    auto* series = StyledSeries(colour, name);
    for (const ResponsePoint& point : points) {
        series->append(std::log10(point.frequencyHz), point.*value);
    }
    return series;
}

double Largest(const std::vector<ResponsePoint>& points, double ResponsePoint::*value) {
    double largest = 0;
    for (const ResponsePoint& point : points) {
        largest = std::max(largest, point.*value);
    }
    return largest;
}

// An empty chart in the instrument's colours, owned by `scene`.
QChart* NewChart(QGraphicsScene& scene, const QString& title) {
    auto* chart = new QChart;
    scene.addItem(chart);
    chart->setTitle(title);
    chart->setTitleBrush(kText);
    chart->setTitleFont(Font(16, true));
    chart->setBackgroundBrush(kBackground);
    chart->setBackgroundRoundness(0);
    chart->legend()->setLabelColor(kText);
    chart->legend()->setFont(Font(12));
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

void Attach(QChart* chart, QLineSeries* series, QAbstractAxis* x, QAbstractAxis* y) {
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
}

// The upper panel: the readouts' current and voltage.
void BuildReadoutChart(QGraphicsScene& scene, const std::vector<ResponsePoint>& points,
                       const std::string& title, const QRectF& place) {
    QChart* chart = NewChart(scene, QString::fromStdString(title));
    const QColor current = ColourOf(display::kYellow);
    const QColor voltage = ColourOf(display::kAqua);
    QCategoryAxis* frequency = FrequencyAxis(points);
    QValueAxis* currentAxis = ReadoutAxis(Largest(points, &ResponsePoint::currentMa), current,
                                          QStringLiteral("current IL (mA)"));
    QValueAxis* voltageAxis = ReadoutAxis(Largest(points, &ResponsePoint::voltageMv), voltage,
                                          QStringLiteral("voltage UR (mV)"));
    voltageAxis->setGridLineVisible(false); // one grid, the current's, keeps the plot calm
    chart->addAxis(frequency, Qt::AlignBottom);
    chart->addAxis(currentAxis, Qt::AlignLeft);
    chart->addAxis(voltageAxis, Qt::AlignRight);
    Attach(chart,
           Series(points, &ResponsePoint::currentMa, current, QStringLiteral("current IL (mA)")),
           frequency, currentAxis);
    Attach(chart,
           Series(points, &ResponsePoint::voltageMv, voltage, QStringLiteral("voltage UR (mV)")),
           frequency, voltageAxis);
    chart->setGeometry(place);
    chart->layout()->activate();
}

// |Z| on log10 of ohms, with 1-2-5 ticks as the frequency has: a load's impedance spans
// decades.
QCategoryAxis* ImpedanceAxis(const std::vector<double>& impedances, const QColor& colour) {
    double low = 10;
    double high = 100;
    if (!impedances.empty()) {
        const auto [min, max] = std::minmax_element(impedances.begin(), impedances.end());
        low = *min;
        high = *max;
    }
    const std::vector<double> ticks = OneTwoFiveTicks(low, high);
    auto* axis = new QCategoryAxis;
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axis->setStartValue(std::log10(ticks.front()));
    for (double tick : ticks) {
        axis->append(TickLabel(tick), std::log10(tick));
    }
    axis->setRange(std::log10(ticks.front()), std::log10(ticks.back()));
    StyleAxis(axis, colour, QStringLiteral("impedance |Z| (Ω, logarithmic)"));
    return axis;
}

// A passive load's phase lies within +-90 degrees; anything else gets the whole circle.
QValueAxis* PhaseAxis(const std::vector<double>& phases, const QColor& colour) {
    const bool passive =
        std::all_of(phases.begin(), phases.end(), [](double phi) { return std::abs(phi) <= 90; });
    auto* axis = new QValueAxis;
    axis->setRange(passive ? -90 : -180, passive ? 90 : 180);
    axis->setTickCount(passive ? 7 : 9);
    axis->setLabelFormat(QStringLiteral("%g"));
    StyleAxis(axis, colour, QStringLiteral("phase φ (°)"));
    axis->setGridLineVisible(false);
    return axis;
}

// The lower panel, the Bode view: |Z| and phi against frequency, at the points that have them.
void BuildBodeChart(QGraphicsScene& scene, const std::vector<ResponsePoint>& points,
                    const QRectF& place) {
    QChart* chart = NewChart(scene, QStringLiteral("Impedance and phase"));
    const QColor impedanceColour = ColourOf(kImpedanceColour);
    const QColor phaseColour = ColourOf(kPhaseColour);
    QLineSeries* impedance = StyledSeries(impedanceColour, QStringLiteral("impedance |Z| (Ω)"));
    QLineSeries* phase = StyledSeries(phaseColour, QStringLiteral("phase φ (°)"));
    std::vector<double> impedances;
    std::vector<double> phases;
    for (const ResponsePoint& point : points) {
        const double x = std::log10(point.frequencyHz);
        if (const auto z = analysis::ImpedanceOhms(point); z && *z > 0) {
            impedance->append(x, std::log10(*z));
            impedances.push_back(*z);
        }
        if (point.phaseDegrees) {
            phase->append(x, *point.phaseDegrees);
            phases.push_back(*point.phaseDegrees);
        }
    }
    QCategoryAxis* frequency = FrequencyAxis(points);
    QCategoryAxis* impedanceAxis = ImpedanceAxis(impedances, impedanceColour);
    QValueAxis* phaseAxis = PhaseAxis(phases, phaseColour);
    chart->addAxis(frequency, Qt::AlignBottom);
    chart->addAxis(impedanceAxis, Qt::AlignLeft);
    chart->addAxis(phaseAxis, Qt::AlignRight);
    Attach(chart, impedance, frequency, impedanceAxis);
    Attach(chart, phase, frequency, phaseAxis);
    chart->setGeometry(place);
    chart->layout()->activate();
}

// Both panels, laid out at the plot's size in a scene that owns them.
void BuildCharts(QGraphicsScene& scene, std::vector<ResponsePoint> points,
                 const std::string& title) {
    std::erase_if(points, [](const ResponsePoint& p) { return !(p.frequencyHz > 0); });
    BuildReadoutChart(scene, points, title, QRectF(0, 0, kPlotWidth, kReadoutPanelHeight));
    BuildBodeChart(scene, points,
                   QRectF(0, kReadoutPanelHeight, kPlotWidth, kPlotHeight - kReadoutPanelHeight));
    scene.setSceneRect(0, 0, kPlotWidth, kPlotHeight);
}

void Render(QPaintDevice& device, const std::vector<ResponsePoint>& points,
            const std::string& title) {
    QGraphicsScene scene;
    BuildCharts(scene, points, title);
    QPainter painter(&device);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    scene.render(&painter, QRectF(0, 0, kPlotWidth, kPlotHeight),
                 QRectF(0, 0, kPlotWidth, kPlotHeight));
}

} // namespace

std::vector<double> OneTwoFiveTicks(double lowHz, double highHz) {
    const double tolerance = 1e-9;
    int exponent = static_cast<int>(std::floor(std::log10(lowHz))) - 1;
    std::vector<double> ticks;
    for (;; ++exponent) {
        for (double mantissa : kMantissas) {
            const double value = mantissa * std::pow(10.0, exponent);
            if (value <= lowHz * (1 + tolerance)) {
                ticks.assign(1, value); // the largest so far not above the lowest frequency
            } else {
                ticks.push_back(value);
            }
            if (value >= highHz * (1 - tolerance) && ticks.size() >= 2) {
                return ticks;
            }
        }
    }
}

QByteArray ResponsePlotSvg(const std::vector<ResponsePoint>& points, const std::string& title) {
    QBuffer buffer;
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(kPlotWidth, kPlotHeight));
    svg.setViewBox(QRect(0, 0, kPlotWidth, kPlotHeight));
    svg.setResolution(kDotsPerInch);
    svg.setTitle(QString::fromStdString(title));
    Render(svg, points, title);
    return buffer.data();
}

QByteArray ResponsePlotPng(const std::vector<ResponsePoint>& points, const std::string& title) {
    QImage image(kPlotWidth, kPlotHeight, QImage::Format_RGB32);
    const int dotsPerMeter = static_cast<int>(std::lround(kDotsPerInch / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(kBackground);
    Render(image, points, title);
    return PngBytes(image);
}

} // namespace app
