// SPDX-License-Identifier: MIT
#include "platform/VolumeJournal.h"

#include "platform/OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr char kHeader[] = "osciloskop volumes 1";
// A real journal is under 200 bytes; anything much larger is not one and is not read.
constexpr off_t kLargestJournal = 4096;

// The state folder as the XDG base directories define it: a relative XDG_STATE_HOME is
// ignored.
std::string StateFolder() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/') {
        return std::string(state) + "/osciloskop";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        return std::string(home) + "/.local/state/osciloskop";
    }
    return {};
}

// Makes `folder` and its missing parents, private to the user.
int MakeFolders(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return errno;
        }
        if (slash == std::string::npos) {
            return 0;
        }
    }
}

// 64-bit FNV-1a of the identity: a file name for any identity, whatever it holds.
std::string FileName(const std::string& card) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const unsigned char c : card) {
        hash = (hash ^ c) * 1099511628211ULL;
    }
    char name[48];
    std::snprintf(name, sizeof name, "volumes-%016llx.txt", static_cast<unsigned long long>(hash));
    return name;
}

// The identity as the journal's card line holds it: on one line.
std::string CardLine(std::string card) {
    for (char& c : card) {
        c = c == '\n' || c == '\r' ? ' ' : c;
    }
    return "card=" + card;
}

std::optional<std::uint32_t> Hex32(const std::string& text) {
    if (text.size() != 8 || text.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(std::strtoul(text.c_str(), nullptr, 16));
}

// The volumes in `text`, or why it is not a journal of `card`.
std::optional<VolumeJournal::Volumes> Parse(const std::string& text, const std::string& card,
                                            std::string& fault) {
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != kHeader) {
        fault = "it does not start with '" + std::string(kHeader) + "'";
        return std::nullopt;
    }
    if (!std::getline(lines, line) || line != CardLine(card)) {
        fault = "it is not this card's";
        return std::nullopt;
    }
    VolumeJournal::Volumes volumes{};
    for (std::size_t device = 0; device < volumes.size(); ++device) {
        const std::string key = std::to_string(device) + "=";
        std::optional<std::uint32_t> volume;
        if (std::getline(lines, line) && line.starts_with(key)) {
            volume = Hex32(line.substr(key.size()));
        }
        if (!volume) {
            fault = "device " + std::to_string(device) + " has no volume of 8 hex digits";
            return std::nullopt;
        }
        volumes[device] = *volume;
    }
    if (lines >> line) {
        fault = "it goes on after the last volume";
        return std::nullopt;
    }
    return volumes;
}

} // namespace

VolumeJournal::VolumeJournal(std::string card) : card_(std::move(card)) {
    if (const std::string folder = StateFolder(); !folder.empty()) {
        path_ = folder + "/" + FileName(card_);
    }
}

std::optional<VolumeJournal::Volumes> VolumeJournal::ReadLeft(std::string& error) const {
    error.clear();
    if (path_.empty()) {
        return std::nullopt;
    }
    const int fd = open(path_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) {
            error = "the volume journal '" + path_ + "' cannot be read: " + std::strerror(errno);
        }
        return std::nullopt;
    }
    struct stat info {};
    std::string text(static_cast<std::size_t>(kLargestJournal), '\0');
    ssize_t got = -1;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kLargestJournal) {
        got = read(fd, text.data(), text.size());
    }
    close(fd);
    std::string fault = "it is not a small regular file";
    if (got >= 0) {
        text.resize(static_cast<std::size_t>(got));
        if (std::optional<Volumes> volumes = Parse(text, card_, fault)) {
            return volumes;
        }
    }
    error = "the volume journal '" + path_ + "' is not one: " + fault;
    return std::nullopt;
}

std::string VolumeJournal::Write(const Volumes& volumes) const {
    if (path_.empty()) {
        return "no folder for the volume journal (neither XDG_STATE_HOME nor HOME is set)";
    }
    if (const int error = MakeFolders(path_.substr(0, path_.rfind('/'))); error != 0) {
        return "cannot create the folder of the volume journal '" + path_ +
               "': " + std::strerror(error);
    }
    std::string text = std::string(kHeader) + "\n" + CardLine(card_) + "\n";
    for (std::size_t device = 0; device < volumes.size(); ++device) {
        char line[40];
        std::snprintf(line, sizeof line, "%zu=%08X\n", device, volumes[device]);
        text += line;
    }
    return WriteWhole(path_, text);
}

std::string VolumeJournal::Remove() const {
    if (path_.empty() || unlink(path_.c_str()) == 0 || errno == ENOENT) {
        return {};
    }
    return "cannot remove the volume journal '" + path_ + "': " + std::strerror(errno);
}

} // namespace platform
