// SPDX-License-Identifier: MIT
#pragma once

// Reading the script and the input before the window opens, when either is a pipe, a terminal
// or standard input ('-') with nothing in it yet: the instrument says once that it waits for
// data, and meanwhile an ending signal or --quit-after ends the run, as they do once the window
// is open. Regular files are read at once. Used by main() on the UI thread, after the
// application object exists and before the window does.

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>

namespace app {

// The run ended while it waited for data: a signal (exit code 128 + signal) or --quit-after
// (exit code 1, with a line on standard error).
class WaitEnded : public std::exception {
public:
    explicit WaitEnded(int exitCode) : exitCode_(exitCode) {}
    int ExitCode() const { return exitCode_; }
    const char* what() const noexcept override { return "the run ended while waiting for data"; }

private:
    int exitCode_;
};

class InputWait {
public:
    // `quitAfterMs`: --quit-after, counted from now.
    explicit InputWait(std::optional<int> quitAfterMs);
    ~InputWait();
    InputWait(const InputWait&) = delete;
    InputWait& operator=(const InputWait&) = delete;

    // The whole of `path` ('-' = standard input) up to its end. Throws std::runtime_error
    // ("cannot read <what> '<path>': <the system's reason>") when it cannot be read, WaitEnded
    // when the run ends meanwhile.
    std::string ReadAll(const std::string& path, const std::string& what);

    // Returns once `path` ('-' = standard input) has data to read, or has ended, so that a
    // reader that blocks can open and read it; a named pipe stays open here until this object
    // goes, so that its writer is not left without a reader meanwhile. Throws as ReadAll.
    void WaitForData(const std::string& path, const std::string& what);

private:
    // Opens `path` without waiting for a pipe's writer; standard input is taken as it is.
    int Open(const std::string& path, const std::string& what);
    // Returns once `fd` is readable (data, end or error), running the event loop while not.
    void WaitReadable(int fd, const std::string& path);

    std::optional<std::chrono::steady_clock::time_point> deadline_;
    std::optional<int> quitAfterMs_;
    int heldFd_ = -1;
    bool toldWaiting_ = false;
};

} // namespace app
