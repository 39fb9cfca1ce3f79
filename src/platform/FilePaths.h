// SPDX-License-Identifier: MIT
#pragma once

// Whether the program can read an input or write an output at a path, asked before the window
// opens so that a run that cannot work ends at once with the system's reason. Nothing is
// created, changed or opened (a named pipe is not waited for).

#include <optional>
#include <string>

namespace platform {

// Why a file cannot be written at `path` (the system's reason, e.g. "Permission denied"),
// checked without creating or changing it; nothing when it can.
std::optional<std::string> UnwritablePath(const std::string& path);

// Why the file at `path` cannot be read (the system's reason, e.g. "Is a directory" or "No
// such file or directory"), checked without opening it; nothing when it can.
std::optional<std::string> UnreadablePath(const std::string& path);

} // namespace platform
