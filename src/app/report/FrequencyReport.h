// SPDX-License-Identifier: MIT
#pragma once

// The frequency-response report (--report FILE, and the script's `report FILE`): one point for
// every stretch in which generator 1 played the same tone (ResponsePoints.h), written as CSV
// (frequency_Hz,current_mA,voltage_mV,impedance_ohm,blocks,phase_deg,resistance_ohm,
// reactance_ohm; the phase is the mean of the blocks' analysed phases) or as a plot (.svg, .png,
// ResponsePlot.h), chosen by the file's extension. It follows the instrument's readings: the
// rms values the readouts show and the tone generator 1 was playing. Used on the UI thread only.

#include "analysis/ResponsePoints.h"
#include "instrument/Instrument.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace app {

enum class ReportFormat { Csv, Svg, Png };

// The format named by the path's extension (any case); nothing for another extension.
std::optional<ReportFormat> ReportFormatOf(const std::string& path);

// Why a report cannot go to `path` (an unknown extension, a file that cannot be written), as
// the line to print; nothing when it can. Creates and changes nothing.
std::optional<std::string> ReportPathError(const std::string& path);

// The CSV text of the points, header first; numbers in their shortest exact form.
std::string ResponseCsv(const std::vector<analysis::ResponsePoint>& points);

class FrequencyReport {
public:
    // `card` names the sound card in the plot's title.
    explicit FrequencyReport(std::string card);

    // Gathers the blocks `instrument` publishes from now on, as long as the report lives.
    void Follow(instrument::Instrument& instrument);

    // Writes the points so far to `path`, in the format of its extension, replacing the file
    // whole or leaving it as it was. With fewer than two points the report is written all the
    // same and one line on `notes` says so. Returns why the file cannot be written, naming it,
    // or nothing on success.
    std::string Write(const std::string& path, std::ostream& notes) const;

    std::vector<analysis::ResponsePoint> Points() const { return points_.Points(); }

private:
    std::string card_;
    analysis::ResponsePoints points_;
    instrument::Instrument::Subscription subscription_;
};

} // namespace app
