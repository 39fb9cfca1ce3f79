// SPDX-License-Identifier: MIT
#include "platform/ProgramLauncher.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

// A started program begins as if started from a shell: every signal at its default action
// and none blocked, whatever the caller ignores (SIGPIPE) or blocks. Async-signal-safe.
void DefaultSignalDispositions() {
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    for (int signal = 1; signal < NSIG; ++signal) {
        if (signal != SIGKILL && signal != SIGSTOP) {
            sigaction(signal, &standard, nullptr); // fails harmlessly for reserved numbers
        }
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

// Only async-signal-safe calls between fork and exec: the caller has other threads.
[[noreturn]] void RunGrandchild(const char* path, char* const* argv, int reportFd) {
    DefaultSignalDispositions();
    execv(path, argv);
    // Only reached when the program could not be started.
    const int error = errno;
    static_cast<void>(write(reportFd, &error, sizeof error));
    _exit(127);
}

} // namespace

std::string FindOnPath(std::string_view name) {
    if (name.empty()) {
        return {};
    }
    if (name.find('/') != std::string_view::npos) {
        return IsExecutableFile(std::string(name)) ? std::string(name) : std::string();
    }
    const char* path = std::getenv("PATH");
    std::string_view directories = path != nullptr ? path : "";
    while (!directories.empty()) {
        const std::size_t colon = directories.find(':');
        std::string_view directory = directories.substr(0, colon);
        directories = colon == std::string_view::npos ? "" : directories.substr(colon + 1);
        const std::string candidate =
            (directory.empty() ? std::string(".") : std::string(directory)) + "/" +
            std::string(name);
        if (IsExecutableFile(candidate)) {
            return candidate;
        }
    }
    return {};
}

// Forks twice, so that the program is nobody's child here and no zombie stays behind; a pipe
// closed by the successful exec tells the caller whether it started.
bool StartDetached(const std::vector<std::string>& argv) {
    if (argv.empty()) {
        return false;
    }
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        return false;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(report[0]);
        setsid();
        const pid_t grandchild = fork();
        if (grandchild == 0) {
            RunGrandchild(args[0], args.data(), report[1]);
        }
        if (grandchild < 0) {
            const int error = errno;
            static_cast<void>(write(report[1], &error, sizeof error));
        }
        _exit(0);
    }
    close(report[1]);
    if (child < 0) {
        close(report[0]);
        return false;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    while ((got = read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    close(report[0]);
    return got == 0; // closed by exec, nothing written
}

bool StartFirstFound(std::span<const ProgramCommand> commands) {
    for (const ProgramCommand& command : commands) {
        if (command.argv.empty()) {
            continue;
        }
        std::string program = FindOnPath(command.argv.front());
        if (program.empty() ||
            (!command.alsoNeeds.empty() && FindOnPath(command.alsoNeeds).empty())) {
            continue;
        }
        std::vector<std::string> argv = command.argv;
        argv.front() = std::move(program);
        return StartDetached(argv);
    }
    return false;
}

} // namespace platform
