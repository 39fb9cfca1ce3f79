// SPDX-License-Identifier: MIT
#include "platform/portaudio/PortAudioReopener.h"

#include <algorithm>
#include <thread>

namespace platform {

PortAudioReopener::PortAudioReopener(PortAudioLock lock, PaStream* dead,
                                     std::shared_ptr<void> deadUser, Open open, Deliver deliver) {
    std::thread(&PortAudioReopener::Run, shared_, std::move(lock), dead, std::move(deadUser),
                std::move(open), std::move(deliver))
        .detach();
}

PortAudioReopener::~PortAudioReopener() {
    std::lock_guard guard(shared_->mutex);
    shared_->cancelled = true;
    shared_->cancel.notify_one();
}

void PortAudioReopener::Run(std::shared_ptr<Shared> shared, PortAudioLock lock, PaStream* dead,
                            std::shared_ptr<void> deadUser, Open open, Deliver deliver) {
    if (dead != nullptr) {
        std::lock_guard portAudio(*lock);
        Pa_CloseStream(dead); // stops its callbacks first where they still run
    }
    deadUser.reset();
    for (auto interval = kFirstInterval;; interval = std::min(2 * interval, kLongestInterval)) {
        {
            std::unique_lock guard(shared->mutex);
            if (shared->cancel.wait_for(guard, interval, [&] { return shared->cancelled; })) {
                return;
            }
        }
        PaStream* stream = nullptr;
        {
            std::lock_guard portAudio(*lock);
            // The user was told once; PortAudio's own lines on each failed attempt would
            // only fill the terminal.
            QuietStderr quiet;
            if (open(&stream) != paNoError) {
                continue;
            }
        }
        std::lock_guard guard(shared->mutex);
        if (!shared->cancelled) {
            deliver(stream);
            return;
        }
        std::lock_guard portAudio(*lock);
        Pa_CloseStream(stream);
        return;
    }
}

} // namespace platform
