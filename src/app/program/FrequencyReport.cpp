// SPDX-License-Identifier: MIT
#include "app/program/FrequencyReport.h"

#include "app/program/MeasurementLog.h"
#include "app/program/ResponsePlot.h"
#include "app/program/StartupChecks.h"
#include "app/window/TForm1.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSaveFile>

namespace app {

namespace {

// Generator 1 alone at a frequency; nothing while the output carries anything else.
std::optional<Tone> ToneOf(const TForm1& form) {
    if (form.generatorMode != 0 || form.gen2Amplitude != 0 || form.gen1Amplitude <= 0 ||
        form.gen1Frequency <= 0) {
        return std::nullopt;
    }
    return Tone{form.gen1Frequency, form.gen1Amplitude};
}

std::string Title(const std::string& card) {
    const QString date = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    return "Frequency response, " + date.toStdString() + ", " + card;
}

QByteArray Contents(ReportFormat format, const std::vector<ResponsePoint>& points,
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
    if (auto reason = UnwritablePath(path)) {
        return "cannot write the report '" + path + "': " + *reason;
    }
    return std::nullopt;
}

std::optional<std::string> ScriptReportError(const std::vector<ScriptCommand>& commands) {
    for (const ScriptCommand& command : commands) {
        if (command.verb != ScriptVerb::Report) {
            continue;
        }
        if (auto error = ReportPathError(command.arguments[0])) {
            return "line " + std::to_string(command.line) + ": " + *error;
        }
    }
    return std::nullopt;
}

std::string ResponseCsv(const std::vector<ResponsePoint>& points) {
    std::string text = "frequency_Hz,current_mA,voltage_mV,impedance_ohm,blocks\n";
    for (const ResponsePoint& point : points) {
        const std::optional<double> impedance = ImpedanceOhms(point);
        text += NumberField(point.frequencyHz) + ',' + NumberField(point.currentMa) + ',' +
                NumberField(point.voltageMv) + ',' + (impedance ? NumberField(*impedance) : "") +
                ',' + std::to_string(point.blocks) + '\n';
    }
    return text;
}

FrequencyReport::FrequencyReport(std::string card) : card_(std::move(card)) {
    const std::string prefix = "audio: ";
    if (card_.starts_with(prefix)) {
        card_.erase(0, prefix.size());
    }
}

void FrequencyReport::Attach(TForm1& form) {
    played_.emplace(static_cast<std::size_t>(form.AudioOut1.NumBuffers()), ToneOf(form));
    // The tone is read as the buffer is filled: that is what the buffer will play.
    form.AudioOut1.OnFillBuffer =
        [this, &form, fill = std::move(form.AudioOut1.OnFillBuffer)](char* buffer, int& size) {
            const std::optional<Tone> tone = ToneOf(form);
            const bool filled = fill(buffer, size);
            if (filled) { // only a filled buffer goes to the card
                played_->BufferFilled(tone);
            }
            return filled;
        };
    form.OnBlockMeasured = [this, &form, measured = std::move(form.OnBlockMeasured)] {
        // A stopped or paused output plays no tone at all.
        const bool playing = form.AudioOut1.Running() && !form.AudioOut1.Paused();
        points_.AddBlock(playing ? played_->Playing() : std::nullopt, form.currentRms,
                         form.voltageRms);
        if (measured) {
            measured();
        }
    };
}

std::string FrequencyReport::Write(const std::string& path, std::ostream& notes) const {
    const std::optional<ReportFormat> format = ReportFormatOf(path);
    if (!format) {
        return *ReportPathError(path);
    }
    const std::vector<ResponsePoint> points = Points();
    QSaveFile file(QString::fromStdString(path));
    // A file in a folder that takes no new files can still be rewritten in place.
    file.setDirectWriteFallback(true);
    const QByteArray contents = Contents(*format, points, Title(card_));
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size() ||
        !file.commit()) {
        return "cannot write the report '" + path + "': " + file.errorString().toStdString();
    }
    if (points.size() < 2) {
        notes << "osciloskop: the report '" << path << "' has " << points.size()
              << (points.size() == 1 ? " point" : " points")
              << ": fewer than two of generator 1's tones lasted three measured blocks\n";
    }
    return {};
}

} // namespace app
