// SPDX-License-Identifier: MIT
#pragma once

// The calibration run of --calibrate: the instrument runs as usual, uncalibrated, on the chosen
// card while the user feeds a steady known signal into one channel. After a few blocks that
// let the card and the signal settle, it gathers about two seconds of blocks, checks them
// (clipped, too weak, unsteady) and stores reference ÷ measured for the card. Then it prints
// one line and closes the window; a refusal stores nothing and exits 2. The window is shown as
// in any run: the user sees the signal being calibrated on, and the blocks take the very path
// that later readings take. Each block's level is taken back to the constants in force when
// the run started, so that "optimum" (by a click or a script) cannot change what is measured.
//
// Lives on the UI thread; it follows the instrument's readings.

#include "measure/CalibrationRequest.h"

#include "instrument/Instrument.h"
#include "measure/LevelCalibration.h"

#include <QObject>

#include <functional>
#include <string>
#include <vector>

namespace app {

class CalibrationRun : public QObject {
public:
    // Blocks left out at the start (the card's and the server's start), and blocks measured:
    // 11 blocks of 8000 frames at 44.1 kHz are two seconds of signal.
    static constexpr std::size_t kSettlingBlocks = 2;
    static constexpr std::size_t kMeasuredBlocks = 11;
    // Without enough blocks by then, the run gives up (a card that delivers nothing).
    static constexpr int kDeadlineMs = 30000;

    // `instrument` must be uncalibrated; `card` is the calibration identity; `closeWindow`
    // ends the run's window once the run has its verdict.
    CalibrationRun(measure::CalibrationRequest request, std::string card,
                   instrument::Instrument& instrument, std::function<void()> closeWindow);

    // The program's exit code once the window has closed: 0 once the factor is stored, 2 when
    // the run was refused or ended before it had its blocks (then `exitCode` of the event loop
    // is kept when it was already a failure).
    int ExitCode(int eventLoopCode) const;

private:
    void OnBlock(const instrument::Readings& readings);
    void Finish();
    void Refuse(const std::string& why);

    measure::CalibrationRequest request_;
    std::string card_;
    std::function<void()> closeWindow_;
    double startScale_; // the channel's mA or mV per sample unit when the run started
    instrument::Instrument::Subscription subscription_;
    std::vector<measure::BlockLevel> blocks_;
    std::size_t seen_ = 0;
    bool done_ = false;
    bool stored_ = false;
};

} // namespace app
