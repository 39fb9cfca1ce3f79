// SPDX-License-Identifier: MIT
#include "app/report/FrequencyReport.h"

#include "app/report/ResponsePlot.h"

#include "common/CsvFields.h"
#include "platform/FilePaths.h"
#include "platform/OutputFile.h"

#include <QDateTime>
#include <QFileInfo>

namespace app {

namespace {

std::string Title(const std::string& card) {
    const QString date = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    return "Frequency response, " + date.toStdString() + ", " + card;
}

QByteArray Contents(ReportFormat format, const std::vector<analysis::ResponsePoint>& points,
                    const std::string& title) {
    switch (format) {
    case ReportFormat::Svg:
        return ResponsePlotSvg(points, title);
    case ReportFormat::Png:
        return ResponsePlotPng(points, title);
    default:
        return QByteArray::fromStdString(ResponseCsv(points));
    }
}

} // namespace

std::optional<ReportFormat> ReportFormatOf(const std::string& path) {
    const QString suffix = QFileInfo(QString::fromStdString(path)).suffix().toLower();
    if (suffix == QLatin1String("csv")) {
        return ReportFormat::Csv;
    }
    if (suffix == QLatin1String("svg")) {
        return ReportFormat::Svg;
    }
    if (suffix == QLatin1String("png")) {
        return ReportFormat::Png;
    }
    return std::nullopt;
}

std::optional<std::string> ReportPathError(const std::string& path) {
    if (!ReportFormatOf(path)) {
        return "the report '" + path + "' must end in .csv, .svg or .png";
    }
    if (auto reason = platform::UnwritablePath(path)) {
        return "cannot write the report '" + path + "': " + *reason;
    }
    return std::nullopt;
}

std::string ResponseCsv(const std::vector<analysis::ResponsePoint>& points) {
    const auto optional = [](std::optional<double> value) {
        return value ? common::NumberField(*value) : std::string();
    };
    std::string text =
        "frequency_Hz,current_mA,voltage_mV,impedance_ohm,blocks,phase_deg,resistance_ohm,"
        "reactance_ohm\n";
    for (const analysis::ResponsePoint& point : points) {
        text += common::NumberField(point.frequencyHz) + ',' +
                common::NumberField(point.currentMa) + ',' + common::NumberField(point.voltageMv) +
                ',' + optional(analysis::ImpedanceOhms(point)) + ',' +
                std::to_string(point.blocks) + ',' + optional(point.phaseDegrees) + ',' +
                optional(analysis::ResistanceOhms(point)) + ',' +
                optional(analysis::ReactanceOhms(point)) + '\n';
    }
    return text;
}

FrequencyReport::FrequencyReport(std::string card) : card_(std::move(card)) {
    const std::string prefix = "audio: ";
    if (card_.starts_with(prefix)) {
        card_.erase(0, prefix.size());
    }
}

void FrequencyReport::Follow(instrument::Instrument& instrument) {
    subscription_ = instrument.Subscribe([this](const instrument::Readings& readings) {
        // Only a block that carries a tone can join a point and needs its phase.
        const std::optional<double> phase = readings.tone && readings.analysis
                                                ? readings.analysis->Ac().phaseDegrees
                                                : std::nullopt;
        points_.AddBlock(readings.tone, readings.currentMa, readings.voltageMv, phase);
    });
}

std::string FrequencyReport::Write(const std::string& path, std::ostream& notes) const {
    const std::optional<ReportFormat> format = ReportFormatOf(path);
    if (!format) {
        return *ReportPathError(path);
    }
    const std::vector<analysis::ResponsePoint> points = Points();
    const QByteArray contents = Contents(*format, points, Title(card_));
    if (std::string error = platform::WriteWhole(
            path, {contents.constData(), static_cast<std::size_t>(contents.size())});
        !error.empty()) {
        return "the report: " + error;
    }
    if (points.size() < 2) {
        notes << "osciloskop: the report '" << path << "' has " << points.size()
              << (points.size() == 1 ? " point" : " points")
              << ": fewer than two of generator 1's tones lasted three measured blocks\n";
    }
    return {};
}

} // namespace app
