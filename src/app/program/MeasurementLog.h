// SPDX-License-Identifier: MIT
#pragma once

// The readout log (--log): one CSV row for every captured block that the acquisition cycle has
// measured, so that a run can be analysed afterwards. Numbers are written with every digit that
// tells them apart (shortest round-trip form, point as decimal separator, whatever the locale);
// the readout texts are copied as the window shows them, in double quotes. Each row is flushed
// at once, so a log read while the program runs, or after it was killed, is complete up to the
// last block. Used on the UI thread only.

#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

namespace app {

class TForm1;

// What one row records: the rms values (mA, mV) and frequencies (Hz) behind the readouts, and
// the readout texts of Edit4, Edit12, Edit1 and Edit8; the screen's applied ranges and time
// base by name (the time base empty while none is applied); and the frequencies the half-wave
// timing measured, also while the readouts show generator 1's.
struct Readings {
    double currentMa = 0;
    double frequencyLHz = 0;
    double voltageMv = 0;
    double frequencyRHz = 0;
    std::string currentText;
    std::string frequencyLText;
    std::string voltageText;
    std::string frequencyRText;
    std::string rangeL;
    std::string rangeR;
    std::string timeBase;
    double measuredLHz = 0;
    double measuredRHz = 0;
};

class MeasurementLog {
public:
    // Seconds since start-up; the default counts from the log's construction.
    using Clock = std::function<double()>;

    // Writes to `out`, which must outlive the log; the header is written at once.
    explicit MeasurementLog(std::ostream& out, Clock clock = {});
    // Opens `path` ("-" = standard output); throws std::runtime_error naming the file when it
    // cannot be created, with the system's reason.
    static std::unique_ptr<MeasurementLog> Open(const std::string& path);

    // When the row cannot be written (disk full, a closed pipe), throws std::runtime_error
    // once, for the error report, and writes nothing more from then on.
    void WriteRow(const Readings& readings);

    // False once a row could not be written: the log lacks blocks the run measured.
    bool Complete() const { return !failed_; }

    static const char* Header();

private:
    std::unique_ptr<std::ofstream> file_;
    std::ostream& out_;
    Clock clock_;
    bool failed_ = false;
};

// A CSV text field: in double quotes, an inner double quote doubled.
std::string QuotedField(const std::string& text);
// A number in its shortest form that reads back to the same double, C locale.
std::string NumberField(double value);

// Makes the form write one row to `log` each time its idle cycle has measured a new block.
// `log` must outlive the form's cycle.
void AttachMeasurementLog(TForm1& form, MeasurementLog& log);

} // namespace app
