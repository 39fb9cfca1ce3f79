// SPDX-License-Identifier: MIT
#include "app/program/ExitDeadline.h"

#include <cstdlib>
#include <iostream>

namespace app {

void ExitDeadline::Arm(int exitCode, std::chrono::milliseconds limit) {
    watcher_ = std::thread([this, exitCode, limit] {
        std::unique_lock lock(mutex_);
        if (!done_.wait_for(lock, limit, [this] { return finished_; })) {
            std::cerr << "osciloskop: the sound card did not release its streams in time; "
                         "ending without them\n";
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
}

} // namespace app
