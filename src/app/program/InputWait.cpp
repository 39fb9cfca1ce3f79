// SPDX-License-Identifier: MIT
#include "app/program/InputWait.h"

#include "app/program/SignalClose.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace app {

namespace {

// A short silence is a writer that has not started yet, not worth a line.
constexpr std::chrono::milliseconds kQuietWait(500);

std::string Describe(const std::string& path) {
    return path == "-" ? "standard input" : "'" + path + "'";
}

bool ReadableNow(int fd) {
    pollfd request{fd, POLLIN, 0};
    return poll(&request, 1, 0) > 0;
}

std::runtime_error ReadError(const std::string& what, const std::string& path, int error) {
    return std::runtime_error("cannot read " + what + " '" + path + "': " + std::strerror(error));
}

} // namespace

InputWait::InputWait(std::optional<int> quitAfterMs) : quitAfterMs_(quitAfterMs) {
    if (quitAfterMs) {
        deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(*quitAfterMs);
    }
}

InputWait::~InputWait() {
    if (heldFd_ >= 0) {
        close(heldFd_);
    }
}

int InputWait::Open(const std::string& path, const std::string& what) {
    if (path == "-") {
        return STDIN_FILENO;
    }
    // Without O_NONBLOCK, opening a named pipe waits for its writer, out of reach of signals
    // and --quit-after; the reads afterwards block again and are waited for by poll.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        throw ReadError(what, path, errno);
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::string InputWait::ReadAll(const std::string& path, const std::string& what) {
    const int fd = Open(path, what);
    struct Closer {
        int fd;
        ~Closer() {
            if (fd != STDIN_FILENO) {
                close(fd);
            }
        }
    } closer{fd};
    std::string text;
    char chunk[65536];
    for (;;) {
        WaitReadable(fd, path);
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got == 0) {
            return text;
        }
        if (got > 0) {
            text.append(chunk, static_cast<std::size_t>(got));
        } else if (errno != EINTR) {
            throw ReadError(what, path, errno);
        }
    }
}

void InputWait::WaitForData(const std::string& path, const std::string& what) {
    struct stat info {};
    if (path != "-" && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        return; // a regular file never keeps its reader waiting
    }
    const int fd = Open(path, what);
    if (fd != STDIN_FILENO) {
        heldFd_ = fd;
    }
    WaitReadable(fd, path);
}

void InputWait::WaitReadable(int fd, const std::string& path) {
    if (ReadableNow(fd)) {
        return;
    }
    QEventLoop loop;
    QSocketNotifier data(fd, QSocketNotifier::Read);
    QObject::connect(&data, &QSocketNotifier::activated, &loop, [&loop] { loop.quit(); });
    SignalClose endingSignals([&loop] { loop.quit(); });
    QTimer tell;
    if (!toldWaiting_) {
        tell.callOnTimeout([this, &path] {
            toldWaiting_ = true;
            std::cerr << "osciloskop: waiting for data on " << Describe(path) << '\n';
        });
        tell.setSingleShot(true);
        tell.start(kQuietWait);
    }
    bool timedOut = false;
    QTimer quit;
    if (deadline_) {
        quit.callOnTimeout([&] {
            timedOut = true;
            loop.quit();
        });
        quit.setSingleShot(true);
        quit.start(std::max(std::chrono::duration_cast<std::chrono::milliseconds>(
                                *deadline_ - std::chrono::steady_clock::now()),
                            std::chrono::milliseconds(0)));
    }
    loop.exec();
    if (const int signal = endingSignals.ReceivedSignal(); signal != 0) {
        throw WaitEnded(SignalClose::ExitCodeFor(signal));
    }
    if (timedOut) {
        std::cerr << "osciloskop: no data on " << Describe(path) << " within --quit-after's "
                  << *quitAfterMs_ << " ms\n";
        throw WaitEnded(1);
    }
}

} // namespace app
