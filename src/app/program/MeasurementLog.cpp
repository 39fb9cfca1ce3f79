// SPDX-License-Identifier: MIT
#include "app/program/MeasurementLog.h"

#include "common/CsvFields.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <stdexcept>

namespace app {

namespace {

MeasurementLog::Clock SinceNow() {
    const auto start = std::chrono::steady_clock::now();
    return [start] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
}

} // namespace

MeasurementLog::MeasurementLog(std::ostream& out, Clock clock)
    : out_(out), clock_(clock ? std::move(clock) : SinceNow()) {
    out_ << Header() << '\n' << std::flush;
}

std::unique_ptr<MeasurementLog> MeasurementLog::Open(const std::string& path) {
    if (path == "-") {
        return std::make_unique<MeasurementLog>(std::cout);
    }
    auto file = std::make_unique<std::ofstream>(path, std::ios::out | std::ios::trunc);
    if (!*file) {
        throw std::runtime_error("cannot create the log file '" + path +
                                 "': " + std::strerror(errno));
    }
    auto log = std::make_unique<MeasurementLog>(*file);
    log->file_ = std::move(file);
    return log;
}

const char* MeasurementLog::Header() {
    return "time_s,current_mA,frequency_L_Hz,voltage_mV,frequency_R_Hz,IL_text,fL_text,UR_text,"
           "fR_text,range_L,range_R,time_base,measured_L_Hz,measured_R_Hz";
}

void MeasurementLog::Follow(instrument::Instrument& instrument) {
    subscription_ =
        instrument.Subscribe([this](const instrument::Readings& readings) { WriteRow(readings); });
}

void MeasurementLog::WriteRow(const instrument::Readings& r) {
    if (failed_) {
        return;
    }
    out_ << common::NumberField(clock_()) << ',' << common::NumberField(r.currentMa) << ','
         << common::NumberField(r.frequencyLHz) << ',' << common::NumberField(r.voltageMv) << ','
         << common::NumberField(r.frequencyRHz) << ',' << common::QuotedField(r.currentText) << ','
         << common::QuotedField(r.frequencyLText) << ',' << common::QuotedField(r.voltageText)
         << ',' << common::QuotedField(r.frequencyRText) << ',' << common::QuotedField(r.rangeL)
         << ',' << common::QuotedField(r.rangeR) << ',' << common::QuotedField(r.timeBase) << ','
         << common::NumberField(r.measuredLHz) << ',' << common::NumberField(r.measuredRHz) << '\n'
         << std::flush;
    if (!out_) {
        failed_ = true;
        throw std::runtime_error("the readout log cannot be written any more; logging stops");
    }
}

} // namespace app
