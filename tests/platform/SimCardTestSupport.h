// SPDX-License-Identifier: MIT
#pragma once

// Shared pieces of the simulated card's tests: a receiver that records what it is told, buffers
// at fixed addresses, format records and capture sources with known output.

#include "platform/sim/SimulatedCard.h"

#include <cstring>
#include <memory>
#include <vector>

namespace simtest {

using namespace platform;

struct Message {
    std::uint32_t message;
    WaveHeader* header;
    std::uint32_t flags;         // the header's flags when the notification arrived
    std::uint32_t bytesRecorded; // likewise
};

class RecordingReceiver final : public WaveNotificationReceiver {
public:
    void OnWaveMessage(std::uint32_t message, WaveHeader* header) override {
        messages.push_back(
            {message, header, header ? header->flags : 0u, header ? header->bytesRecorded : 0u});
    }
    std::vector<std::uint32_t> Codes() const {
        std::vector<std::uint32_t> codes;
        for (const Message& m : messages) {
            codes.push_back(m.message);
        }
        return codes;
    }
    std::vector<Message> messages;
};

// A data buffer with its header; never moves, since the card keeps its address.
struct Buffer {
    explicit Buffer(std::size_t bytes) : data(bytes) {
        header.data = data.data();
        header.bufferLength = static_cast<std::uint32_t>(bytes);
    }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;

    std::int16_t Sample(std::size_t index) const {
        std::int16_t value;
        std::memcpy(&value, data.data() + 2 * index, 2);
        return value;
    }
    void SetSample(std::size_t index, std::int16_t value) {
        std::memcpy(data.data() + 2 * index, &value, 2);
    }

    std::vector<char> data;
    WaveHeader header{};
};

inline WaveFormat Pcm(std::uint16_t channels, std::uint16_t bits,
                      std::uint32_t rate = platform::sim::kFrameRate) {
    const auto blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    return WaveFormat{WAVE_FORMAT_PCM, channels, rate, blockAlign * rate, blockAlign, bits};
}

// Records what the output played and delivers a frame counter: channel R = n, channel L = -n
// for the n-th frame rendered since construction (wrapping at 16 bits).
class CountingSource final : public platform::sim::CaptureSource {
public:
    explicit CountingSource(std::vector<std::int16_t>* played = nullptr) : played_(played) {}
    void Render(const std::int16_t* played, std::size_t frames, std::int16_t* stereo) override {
        for (std::size_t i = 0; i < frames; ++i, ++count_) {
            if (played_ != nullptr) {
                played_->push_back(played[i]);
            }
            stereo[2 * i] = static_cast<std::int16_t>(count_);
            stereo[2 * i + 1] = static_cast<std::int16_t>(-static_cast<std::int32_t>(count_));
        }
    }

private:
    std::vector<std::int16_t>* played_;
    std::uint32_t count_ = 0;
};

} // namespace simtest
