// SPDX-License-Identifier: MIT
#include "platform/FilePaths.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

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

} // namespace platform
