// SPDX-License-Identifier: MIT
#include "app/program/MeasurementLog.h"

#include "app/window/TForm1.h"

#include <QComboBox>
#include <QLineEdit>

#include <algorithm>
#include <cerrno>
#include <charconv>
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

void MeasurementLog::WriteRow(const Readings& r) {
    if (failed_) {
        return;
    }
    out_ << NumberField(clock_()) << ',' << NumberField(r.currentMa) << ','
         << NumberField(r.frequencyLHz) << ',' << NumberField(r.voltageMv) << ','
         << NumberField(r.frequencyRHz) << ',' << QuotedField(r.currentText) << ','
         << QuotedField(r.frequencyLText) << ',' << QuotedField(r.voltageText) << ','
         << QuotedField(r.frequencyRText) << ',' << QuotedField(r.rangeL) << ','
         << QuotedField(r.rangeR) << ',' << QuotedField(r.timeBase) << ','
         << NumberField(r.measuredLHz) << ',' << NumberField(r.measuredRHz) << '\n'
         << std::flush;
    if (!out_) {
        failed_ = true;
        throw std::runtime_error("the readout log cannot be written any more; logging stops");
    }
}

std::string QuotedField(const std::string& text) {
    std::string field = "\"";
    for (char c : text) {
        field += c;
        if (c == '"') {
            field += '"';
        }
    }
    return field + '"';
}

std::string NumberField(double value) {
    char text[64];
    auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

namespace {

// The time-base box's text of the applied band, without its aligning blanks.
std::string AppliedTimeBase(const TForm1& form) {
    const auto& flags = form.timeBaseApplied;
    const auto applied = std::find(flags.begin(), flags.end(), 1);
    if (applied == flags.end()) {
        return {};
    }
    const int item = static_cast<int>(applied - flags.begin()) + 1;
    return form.ComboBox1->itemText(item).trimmed().toStdString();
}

} // namespace

void AttachMeasurementLog(TForm1& form, MeasurementLog& log) {
    form.OnBlockMeasured = [&form, &log] {
        log.WriteRow({form.currentRms, form.frequencyL, form.voltageRms, form.frequencyR,
                      form.Edit4->text().toStdString(), form.Edit12->text().toStdString(),
                      form.Edit1->text().toStdString(), form.Edit8->text().toStdString(),
                      display::RowOf(form.appliedRangeL).name,
                      display::RowOf(form.appliedRangeR).name, AppliedTimeBase(form),
                      form.measuredFrequencyL, form.measuredFrequencyR});
    };
}

} // namespace app
