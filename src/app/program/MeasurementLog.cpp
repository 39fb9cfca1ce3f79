// SPDX-License-Identifier: MIT
#include "app/program/MeasurementLog.h"

#include "common/CsvFields.h"

#include <iostream>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace app {

namespace {

MeasurementLog::Clock SinceNow() {
    const auto start = std::chrono::steady_clock::now();
    return [start] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
}

// A clipped channel's harmonics are the card's, not the signal's.
std::optional<double> Thd(const analysis::DistortionResult& distortion) {
    return distortion.clipped ? std::nullopt : distortion.thdPercent;
}

// The digits each analysed value supports: a fundamental's frequency is found to better than
// 0.01 %, its levels and the impedance to a few parts in ten thousand, the phase to hundredths
// of a degree. Empty fields where the block does not support a value.
std::string AnalysisFields(instrument::BlockAnalysis* analysis) {
    if (analysis == nullptr) {
        return std::string(11, ',');
    }
    const analysis::AcResult& ac = analysis->Ac();
    const std::optional<double> fields[] = {ac.frequency,
                                            ac.current.fundamentalRms,
                                            ac.voltage.fundamentalRms,
                                            ac.phaseDegrees,
                                            ac.impedance,
                                            ac.resistance,
                                            ac.reactance,
                                            ac.activePower,
                                            ac.powerFactor,
                                            Thd(analysis->Distortion(measure::Channel::L)),
                                            Thd(analysis->Distortion(measure::Channel::R))};
    constexpr int decimals[] = {3, 4, 3, 2, 4, 4, 4, 4, 5, 3, 3};
    std::string text;
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        text += ',' + common::FixedField(fields[i], decimals[i]);
    }
    return text;
}

} // namespace

MeasurementLog::MeasurementLog(std::ostream& out, Clock clock)
    : out_(&out), clock_(clock ? std::move(clock) : SinceNow()) {
    Put(std::string(Header()) + '\n');
}

MeasurementLog::MeasurementLog(std::unique_ptr<platform::RowAppender> file)
    : file_(std::move(file)), clock_(SinceNow()) {
    failed_ = !Put(std::string(Header()) + '\n');
}

std::unique_ptr<MeasurementLog> MeasurementLog::Open(const std::string& path) {
    if (path == "-") {
        return std::make_unique<MeasurementLog>(std::cout);
    }
    std::string error;
    std::unique_ptr<platform::RowAppender> file = platform::RowAppender::Open(path, error);
    if (!file) {
        throw std::runtime_error("cannot create the log file: " + error);
    }
    return std::unique_ptr<MeasurementLog>(new MeasurementLog(std::move(file)));
}

bool MeasurementLog::Put(const std::string& text) {
    if (file_) {
        return file_->Append(text);
    }
    *out_ << text << std::flush;
    return static_cast<bool>(*out_);
}

std::string MeasurementLog::Finish() {
    return file_ ? file_->Finish() : std::string();
}

const char* MeasurementLog::Header() {
    return "time_s,current_mA,frequency_L_Hz,voltage_mV,frequency_R_Hz,IL_text,fL_text,UR_text,"
           "fR_text,range_L,range_R,time_base,measured_L_Hz,measured_R_Hz,fundamental_Hz,"
           "current_fundamental_mA,voltage_fundamental_mV,phase_deg,impedance_ohm,resistance_ohm,"
           "reactance_ohm,power_mW,power_factor,thd_current_pct,thd_voltage_pct";
}

void MeasurementLog::Follow(instrument::Instrument& instrument) {
    subscription_ =
        instrument.Subscribe([this](const instrument::Readings& readings) { WriteRow(readings); });
}

void MeasurementLog::WriteRow(const instrument::Readings& r) {
    if (failed_) {
        return;
    }
    std::ostringstream row;
    row << common::NumberField(clock_()) << ',' << common::NumberField(r.currentMa) << ','
        << common::NumberField(r.frequencyLHz) << ',' << common::NumberField(r.voltageMv) << ','
        << common::NumberField(r.frequencyRHz) << ',' << common::QuotedField(r.currentText) << ','
        << common::QuotedField(r.frequencyLText) << ',' << common::QuotedField(r.voltageText) << ','
        << common::QuotedField(r.frequencyRText) << ',' << common::QuotedField(r.rangeL) << ','
        << common::QuotedField(r.rangeR) << ',' << common::QuotedField(r.timeBase) << ','
        << common::NumberField(r.measuredLHz) << ',' << common::NumberField(r.measuredRHz)
        << AnalysisFields(r.analysis) << '\n';
    if (!Put(row.str())) {
        failed_ = true;
        const std::string cause = file_ ? file_->Error() : "its stream is closed";
        throw std::runtime_error("the readout log cannot be written any more (" + cause +
                                 "); logging stops");
    }
}

} // namespace app
