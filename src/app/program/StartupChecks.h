// SPDX-License-Identifier: MIT
#pragma once

// Checks made before the window opens, so that a run that cannot work ends at once with one
// clear line (exit code 2) instead of a toolkit abort or a failure found only at the end.

#include "app/program/Options.h"

#include <functional>
#include <optional>
#include <string>

namespace app {

// Reads one environment variable; empty when it is not set.
using Environment = std::function<std::string(const char* name)>;
std::string ProcessEnvironment(const char* name);

// The message for a missing display: neither $DISPLAY nor $WAYLAND_DISPLAY is set and
// QT_QPA_PLATFORM does not choose a platform that draws without one (offscreen and the like).
// Nothing when the window can open.
std::optional<std::string> MissingDisplay(const Environment& environment = ProcessEnvironment);

// Why a file cannot be written at `path` (the system's reason, e.g. "Permission denied"),
// checked without creating or changing it; nothing when it can.
std::optional<std::string> UnwritablePath(const std::string& path);

// Why the file at `path` cannot be read (the system's reason, e.g. "Is a directory" or "No
// such file or directory"), checked without opening it, so that a named pipe is not waited
// for; nothing when it can.
std::optional<std::string> UnreadablePath(const std::string& path);

// The first of the checks above that fails for this run's display, script, input, log,
// screenshot and report, as the line to print; nothing when the run can start.
std::optional<std::string> StartupError(const Options& options);

} // namespace app
