// SPDX-License-Identifier: MIT
#pragma once

// The instrument's command line. Without options the program behaves exactly as it always has;
// options only choose the sound card, feed a recording in, log readouts, end the run after a
// while or keep a picture of the window. Parsing is a pure function so that main() and the
// tests share it; main() prints `message` (help on stdout, errors on stderr) and exits with
// `exitCode` unless `action` is Run.

#include "measure/CalibrationRequest.h"

#include <optional>
#include <string>
#include <vector>

namespace app {

struct Options {
    // "sim", a device name or index, or empty for the automatic choice.
    std::string audio;
    // A sound file that the simulated card plays into its capture input, looped; empty = none.
    std::string input;
    // The simulated measuring unit's load: "rc", "r" or "rl"; empty = the default (rc).
    std::string load;
    // CSV file of the readouts, "-" for standard output; empty = no log.
    std::string log;
    // Frequency-response report written when the program closes (.csv, .svg or .png); empty =
    // none.
    std::string report;
    // Averaged spectrum written when the program closes (.csv, .svg or .png); empty = none.
    std::string spectrum;
    // Close the window this many milliseconds after start-up.
    std::optional<int> quitAfterMs;
    // PNG file that receives the client area when the program closes; empty = none.
    std::string screenshot;
    // Script of commands that drive the window, "-" for standard input; empty = none.
    std::string script;
    // --calibrate: calibrate one channel against a reference, or remove its factor.
    std::optional<measure::CalibrationRequest> calibrate;
    // --calibration: list the stored factors and exit.
    bool listCalibration = false;
    // --scpi: the TCP port of the SCPI remote-control server (0 = any free port); none = no
    // server. --scpi-listen: the address it listens on instead of the loopback interface.
    std::optional<int> scpiPort;
    std::string scpiListen;
};

struct ParsedCommandLine {
    enum class Action { Run, ShowHelp, ShowVersion, Fail };
    Action action = Action::Run;
    Options options;
    // Help text or error message, already ending in a newline; empty when running.
    std::string message;
    int exitCode = 0; // 0 for Run, ShowHelp and ShowVersion, 2 for Fail
};

// `arguments` excludes the program name. Accepts "--name VALUE" and "--name=VALUE".
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// "osciloskop VERSION", the line that --version prints.
std::string VersionText();

// The usage text that --help prints.
std::string UsageText();

} // namespace app
