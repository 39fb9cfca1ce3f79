// SPDX-License-Identifier: MIT
#include "platform/CardIdentity.h"

#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace platform {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUnix = "unix:";

bool NonEmpty(const char* value) {
    return value != nullptr && *value != '\0';
}

// The first entry of a server list ("{machine-id}unix:/path tcp:host" gives "unix:/path").
std::string FirstServer(std::string_view list) {
    const auto start = list.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        return {};
    }
    std::string_view entry = list.substr(start, list.find_first_of(" \t", start) - start);
    if (entry.front() == '{' && entry.find('}') != std::string_view::npos) {
        entry.remove_prefix(entry.find('}') + 1);
    }
    if (!entry.empty() && entry.front() == '/') {
        return std::string(kUnix) + std::string(entry);
    }
    return std::string(entry);
}

// The socket's real path; a socket not there (yet) is named by its path made plain.
std::string CanonicalSocket(const std::string& path) {
    std::error_code error;
    const fs::path real = fs::canonical(path, error);
    return error ? fs::path(path).lexically_normal().string() : real.string();
}

} // namespace

std::string SoundServerAddress(const Environment& environment) {
    if (const char* server = environment("PULSE_SERVER"); NonEmpty(server)) {
        return FirstServer(server);
    }
    if (const char* runtime = environment("PULSE_RUNTIME_PATH"); NonEmpty(runtime)) {
        return std::string(kUnix) + runtime + "/native";
    }
    if (const char* runtime = environment("XDG_RUNTIME_DIR"); NonEmpty(runtime)) {
        return std::string(kUnix) + runtime + "/pulse/native";
    }
    return {};
}

std::string CardIdentity(const std::string& mixer, const Environment& environment) {
    if (mixer.rfind("hw:", 0) == 0) {
        return mixer;
    }
    const std::string server = SoundServerAddress(environment);
    if (server.empty()) {
        return mixer;
    }
    if (server.rfind(kUnix, 0) != 0) {
        return mixer + " on " + server;
    }
    return mixer + " on " + std::string(kUnix) + CanonicalSocket(server.substr(kUnix.size()));
}

std::string CardIdentity(const std::string& mixer) {
    return CardIdentity(mixer, [](const char* name) { return std::getenv(name); });
}

} // namespace platform
