// SPDX-License-Identifier: MIT
#include "app/program/Options.h"

#include "platform/sim/MeasuringUnit.h"

#include <charconv>
#include <set>
#include <string_view>

namespace app {

namespace {

const std::string_view valueOptions[] = {
    "--audio",  "--input",     "--log",  "--quit-after",  "--screenshot", "--script",
    "--report", "--calibrate", "--scpi", "--scpi-listen", "--spectrum",   "--load"};

ParsedCommandLine Failure(const std::string& what) {
    ParsedCommandLine result;
    result.action = ParsedCommandLine::Action::Fail;
    result.exitCode = 2;
    result.message = "osciloskop: " + what + "\nTry 'osciloskop --help' for the options.\n";
    return result;
}

bool TakesValue(std::string_view name) {
    for (auto option : valueOptions) {
        if (option == name) {
            return true;
        }
    }
    return false;
}

// Whole non-negative decimal milliseconds that fit an int; nothing else.
std::optional<int> Milliseconds(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || text.front() == '-' || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

// Stores one option's value; returns an error text, empty when the value is accepted.
std::string Apply(Options& options, std::string_view name, const std::string& value) {
    if (value.empty() && name != "--audio") {
        return "option '" + std::string(name) + "' needs a non-empty value";
    }
    if (name == "--audio") {
        options.audio = value == "auto" ? "" : value;
    } else if (name == "--input") {
        options.input = value;
    } else if (name == "--load") {
        if (!platform::sim::LoadNamed(value)) {
            return "unknown load '" + value + "' for --load; give rc, r or rl";
        }
        options.load = value;
    } else if (name == "--log") {
        options.log = value;
    } else if (name == "--screenshot") {
        options.screenshot = value;
    } else if (name == "--script") {
        options.script = value;
    } else if (name == "--report") {
        options.report = value;
    } else if (name == "--scpi") {
        options.scpiPort = Milliseconds(value); // a whole non-negative number, as milliseconds are
        if (!options.scpiPort || *options.scpiPort > 65535) {
            return "'" + value + "' is not a TCP port number (0 to 65535) for --scpi";
        }
    } else if (name == "--scpi-listen") {
        options.scpiListen = value;
    } else if (name == "--spectrum") {
        options.spectrum = value;
    } else if (name == "--calibrate") {
        measure::ParsedCalibrationRequest parsed = measure::ParseCalibrationRequest(value);
        options.calibrate = std::move(parsed.request);
        return parsed.error;
    } else {
        options.quitAfterMs = Milliseconds(value);
        if (!options.quitAfterMs) {
            return "'" + value + "' is not a whole number of milliseconds for --quit-after";
        }
    }
    return {};
}

} // namespace

std::string VersionText() {
    return std::string("osciloskop ") + OSC_VERSION + "\n";
}

std::string UsageText() {
    return "Usage: osciloskop [options]\n"
           "Two-channel oscilloscope, rms and frequency meter and sine generator on the sound "
           "card.\n"
           "\n"
           "Options:\n"
           "  --audio VALUE       sound card: 'sim' (simulated card and measuring unit), a device\n"
           "                      name or index, or 'auto' (default: the system's default device\n"
           "                      when it has input and output, otherwise the simulated card)\n"
           "  --input FILE        the simulated card plays FILE (stereo or mono, 44100 Hz) into\n"
           "                      its input, looped; first file channel = voltage UR, second =\n"
           "                      current IL; implies --audio sim\n"
           "  --load LOAD         the simulated measuring unit's load: 'rc' (22 ohm + 68 uF,\n"
           "                      the default), 'r' (22 ohm) or 'rl' (22 ohm + 10 mH);\n"
           "                      implies --audio sim\n"
           "  --log FILE          write one CSV row of readouts per captured block to FILE\n"
           "                      ('-' = standard output)\n"
           "  --quit-after MS     close the window after MS milliseconds\n"
           "  --report FILE       when the program closes, write the frequency response of\n"
           "                      generator 1's steps to FILE: .csv (a table), .svg or .png (a\n"
           "                      plot)\n"
           "  --spectrum FILE     when the program closes, write the averaged spectrum of both\n"
           "                      channels to FILE: .csv (a table), .svg or .png (a plot)\n"
           "  --screenshot FILE   save the window's client area as a PNG when it closes\n"
           "  --version           show the program's name and version\n"
           "  --script FILE       run the commands in FILE on the window ('-' = standard\n"
           "                      input); see README for the commands\n"
           "  --calibrate Q=REF   calibrate the current (Q = current, REF in mA or A) or\n"
           "                      voltage (Q = voltage, REF in mV or V) channel on a steady\n"
           "                      known signal of REF rms; Q=reset removes that factor\n"
           "  --calibration       list the stored calibration factors by card\n"
           "  --scpi PORT         serve SCPI remote control on TCP port PORT (5025 by\n"
           "                      convention; 0 = any free port) of the loopback interface\n"
           "  --scpi-listen ADDR  serve it on address ADDR instead ('any' = every interface):\n"
           "                      anyone who reaches it can drive the instrument's output\n"
           "  --help              show this text\n";
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    ParsedCommandLine result;
    std::set<std::string> seen;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            result.action = ParsedCommandLine::Action::ShowHelp;
            result.message = UsageText();
            return result;
        }
        if (argument == "--version") {
            result.action = ParsedCommandLine::Action::ShowVersion;
            result.message = VersionText();
            return result;
        }
        if (argument == "--calibration") {
            result.options.listCalibration = true;
            continue;
        }
        const auto equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        if (!argument.starts_with("--") || !TakesValue(name)) {
            return Failure(argument.starts_with("-") ? "unknown option '" + name + "'"
                                                     : "unexpected argument '" + argument + "'");
        }
        if (!seen.insert(name).second) {
            return Failure("option '" + name + "' is given more than once");
        }
        std::string value;
        if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            return Failure("option '" + name + "' needs a value");
        }
        if (auto error = Apply(result.options, name, value); !error.empty()) {
            return Failure(error);
        }
    }
    Options& options = result.options;
    if (options.listCalibration && options.calibrate) {
        return Failure("--calibration lists the stored factors and --calibrate changes one; give "
                       "one of them");
    }
    if (!options.scpiListen.empty() && !options.scpiPort) {
        return Failure("--scpi-listen needs --scpi PORT");
    }
    if (!options.load.empty()) {
        if (!options.input.empty()) {
            return Failure("--load chooses what the simulated measuring unit measures and "
                           "cannot be used with --input, which replaces it");
        }
        if (!options.audio.empty() && options.audio != "sim") {
            return Failure("--load chooses the simulated measuring unit's load and cannot be "
                           "used with --audio " +
                           options.audio);
        }
        options.audio = "sim";
    }
    if (!options.input.empty()) {
        if (!options.audio.empty() && options.audio != "sim") {
            return Failure("--input plays through the simulated card and cannot be used with "
                           "--audio " +
                           options.audio);
        }
        options.audio = "sim";
    }
    return result;
}

} // namespace app
