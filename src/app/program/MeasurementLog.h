// SPDX-License-Identifier: MIT
#pragma once

// The readout log (--log): one CSV row for every captured block that the acquisition cycle has
// measured, so that a run can be analysed afterwards. Numbers are written with every digit that
// tells them apart (shortest round-trip form, point as decimal separator, whatever the locale);
// the readout texts are copied as the window shows them, in double quotes. Each row is flushed
// at once, so a log read while the program runs, or after it was killed, is complete up to the
// last block. A log file takes each row whole or not at all (platform::RowAppender): on a full
// disk it ends with the last complete row, never mid-number. Used on the UI thread only.

#include "instrument/Instrument.h"

#include "platform/RowAppender.h"

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

namespace app {

class MeasurementLog {
public:
    // Seconds since start-up; the default counts from the log's construction.
    using Clock = std::function<double()>;

    // Writes to `out`, which must outlive the log; the header is written at once.
    explicit MeasurementLog(std::ostream& out, Clock clock = {});
    // Opens `path` ("-" = standard output); throws std::runtime_error naming the file when it
    // cannot be created, with the system's reason. The path must be a regular file, a link to
    // one or new (platform::CheckOutputPath): a FIFO is refused, never waited for.
    static std::unique_ptr<MeasurementLog> Open(const std::string& path);

    // Writes one row for every block `instrument` publishes from now on, as long as the log
    // lives.
    void Follow(instrument::Instrument& instrument);

    // One row: the rms values (mA, mV) and frequencies (Hz) behind the readouts and their
    // texts; the applied ranges and time base by name (the time base empty while none is
    // applied); and the frequencies the half-wave timing measured, also while the readouts show
    // generator 1's; then the block's analysis (fundamental, its levels, phase, impedance and
    // its series parts, real power, power factor, each channel's THD), empty where the block
    // does not support a value or the readings carry no analysis. When the row cannot be written
    // (disk full, a closed pipe), throws std::runtime_error once, for the error report, and writes
    // nothing more from then on.
    void WriteRow(const instrument::Readings& readings);

    // False once a row could not be written: the log lacks blocks the run measured.
    bool Complete() const { return !failed_; }
    // Puts the log file's rows on the disk and closes it; returns the first error that cost
    // rows, naming the file and the cause, empty when every row is there.
    std::string Finish();

    static const char* Header();

private:
    explicit MeasurementLog(std::unique_ptr<platform::RowAppender> file);
    // Takes `text` whole or not at all; false when it could not.
    bool Put(const std::string& text);

    std::unique_ptr<platform::RowAppender> file_;
    std::ostream* out_ = nullptr; // the stream when there is no file
    Clock clock_;
    bool failed_ = false;
    instrument::Instrument::Subscription subscription_;
};

} // namespace app
