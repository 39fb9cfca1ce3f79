// SPDX-License-Identifier: MIT
#pragma once

// The stored calibration factors, one per card and quantity, with the date each was taken. They
// live in the user's configuration folder (osciloskop/calibration.ini under XDG_CONFIG_HOME or
// ~/.config) through QSettings, keyed by the card's identity: the one the one-instrument-per-
// card lock uses, or "simulated" for the simulated card.
//
// A file that cannot be read (not a regular file, over 64 KiB, random bytes, a line that is not
// INI, a factor outside 0.1 to 10, a date that is not one) is never written over by reading or
// listing: the instrument starts uncalibrated and says why, naming the file, and only a new
// calibration replaces the file. Writes go through platform::WriteWhole (a failure keeps the
// earlier file; a link is written through). Used by main() and the calibration run, on the UI
// thread.

#include "measure/CalibrationRequest.h"

#include "measure/Channel.h"
#include "measure/LevelCalibration.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace app {

struct StoredFactor {
    double factor = 1; // reference ÷ measured, above zero
    std::string date;  // ISO date it was taken, "2026-12-09"
};

struct CardCalibration {
    std::string card;
    std::optional<StoredFactor> current;
    std::optional<StoredFactor> voltage;
};

class CalibrationStore {
public:
    // Reads the user's calibration file (a missing file holds nothing).
    CalibrationStore();

    // Why the file cannot be used, naming it; empty when it was read (or is missing).
    const std::string& Error() const { return error_; }
    const std::string& Path() const { return path_; }
    // Cards with at least one factor, in the order of their names.
    const std::vector<CardCalibration>& Cards() const { return cards_; }
    std::optional<StoredFactor> Find(const std::string& card, measure::Channel channel) const;

    // Why a calibration could not be stored (a folder that cannot be made, a path that is not a
    // file, no write permission), empty when it could; asked before the measurement starts, so
    // that the user does not wait for a result that cannot be kept.
    std::string WritableError() const;

    // Stores a factor taken today (within 0.1 to 10, else refused), replacing an unreadable
    // file; returns an error text, empty when the factor is on disk.
    std::string Store(const std::string& card, measure::Channel channel, double factor);
    // Removes one factor; returns an error text, empty when it is gone (or was never there).
    std::string Remove(const std::string& card, measure::Channel channel);

private:
    std::string Write(const std::string& card, measure::Channel channel,
                      const std::optional<StoredFactor>& factor);

    std::string path_;
    std::vector<CardCalibration> cards_;
    std::string error_;
};

// The calibration identity of a card: the lock's identity, "simulated" for the simulated card.
std::string CalibrationIdentity(const std::string& lockIdentity);

// The factors that apply to `card`, with one line on `notes` when any does ("calibration:
// current ×1.981 (2026-12-09)") or when the file cannot be read; 1 for every other.
measure::LevelCalibration LoadLevelCalibration(const std::string& card, std::ostream& notes);

// --calibration: every stored factor by card on `out`; a file that cannot be read is reported
// on `err`. Returns the exit code (0, or 2 for an unreadable file).
int ListCalibration(std::ostream& out, std::ostream& err);

// --calibrate QUANTITY=reset: removes that factor of `card`, one line on `out`. Returns the
// exit code (0, or 2 when the file cannot be written).
int ResetCalibration(const std::string& card, measure::Channel channel, std::ostream& out,
                     std::ostream& err);

} // namespace app
