// SPDX-License-Identifier: MIT
#include "platform/OutputFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

std::string SystemError(const std::string& what, const std::string& path, int error) {
    return what + " " + Quoted(path) + ": " + std::strerror(error);
}

// "dir/name" -> "dir", "name" -> ".", "/name" -> "/".
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What a file that is not regular is, for the refusal.
std::string KindOf(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a directory";
    }
    if (S_ISFIFO(mode)) {
        return "a named pipe (FIFO)";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return "not a regular file";
}

// Writes all of `bytes` at the file offset, resuming after signals and short writes.
int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return written < 0 ? errno : EIO;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// The syscall, not posix_fallocate: glibc's emulation would write zeros into the old content.
int Reserve(int fd, std::size_t size) {
    if (size == 0 || fallocate(fd, 0, 0, static_cast<off_t>(size)) == 0) {
        return 0;
    }
    return errno == EOPNOTSUPP ? 0 : errno; // a file system without it: written unreserved
}

std::string WriteThroughLink(const std::string& path, std::string_view bytes) {
    // No O_CREAT: a link to nothing never makes a file where it points; O_NONBLOCK: a FIFO
    // swapped in meanwhile does not hold the open.
    const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return SystemError("cannot open", path, errno);
    }
    struct stat info {};
    int error = fstat(fd, &info) != 0 ? errno : 0;
    if (error == 0 && !S_ISREG(info.st_mode)) {
        close(fd);
        return Quoted(path) + " is a link to " + KindOf(info.st_mode) + ", not to a regular file";
    }
    if (error == 0 && (error = Reserve(fd, bytes.size())) == 0) {
        error = WriteAll(fd, bytes);
    }
    if (error == 0 && ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) {
        error = errno;
    }
    if (error == 0 && fsync(fd) != 0) {
        error = errno;
    }
    if (close(fd) != 0 && error == 0) {
        error = errno;
    }
    return error == 0 ? std::string() : SystemError("cannot write", path, error);
}

std::string ReplaceByRename(const std::string& path, std::string_view bytes,
                            const std::optional<struct stat>& old) {
    std::string temporary = FolderOf(path) + "/." + NameOf(path) + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return SystemError("cannot write a temporary file beside", path, errno);
    }
    // The new file keeps the old one's mode and owners, or takes the umask's mode when new.
    int error = 0;
    if (old) {
        error = fchmod(fd, old->st_mode & 07777) != 0 ? errno : 0;
        [[maybe_unused]] const int owned = fchown(fd, old->st_uid, old->st_gid);
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        error = fchmod(fd, 0666 & ~mask) != 0 ? errno : 0;
    }
    if (error == 0) {
        error = WriteAll(fd, bytes);
    }
    if (error == 0 && fsync(fd) != 0) {
        error = errno;
    }
    if (close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        unlink(temporary.c_str());
        return SystemError("cannot write", path, error);
    }
    return {};
}

// The device and inode of an existing file, or the real path of a new one's folder plus its
// name; empty when neither can be found.
struct Identity {
    std::optional<std::pair<dev_t, ino_t>> node;
    std::string newPath;

    static Identity Of(const std::string& path) {
        struct stat info {};
        if (stat(path.c_str(), &info) == 0) {
            return {std::make_pair(info.st_dev, info.st_ino), {}};
        }
        char folder[PATH_MAX];
        if (realpath(FolderOf(path).c_str(), folder) == nullptr) {
            return {std::nullopt, path};
        }
        return {std::nullopt, std::string(folder) + "/" + NameOf(path)};
    }
};

} // namespace

std::string CheckOutputPath(const std::string& path) {
    if (path.empty()) {
        return "an output needs a file name";
    }
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0) {
        const bool link = S_ISLNK(info.st_mode);
        if (link && stat(path.c_str(), &info) != 0) {
            return Quoted(path) + " is a symbolic link to nothing (" + std::strerror(errno) + ")";
        }
        if (!S_ISREG(info.st_mode)) {
            return Quoted(path) + " is " + (link ? "a link to " : "") + KindOf(info.st_mode) +
                   ", not a regular file";
        }
        if (access(path.c_str(), W_OK) != 0) {
            return SystemError("cannot write", path, errno);
        }
        return {};
    }
    if (errno != ENOENT) {
        return SystemError("cannot use", path, errno);
    }
    const std::string folder = FolderOf(path);
    if (stat(folder.c_str(), &info) != 0) {
        return "the folder " + Quoted(folder) + " of " + Quoted(path) +
               " cannot be used: " + std::strerror(errno);
    }
    if (!S_ISDIR(info.st_mode)) {
        return "the folder " + Quoted(folder) + " of " + Quoted(path) + " is not a directory";
    }
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        return SystemError("cannot create a file in", folder, errno);
    }
    return {};
}

bool SameOutputFile(const std::string& first, const std::string& second) {
    const Identity a = Identity::Of(first);
    const Identity b = Identity::Of(second);
    return a.node ? a.node == b.node : !b.node && a.newPath == b.newPath;
}

std::string CheckOutputs(std::span<const NamedOutput> outputs) {
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const NamedOutput& output = outputs[i];
        if (output.path.empty()) {
            continue;
        }
        if (const std::string refusal = CheckOutputPath(output.path); !refusal.empty()) {
            return output.option + ": " + refusal;
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (!outputs[j].path.empty() && SameOutputFile(outputs[j].path, output.path)) {
                return outputs[j].option + " and " + output.option + " name one file " +
                       Quoted(output.path) + "; give each its own";
            }
        }
    }
    return {};
}

std::string WriteWhole(const std::string& path, std::string_view bytes) {
    if (std::string refusal = CheckOutputPath(path); !refusal.empty()) {
        return refusal;
    }
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        return ReplaceByRename(path, bytes, std::nullopt);
    }
    if (S_ISLNK(info.st_mode)) {
        return WriteThroughLink(path, bytes);
    }
    return ReplaceByRename(path, bytes, info);
}

} // namespace platform
