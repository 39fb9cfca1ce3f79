// SPDX-License-Identifier: MIT
#include "platform/RowAppender.h"

#include "platform/OutputFile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::unique_ptr<RowAppender> RowAppender::Open(const std::string& path, std::string& error) {
    if (error = CheckOutputPath(path); !error.empty()) {
        return nullptr;
    }
    // Without O_TRUNC and with O_NONBLOCK: whatever took the path's place since the check is
    // looked at before it is emptied, and a FIFO cannot hold the open.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NOCTTY | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = "cannot open '" + path + "': " + std::strerror(errno);
        return nullptr;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || ftruncate(fd, 0) != 0) {
        error = "'" + path + "' is not a regular file that can be emptied";
        close(fd);
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return std::unique_ptr<RowAppender>(new RowAppender(fd, path));
}

RowAppender::~RowAppender() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

bool RowAppender::Append(std::string_view row) {
    if (!error_.empty() || fd_ < 0) {
        return false;
    }
    std::string_view rest = row;
    while (!rest.empty()) {
        const ssize_t written = write(fd_, rest.data(), rest.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            Fail(written < 0 ? errno : EIO);
            return false;
        }
        rest.remove_prefix(static_cast<std::size_t>(written));
    }
    end_ += static_cast<long long>(row.size());
    return true;
}

void RowAppender::Fail(int error) {
    error_ = "cannot write '" + path_ + "': " + std::strerror(error);
    // The part of the row that made it is cut off again; shrinking needs no room.
    if (ftruncate(fd_, end_) != 0 || lseek(fd_, end_, SEEK_SET) != end_) {
        error_ += "; its last row may be incomplete";
    }
}

std::string RowAppender::Finish() {
    if (fd_ < 0) {
        return error_;
    }
    int error = fsync(fd_) != 0 ? errno : 0;
    if (close(fd_) != 0 && error == 0) {
        error = errno;
    }
    fd_ = -1;
    if (error != 0 && error_.empty()) {
        error_ = "cannot write '" + path_ + "': " + std::strerror(error);
    }
    return error_;
}

} // namespace platform
