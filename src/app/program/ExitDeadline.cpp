// SPDX-License-Identifier: MIT
#include "app/program/ExitDeadline.h"

#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace app {

void ExitDeadline::Arm(int exitCode, std::chrono::milliseconds limit, const char* why) {
    // Standard error as it is now: the sound library's start sends it away for a while.
    errFd_ = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    watcher_ = std::thread([this, exitCode, limit, why, errFd = errFd_] {
        std::unique_lock lock(mutex_);
        if (!done_.wait_for(lock, limit, [this] { return finished_; })) {
            const std::string line = std::string("osciloskop: ") + why + '\n';
            [[maybe_unused]] const ssize_t written =
                write(errFd < 0 ? STDERR_FILENO : errFd, line.data(), line.size());
            std::_Exit(exitCode);
        }
    });
}

ExitDeadline::~ExitDeadline() {
    if (!watcher_.joinable()) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    done_.notify_one();
    watcher_.join();
    close(errFd_);
}

} // namespace app
