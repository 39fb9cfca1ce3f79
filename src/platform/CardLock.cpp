// SPDX-License-Identifier: MIT
#include "platform/CardLock.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// 64-bit FNV-1a: a stable file name for any identity, whatever characters it holds.
std::uint64_t Hash(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const unsigned char c : text) {
        hash = (hash ^ c) * 1099511628211ULL;
    }
    return hash;
}

// The fixed folder in /tmp: the same for every session of the user, whatever its environment,
// but a name another user of the machine can take first.
std::string SharedDirectory() {
    return "/tmp/osciloskop-locks-" + std::to_string(getuid());
}

// The user's runtime folder where it is one (absolute, a directory of the user's, closed to
// others): nobody else can take a name in it. Empty where there is none.
std::string RuntimeDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (runtime != nullptr && runtime[0] == '/' && stat(runtime, &info) == 0 &&
        S_ISDIR(info.st_mode) && info.st_uid == getuid() && (info.st_mode & 077) == 0) {
        return std::string(runtime) + "/osciloskop-locks";
    }
    return {};
}

std::string FileName(const std::string& card) {
    char name[40];
    std::snprintf(name, sizeof name, "osciloskop-card-%016llx.lock",
                  static_cast<unsigned long long>(Hash(card)));
    return name;
}

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
    throw std::runtime_error(what + " '" + path + "': " + std::strerror(errno));
}

// The user's own lock directory; another user's directory of that name is refused.
void MakeLockDirectory(const std::string& directory) {
    if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
        Fail("cannot create the lock directory", directory);
    }
    struct stat info {};
    if (lstat(directory.c_str(), &info) != 0) {
        Fail("cannot use the lock directory", directory);
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != getuid()) {
        errno = EPERM;
        Fail("cannot use the lock directory", directory);
    }
}

// Whether `fd` is still the file at `path`: a holder removes the file before it lets go, so a
// lock taken on a removed file locks nothing.
bool StillThere(int fd, const std::string& path) {
    struct stat open {};
    struct stat named {};
    return fstat(fd, &open) == 0 && stat(path.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

} // namespace

std::string CardLock::PathFor(const std::string& card) {
    const std::string runtime = RuntimeDirectory();
    return (runtime.empty() ? SharedDirectory() : runtime) + "/" + FileName(card);
}

std::unique_ptr<CardLock> CardLock::Take(const std::string& card) {
    std::unique_ptr<CardLock> lock(new CardLock);
    if (const std::string runtime = RuntimeDirectory(); !runtime.empty()) {
        MakeLockDirectory(runtime);
        if (!lock->Add(runtime + "/" + FileName(card))) {
            return nullptr;
        }
    }
    // Also in /tmp, so that sessions of the user with different runtime folders (or none) still
    // exclude each other; another user's folder there is refused, and blocks nothing where the
    // runtime folder holds the lock.
    try {
        MakeLockDirectory(SharedDirectory());
    } catch (const std::runtime_error&) {
        if (lock->held_.empty()) {
            throw;
        }
        return lock;
    }
    return lock->Add(SharedDirectory() + "/" + FileName(card)) ? std::move(lock) : nullptr;
}

bool CardLock::Add(const std::string& path) {
    for (;;) {
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            Fail("cannot open the lock file", path);
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            close(fd);
            return false;
        }
        if (StillThere(fd, path)) {
            held_.emplace_back(fd, path);
            return true;
        }
        close(fd); // its holder removed it meanwhile: the next open makes a new one
    }
}

CardLock::~CardLock() {
    for (const auto& [fd, path] : held_) {
        unlink(path.c_str());
        close(fd);
    }
}

} // namespace platform
