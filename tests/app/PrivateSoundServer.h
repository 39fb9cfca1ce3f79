// SPDX-License-Identifier: MIT
#pragma once

// A sound server of one test alone, for tests that freeze, kill and restart it without
// disturbing the others. It is of the kind the shared test server is (OSC_SOUND_SERVER):
// PulseAudio, or PipeWire with its session manager and PulseAudio front end. Its daemons run in a
// process group of their own, so that they freeze, wake and die as one, as a whole server does;
// started again in its folder, it answers at the same address. Its null sink's monitor is the
// card's input. The test process adopts the daemons (as a subreaper), so that a killed server is
// gone before it starts again, not left for init to reap with its pid file still claimed.

#include "program/ProgramRunSupport.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace app::test {

class PrivateSoundServer {
public:
    PrivateSoundServer() {
        char pattern[] = "/tmp/osc-server.XXXXXX";
        directory_ = mkdtemp(pattern);
        const char* kind = std::getenv("OSC_SOUND_SERVER");
        kind_ = kind != nullptr ? kind : "pulseaudio";
        prctl(PR_SET_CHILD_SUBREAPER, 1);
    }
    ~PrivateSoundServer() {
        Kill();
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    const std::string& Directory() const { return directory_; }
    std::string Socket() const { return directory_ + "/native"; }
    std::string Address() const { return "unix:" + Socket(); }

    // Starts the server in its folder; true once it answers with its null sink as the default.
    bool Start() {
        using namespace std::chrono_literals;
        std::filesystem::remove(directory_ + "/ready");
        pid_ = fork();
        if (pid_ == 0) {
            setpgid(0, 0);
            const std::string log = directory_ + "/serve.log";
            freopen(log.c_str(), "a", stdout);
            freopen(log.c_str(), "a", stderr);
            execlp("bash", "bash", OSC_SOUND_SERVER_SCRIPT, "serve", kind_.c_str(),
                   directory_.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        setpgid(pid_, pid_); // either side may run first
        for (const auto deadline = std::chrono::steady_clock::now() + 30s;
             std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(20ms)) {
            if (std::filesystem::exists(directory_ + "/ready")) {
                return true;
            }
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                KillGroup(); // what the failed start left running
                return false;
            }
        }
        return false;
    }
    // The whole server dies at once, as in a crash.
    void Kill() {
        if (pid_ > 0) {
            KillGroup();
        }
    }
    void Freeze() { Signal(SIGSTOP); }
    void Wake() { Signal(SIGCONT); }

    std::string Pactl(const std::string& arguments) const {
        return Output("PULSE_SERVER='" + Address() + "' pactl " + arguments);
    }
    // E.g. "front-left: 24248 /  37% / -25.93 dB,   front-right: ...".
    std::string SinkVolume() const { return Pactl("get-sink-volume osc_null"); }
    // What the server's start said, for a start that failed.
    std::string Log() const { return ReadAll(directory_ + "/serve.log"); }

private:
    bool Signal(int signal) const { return pid_ > 0 && kill(-pid_, signal) == 0; }
    void KillGroup() {
        kill(-pid_, SIGKILL);
        while (waitpid(-pid_, nullptr, 0) > 0) {
        }
        pid_ = -1;
    }

    std::string directory_;
    std::string kind_;
    pid_t pid_ = -1;
};

} // namespace app::test
