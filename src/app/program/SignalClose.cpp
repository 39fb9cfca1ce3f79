// SPDX-License-Identifier: MIT
#include "app/program/SignalClose.h"

#include "app/window/VolumeNotes.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace app {
namespace {

constexpr int kEndingSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

// One pipe for the whole process, never closed: a handler running on another thread while a
// SignalClose goes (InputWait makes one per wait) still writes into this pipe, never into a
// descriptor that was closed and perhaps reused for a file meanwhile.
int pipeFds[2] = {-1, -1};
volatile std::sig_atomic_t receivedSignal = 0;

void MakePipeOnce() {
    static const bool made = pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) == 0;
    if (!made) {
        throw std::runtime_error("cannot create the signal pipe");
    }
}

void DrainPipe() {
    char bytes[16];
    while (read(pipeFds[0], bytes, sizeof bytes) > 0) {
    }
}

// Async-signal-safe only: a flag, a write and, on the second signal, the note naming the
// volumes left unrestored and _exit.
extern "C" void OnEndingSignal(int signal) {
    if (receivedSignal != 0) {
        std::size_t length = 0;
        const char* note = ImmediateExitNote(length);
        [[maybe_unused]] const ssize_t noted = write(STDERR_FILENO, note, length);
        _exit(SignalClose::ExitCodeFor(signal));
    }
    receivedSignal = signal;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(pipeFds[1], &byte, 1);
}

// A signal ignored at start stays ignored (a program started with nohup keeps running after
// the logout).
void InstallHandler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kEndingSignals) {
        struct sigaction previous {};
        sigaction(signal, nullptr, &previous);
        if (previous.sa_handler != SIG_IGN) {
            sigaction(signal, &action, nullptr);
        }
    }
}

} // namespace

SignalClose::SignalClose(std::function<void()> close, QObject* parent)
    : QObject(parent), close_(std::move(close)) {
    MakePipeOnce();
    DrainPipe(); // a signal an earlier instance took is not this one's
    receivedSignal = 0;
    notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalClose::OnPipeReadable);
    InstallHandler(OnEndingSignal);
}

SignalClose::~SignalClose() {
    InstallHandler(SIG_DFL);
    delete notifier_;
}

int SignalClose::ReceivedSignal() const {
    return receivedSignal;
}

void SignalClose::OnPipeReadable() {
    DrainPipe();
    close_();
}

} // namespace app
