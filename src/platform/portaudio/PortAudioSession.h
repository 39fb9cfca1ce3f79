// SPDX-License-Identifier: MIT
#pragma once

// Keeps PortAudio initialised while alive. PortAudio counts nested initialisations, so every
// user holds its own session; only the first one probes the devices. The probing makes ALSA
// and JACK print their attempts on standard error even where nothing is wrong, so that chatter
// is kept off the terminal while PortAudio initialises, and the libraries' later diagnostics
// follow LibraryDiagnostics.h; real failures still come back as error codes. Created and
// destroyed on the UI thread.

#include <portaudio.h>

#include <memory>
#include <mutex>
#include <string>

namespace platform {

// Serialises the PortAudio calls that the threads of one session's users make: PortAudio keeps
// its open streams in a list without a lock of its own.
using PortAudioLock = std::shared_ptr<std::timed_mutex>;

class PortAudioSession {
public:
    PortAudioSession();
    ~PortAudioSession();
    PortAudioSession(const PortAudioSession&) = delete;
    PortAudioSession& operator=(const PortAudioSession&) = delete;

    // paNoError when PortAudio is usable.
    PaError Status() const { return status_; }
    // Held around every PortAudio call of this session's users on any thread.
    const PortAudioLock& Lock() const { return lock_; }

private:
    PortAudioLock lock_ = std::make_shared<std::timed_mutex>();
    PaError status_;
};

// Sends standard error to /dev/null while alive and puts it back afterwards; spans of several
// threads may overlap. Anything another thread prints meanwhile is lost too, so keep the span
// short.
class QuietStderr {
public:
    QuietStderr();
    ~QuietStderr();
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_ = -1;
};

// The PortAudio device with this exact name, or with this index when `choice` is all digits;
// paNoDevice when there is none. Needs a session.
PaDeviceIndex FindPortAudioDevice(const std::string& choice);

// The ALSA mixer that controls a PortAudio device: "hw:N" for a device of card N, otherwise
// the default mixer (with a sound server, its volume).
std::string MixerNameFor(PaDeviceIndex device);

} // namespace platform
