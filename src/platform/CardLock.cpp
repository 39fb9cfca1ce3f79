// SPDX-License-Identifier: MIT
#include "platform/CardLock.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

std::string CardLock::PathFor(const std::string& card) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string name;
    for (unsigned char c : card) {
        name += std::isalnum(c) ? static_cast<char>(c) : '_';
    }
    return std::string(runtime && *runtime ? runtime : "/tmp") + "/osciloskop-card-" + name +
           ".lock";
}

std::unique_ptr<CardLock> CardLock::Take(const std::string& card) {
    const std::string path = PathFor(card);
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        throw std::runtime_error("cannot open the lock file '" + path +
                                 "': " + std::strerror(errno));
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<CardLock>(new CardLock(fd));
}

CardLock::~CardLock() {
    close(fd_);
}

} // namespace platform
