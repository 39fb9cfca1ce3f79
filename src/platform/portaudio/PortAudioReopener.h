// SPDX-License-Identifier: MIT
#pragma once

// Brings a lost stream's device back, off the UI thread: PortAudio can wait without end on a
// sound server that stopped answering, in the close of the dead stream as in the open of a new
// one, and the UI thread must never wait on the sound card. The reopener's thread closes the
// dead PortAudio stream, then tries to open a new one at growing intervals until it succeeds,
// and hands that one over; it never starts it, so no callback runs before the owner adopts it.
//
// Every PortAudio call of a service is made under the service's PortAudio lock, because
// PortAudio keeps its open streams in a list without a lock of its own. A reopener that is
// destroyed while its thread hangs in PortAudio leaves the thread behind; the thread then
// touches nothing but what it shares with nobody else.

#include "platform/portaudio/PortAudioSession.h"

#include <portaudio.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace platform {

class PortAudioReopener {
public:
    // Opens a new PortAudio stream; must not use the owner, which may be gone by then.
    using Open = std::function<PaError(PaStream**)>;
    // Receives the new stream on the reopener's thread; never called after destruction began.
    using Deliver = std::function<void(PaStream*)>;

    static constexpr std::chrono::milliseconds kFirstInterval{250};
    static constexpr std::chrono::milliseconds kLongestInterval{2000};

    // `dead` (may be null) is closed first; `deadUser` is what it calls back into, kept alive
    // until then.
    PortAudioReopener(PortAudioLock lock, PaStream* dead, std::shared_ptr<void> deadUser, Open open,
                      Deliver deliver);
    // Stops the attempts without waiting for the thread.
    ~PortAudioReopener();
    PortAudioReopener(const PortAudioReopener&) = delete;
    PortAudioReopener& operator=(const PortAudioReopener&) = delete;

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable cancel;
        bool cancelled = false;
    };
    static void Run(std::shared_ptr<Shared> shared, PortAudioLock lock, PaStream* dead,
                    std::shared_ptr<void> deadUser, Open open, Deliver deliver);

    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
};

} // namespace platform
