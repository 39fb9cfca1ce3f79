// SPDX-License-Identifier: MIT
#pragma once

// A simulated card on virtual time with a test dispatcher and heap memory, for the stream
// component tests. The test advances card time and then delivers the notifications.

#include "audio/AudioIO.h"
#include "platform/Dispatcher.h"
#include "platform/sim/SimulatedCard.h"

#include <exception>
#include <string>
#include <vector>

namespace audio::test {

struct Bench {
    platform::QueueDispatcher dispatcher;
    platform::sim::SimulatedCard card{dispatcher};
    platform::HeapBufferMemory memory;
    AudioServices services{card, memory};
    std::vector<std::string> errors; // what reached the dispatcher's error sink

    Bench() {
        dispatcher.SetErrorSink([this](std::exception_ptr error) {
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& e) {
                errors.emplace_back(e.what());
            }
        });
    }
    // Plays and records `frames` frames, then delivers what the card reported.
    void Run(std::size_t frames) {
        card.AdvanceFrames(frames);
        dispatcher.Drain();
    }
    // The same `times` over, so that the owner's refills keep up with the card.
    void Run(std::size_t frames, int times) {
        for (int i = 0; i < times; ++i) {
            Run(frames);
        }
    }
    std::string ErrorText(platform::MMResult code) {
        char text[platform::MAXERRORLENGTH] = {};
        card.WaveOutGetErrorText(code, text, sizeof text);
        return text;
    }
};

// Which slot of the component a buffer handed to an event belongs to; -1 for none.
inline int SlotOf(const TAudioIO& component, const char* buffer) {
    for (int slot = 0; slot < TAudioIO::MaxBuffers; ++slot) {
        if (component.Header(slot) != nullptr && component.Header(slot)->data == buffer) {
            return slot;
        }
    }
    return -1;
}

} // namespace audio::test
