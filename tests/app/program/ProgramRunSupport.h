// SPDX-License-Identifier: MIT
#pragma once

// Running the real program, or a tool beside it, from a test: a scratch folder of the test
// process's own, whole files, and a command's standard output with its exit code.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace app::test {

// A folder for this process's files only: ctest runs the tests of one executable side by side,
// each in a process of its own. Keep the result: a child forked later must use its parent's
// folder, where the parent left its files (the sanitizers' suppressions among them).
inline std::filesystem::path ScratchFolder(const std::string& prefix) {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / (prefix + std::to_string(getpid()));
    std::filesystem::create_directories(path);
    return path;
}

inline std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct CommandRun {
    std::string out;
    int exitCode = -1; // -1 when the command did not exit by itself
};

// Runs `command` through the shell and reads its standard output to the end.
inline CommandRun RunCommand(const std::string& command) {
    CommandRun run;
    FILE* pipe = popen(command.c_str(), "r");
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
        run.out.append(chunk, n);
    }
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// What the program left: its exit code, standard output, and standard error, which the command
// sends to a file.
struct ProgramRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the program's command line, whose standard error goes to `err`.
inline ProgramRun RunProgram(const std::string& command, const std::filesystem::path& err) {
    CommandRun ran = RunCommand(command);
    return {ran.exitCode, std::move(ran.out), ReadAll(err)};
}

inline std::string Output(const std::string& command) {
    return RunCommand(command).out;
}

// Runs `program` with `arguments`, which name `log` as its readout log, on the offscreen
// platform, and sends `signal` once the log holds three lines (or after a minute). Returns the
// process's own exit code; -1 when the signal ended it instead of the window's close.
inline int ExitCodeAfterSignal(const char* program, std::vector<std::string> arguments,
                               const std::filesystem::path& log, int signal) {
    arguments.insert(arguments.begin(), program);
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        execv(program, argv.data());
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    const auto rows = [&log] {
        const std::string text = ReadAll(log);
        return std::count(text.begin(), text.end(), '\n');
    };
    while (rows() < 3 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, signal);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace app::test
