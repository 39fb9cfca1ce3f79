// SPDX-License-Identifier: MIT
#pragma once

// Checks made before the window opens, so that a run that cannot work ends at once with one
// clear line (exit code 2) instead of a toolkit abort or a failure found only at the end.

#include "app/program/Options.h"
#include "app/script/Script.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace app {

// Reads one environment variable; empty when it is not set.
using Environment = std::function<std::string(const char* name)>;
std::string ProcessEnvironment(const char* name);

// The message for a missing display: neither $DISPLAY nor $WAYLAND_DISPLAY is set and
// QT_QPA_PLATFORM does not choose a platform that draws without one (offscreen and the like).
// Nothing when the window can open.
std::optional<std::string> MissingDisplay(const Environment& environment = ProcessEnvironment);

// The first of the checks above that fails for this run's display, script, input, log,
// screenshot and report (what cannot be read or written: platform/FilePaths.h; an output that
// is not a regular file or a new one, or two outputs on one file: RunOutputs), as the line to
// print; nothing when the run can start.
std::optional<std::string> StartupError(const Options& options);

// "line N: ..." for the first `report` or `spectrum` command whose file cannot be written (see
// ReportPathError, SpectrumPathError); nothing when all can.
std::optional<std::string> ScriptReportError(const std::vector<ScriptCommand>& commands);

} // namespace app
