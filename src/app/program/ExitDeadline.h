// SPDX-License-Identifier: MIT
#pragma once

// The last line of defence for "closing always completes": once the window has closed (volumes
// restored, log complete), the rest of the teardown gets a deadline. A sound card or server
// that stopped answering can hang the library calls that close its streams; past the deadline
// the program says so and ends with the exit code it already chose, instead of hanging.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace app {

class ExitDeadline {
public:
    ExitDeadline() = default;
    // Ends the wait; the teardown completed in time.
    ~ExitDeadline();
    ExitDeadline(const ExitDeadline&) = delete;
    ExitDeadline& operator=(const ExitDeadline&) = delete;

    // From now on the program ends with `exitCode` after `limit` unless destroyed first,
    // saying `why` on standard error.
    void Arm(int exitCode, std::chrono::milliseconds limit,
             const char* why = "the sound card did not release its streams in time; ending "
                               "without them");

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread watcher_;
    int errFd_ = -1; // standard error as it was when armed
};

} // namespace app
