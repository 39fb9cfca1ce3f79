// SPDX-License-Identifier: MIT
#pragma once

// The frequency-response report (--report FILE, and the script's `report FILE`): one point for
// every stretch in which generator 1 played the same tone (ResponsePoints.h), written as CSV
// (frequency_Hz,current_mA,voltage_mV,impedance_ohm,blocks) or as a plot (.svg, .png,
// ResponsePlot.h), chosen by the file's extension. The readouts are taken as the window shows
// them, the same values the readout log takes. Used on the UI thread only.

#include "app/program/ResponsePoints.h"
#include "app/script/Script.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace app {

class TForm1;

enum class ReportFormat { Csv, Svg, Png };

// The format named by the path's extension (any case); nothing for another extension.
std::optional<ReportFormat> ReportFormatOf(const std::string& path);

// Why a report cannot go to `path` (an unknown extension, a file that cannot be written), as
// the line to print; nothing when it can. Creates and changes nothing.
std::optional<std::string> ReportPathError(const std::string& path);

// "line N: ..." for the first `report` command whose file cannot be written (see
// ReportPathError); nothing when all can.
std::optional<std::string> ScriptReportError(const std::vector<ScriptCommand>& commands);

// The CSV text of the points, header first; numbers in their shortest exact form.
std::string ResponseCsv(const std::vector<ResponsePoint>& points);

class FrequencyReport {
public:
    // `card` names the sound card in the plot's title.
    explicit FrequencyReport(std::string card);

    // Follows the window's generator 1 and its measured blocks from now on. To be called right
    // after the window is made, before the event loop runs: the playback ring then holds what
    // start-up queued. The hooks already set on the window (the readout log's) go on working;
    // one set afterwards would replace the report's. The report must outlive the window.
    void Attach(TForm1& form);

    // Writes the points so far to `path`, in the format of its extension, replacing the file
    // whole or leaving it as it was. With fewer than two points the report is written all the
    // same and one line on `notes` says so. Returns why the file cannot be written, naming it,
    // or nothing on success.
    std::string Write(const std::string& path, std::ostream& notes) const;

    std::vector<ResponsePoint> Points() const { return points_.Points(); }

private:
    std::string card_;
    ResponsePoints points_;
    std::optional<PlayedTones> played_;
};

} // namespace app
