// SPDX-License-Identifier: MIT
#include "platform/portaudio/PortAudioSession.h"

#include "platform/portaudio/LibraryDiagnostics.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <mutex>
#include <regex>

namespace platform {

namespace {

// Quiet spans of several threads may overlap: the first one sends standard error away, the
// last one brings it back.
std::mutex quietMutex;
int quietSpans = 0;
int savedStderr = -1;

} // namespace

QuietStderr::QuietStderr() {
    std::lock_guard lock(quietMutex);
    if (quietSpans++ > 0) {
        return;
    }
    std::fflush(stderr);
    const int nullFd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nullFd < 0) {
        return;
    }
    savedStderr = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (savedStderr >= 0) {
        ::dup2(nullFd, STDERR_FILENO);
    }
    ::close(nullFd);
}

QuietStderr::~QuietStderr() {
    std::lock_guard lock(quietMutex);
    if (--quietSpans > 0 || savedStderr < 0) {
        return;
    }
    std::fflush(stderr);
    ::dup2(savedStderr, STDERR_FILENO);
    ::close(savedStderr);
    savedStderr = -1;
}

PortAudioSession::PortAudioSession() {
    RouteLibraryDiagnostics();
    QuietStderr quiet;
    status_ = Pa_Initialize();
}

PortAudioSession::~PortAudioSession() {
    // A reopen that still hangs in PortAudio holds the lock; ending PortAudio under it would
    // hang too, and the program is ending anyway.
    std::unique_lock lock(*lock_, std::chrono::milliseconds(300));
    if (status_ == paNoError && lock.owns_lock()) {
        Pa_Terminate();
    }
}

PaDeviceIndex FindPortAudioDevice(const std::string& choice) {
    const PaDeviceIndex count = Pa_GetDeviceCount();
    if (!choice.empty() && std::all_of(choice.begin(), choice.end(),
                                       [](unsigned char c) { return std::isdigit(c) != 0; })) {
        const long index = choice.size() > 9 ? -1 : std::stol(choice);
        return index >= 0 && index < count ? static_cast<PaDeviceIndex>(index) : paNoDevice;
    }
    for (PaDeviceIndex i = 0; i < count; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info != nullptr && choice == info->name) {
            return i;
        }
    }
    return paNoDevice;
}

std::string MixerNameFor(PaDeviceIndex device) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    if (info == nullptr) {
        return "default";
    }
    // PortAudio names a card's own devices like "HDA Intel PCH: ALC892 Analog (hw:0,0)".
    static const std::regex cardDevice(R"(\(hw:(\d+),\d+\))");
    std::cmatch match;
    if (std::regex_search(info->name, match, cardDevice)) {
        return "hw:" + match[1].str();
    }
    return "default";
}

} // namespace platform
