// SPDX-License-Identifier: MIT
#pragma once

// Shared by the tests on the real sound card: the skip rule, a receiver that records device
// notifications, and draining the test dispatcher until something has happened.

#include "platform/Dispatcher.h"
#include "platform/WaveService.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace platform {

// The tests that need a sound server run when scripts/test.sh has started one.
#define REQUIRE_SOUND_SERVER()                                                                     \
    do {                                                                                           \
        if (std::getenv("OSC_SOUND_SERVER") == nullptr) {                                          \
            GTEST_SKIP() << "no sound server: scripts/test.sh starts PulseAudio for this test";    \
        }                                                                                          \
    } while (false)

// Whether the sound server resamples what it carries (PipeWire works in 48 kHz float), so that
// a capture is not bit for bit what was played, and a loaded machine may drop one of its
// cycles: checks on it compare frequency and level rather than every period.
inline bool ServerResamples() {
    const char* server = std::getenv("OSC_SOUND_SERVER");
    return server != nullptr && std::string_view(server) == "pipewire";
}

class RecordingReceiver final : public WaveNotificationReceiver {
public:
    void OnWaveMessage(std::uint32_t message, WaveHeader* header) override {
        messages.emplace_back(message, header);
    }
    int Count(std::uint32_t message) const {
        int count = 0;
        for (const auto& entry : messages) {
            count += entry.first == message ? 1 : 0;
        }
        return count;
    }
    // The headers of `message`, in delivery order.
    std::vector<WaveHeader*> Headers(std::uint32_t message) const {
        std::vector<WaveHeader*> headers;
        for (const auto& entry : messages) {
            if (entry.first == message) {
                headers.push_back(entry.second);
            }
        }
        return headers;
    }

    std::vector<std::pair<std::uint32_t, WaveHeader*>> messages;
};

// Delivers notifications, as the UI thread would, until `done` holds or `timeout` has passed;
// returns whether `done` held.
inline bool DrainUntil(QueueDispatcher& dispatcher, const std::function<bool()>& done,
                       std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        dispatcher.Drain();
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// Delivers notifications for `duration`.
inline void DrainFor(QueueDispatcher& dispatcher, std::chrono::milliseconds duration) {
    DrainUntil(
        dispatcher, [] { return false; }, duration);
}

} // namespace platform
