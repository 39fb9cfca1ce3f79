// SPDX-License-Identifier: MIT
#include "app/program/StartupChecks.h"

#include "app/program/FrequencyReport.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

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

std::optional<std::string> UnwritablePath(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (fs::is_directory(status)) {
        return std::strerror(EISDIR);
    }
    // An existing file must be writable; a new one needs a directory it can be created in.
    const fs::path parent = fs::path(path).parent_path();
    const bool ok = fs::exists(status)
                        ? access(path.c_str(), W_OK) == 0
                        : access(parent.empty() ? "." : parent.c_str(), W_OK | X_OK) == 0;
    if (ok) {
        return std::nullopt;
    }
    return std::strerror(errno);
}

std::optional<std::string> UnreadablePath(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || access(path.c_str(), R_OK) != 0) {
        return std::strerror(errno);
    }
    if (S_ISDIR(info.st_mode)) {
        return std::strerror(EISDIR);
    }
    return std::nullopt;
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
        if (auto reason = UnreadablePath(path)) {
            return "cannot read " + std::string(what) + " '" + path + "': " + *reason;
        }
    }
    if (options.log != "-" && !options.log.empty()) {
        if (auto reason = UnwritablePath(options.log)) {
            return "cannot create the log file '" + options.log + "': " + *reason;
        }
    }
    if (!options.screenshot.empty()) {
        if (auto reason = UnwritablePath(options.screenshot)) {
            return "cannot save the screenshot '" + options.screenshot + "': " + *reason;
        }
    }
    if (!options.report.empty()) {
        if (auto error = ReportPathError(options.report)) {
            return error;
        }
    }
    return std::nullopt;
}

} // namespace app
