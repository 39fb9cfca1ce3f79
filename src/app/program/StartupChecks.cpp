// SPDX-License-Identifier: MIT
#include "app/program/StartupChecks.h"

#include "app/program/RunOutputs.h"
#include "app/report/FrequencyReport.h"
#include "app/spectrum/SpectrumWindow.h"

#include "platform/FilePaths.h"

#include <cstdlib>
#include <string_view>
#include <utility>

namespace app {

namespace {

// Platforms that draw into memory or straight onto the hardware.
bool NeedsNoDisplay(std::string_view platform) {
    for (std::string_view name :
         {"offscreen", "minimal", "minimalegl", "linuxfb", "eglfs", "vnc", "vkkhrdisplay"}) {
        if (platform.substr(0, platform.find(':')) == name) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string ProcessEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::optional<std::string> MissingDisplay(const Environment& environment) {
    if (!environment("DISPLAY").empty() || !environment("WAYLAND_DISPLAY").empty() ||
        NeedsNoDisplay(environment("QT_QPA_PLATFORM"))) {
        return std::nullopt;
    }
    return "no display: $DISPLAY and $WAYLAND_DISPLAY are both empty; run it on a desktop, or "
           "without one under xvfb-run";
}

std::optional<std::string> StartupError(const Options& options) {
    if (auto display = MissingDisplay()) {
        return display;
    }
    for (const auto& [path, what] :
         {std::pair{options.script, "the script"}, std::pair{options.input, "the input"}}) {
        if (path.empty() || path == "-") {
            continue;
        }
        if (auto reason = platform::UnreadablePath(path)) {
            return "cannot read " + std::string(what) + " '" + path + "': " + *reason;
        }
    }
    if (options.log != "-" && !options.log.empty()) {
        if (auto reason = platform::UnwritablePath(options.log)) {
            return "cannot create the log file '" + options.log + "': " + *reason;
        }
    }
    if (!options.screenshot.empty()) {
        if (auto reason = platform::UnwritablePath(options.screenshot)) {
            return "cannot save the screenshot '" + options.screenshot + "': " + *reason;
        }
    }
    if (!options.report.empty()) {
        if (auto error = ReportPathError(options.report)) {
            return error;
        }
    }
    if (!options.spectrum.empty()) {
        if (auto error = spectrum::SpectrumPathError(options.spectrum)) {
            return error;
        }
    }
    // Not opened to find out: a FIFO would hold the start until a reader came.
    if (std::string refusal = platform::CheckOutputs(RunOutputs(options)); !refusal.empty()) {
        return refusal;
    }
    return std::nullopt;
}

std::optional<std::string> ScriptReportError(const std::vector<ScriptCommand>& commands) {
    for (const ScriptCommand& command : commands) {
        std::optional<std::string> error;
        if (command.verb == ScriptVerb::Report) {
            error = ReportPathError(command.arguments[0]);
        } else if (command.verb == ScriptVerb::Spectrum) {
            error = spectrum::SpectrumPathError(command.arguments[0]);
        }
        if (error) {
            return "line " + std::to_string(command.line) + ": " + *error;
        }
    }
    return std::nullopt;
}

} // namespace app
