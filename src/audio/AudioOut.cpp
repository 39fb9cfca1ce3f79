// SPDX-License-Identifier: MIT
#include "audio/AudioIO.h"

#include <algorithm>

namespace audio {

using platform::MMResult;
using platform::WaveHeader;

TAudioOut::TAudioOut(AudioServices services) : TAudioIO(services) {}

TAudioOut::~TAudioOut() {
    Shutdown();
}

void TAudioOut::SetPaused(bool paused) {
    paused_ = paused;
    if (!running_) {
        return;
    }
    if (paused) {
        Wave().WaveOutPause(handle_);
    } else {
        Wave().WaveOutRestart(handle_);
    }
}

bool TAudioOut::OpenDevice() {
    if (!OpenStream()) {
        return false;
    }
    lostSlots_ = 0;
    try {
        if (FillAtStart()) {
            return true;
        }
    } catch (...) {
        RecoverFromHandlerError(Generation());
        throw;
    }
    CloseDevice();
    SetLastError("There must be at least one filled buffer");
    return false;
}

// Slots are filled in ring order until the owner declines one. The declined slot and those
// after it are neither asked nor handed to the device: the declined one holds nothing new, and
// a later one played first would break the order in which the ring refills. They are filled at
// the completions like any slot the device has released.
bool TAudioOut::FillAtStart() {
    filledAtStart_ = 0;
    while (filledAtStart_ < StreamSlots() && ProcessBuffer(filledAtStart_, StreamBytes())) {
        ++filledAtStart_;
    }
    return filledAtStart_ > 0;
}

bool TAudioOut::BeginStreaming() {
    running_ = true;
    if (paused_) {
        Wave().WaveOutPause(handle_); // before anything is written, so nothing plays
    }
    if (!QueueNextBuffer()) {
        CloseDevice();
        return false;
    }
    // A later failure drains what was handed over already.
    for (int i = 1; i < filledAtStart_ && QueueNextBuffer(); ++i) {
    }
    return true;
}

bool TAudioOut::ProcessBuffer(int slot, int size) {
    if (!accepting_) {
        return false;
    }
    bool produced = false;
    if (OnFillBuffer) {
        const int room = std::clamp(size, 0, SlotBytes(slot));
        int bytes = room;
        try {
            produced = OnFillBuffer(SlotBuffer(slot), bytes);
        } catch (...) {
            ++lostSlots_; // the device will not get this slot back
            throw;
        }
        // The device must never read past the slot, whatever the handler claims.
        SlotHeader(slot)->bufferLength = static_cast<std::uint32_t>(std::clamp(bytes, 0, room));
    }
    if (produced) {
        ++buffersFilled_;
    }
    buffersPending_ = buffersFilled_ - buffersDone_;
    return produced;
}

void TAudioOut::CountReturned() {
    buffersPending_ = buffersFilled_ - buffersDone_;
}

// The ring's next slot is free: the slots with the device run in ring order up to it.
int TAudioOut::ProcessReturned(int) {
    const int slot = NextBuffer();
    return ProcessBuffer(slot, StreamBytes()) ? slot : -1;
}

// A slot goes missing when the fill handler throws: the device never gets it back. Once the
// handler produces again, the missing slots are filled and queued one after the other, in ring
// order behind the one just handed over.
int TAudioOut::ProcessLostSlot() {
    if (HeldCount() >= StreamSlots() || lostSlots_ == 0) {
        return -1;
    }
    const int slot = NextBuffer();
    if (!ProcessBuffer(slot, StreamBytes())) {
        return -1;
    }
    --lostSlots_;
    return slot;
}

void TAudioOut::BeforeClose() {
    paused_ = false; // no restart: the stream is over
}

std::string TAudioOut::WaveOutErrorText(MMResult code) {
    return FetchErrorText(&platform::WaveService::WaveOutGetErrorText, code);
}

const char* TAudioOut::AlreadyOpenText() const {
    return "Wave output device is already open";
}

std::unique_ptr<TCallBackWin> TAudioOut::MakeReceiver(std::uint32_t generation) {
    return std::make_unique<TCallBackWinOut>(*this, generation);
}

MMResult TAudioOut::WaveOpen(platform::WaveNotificationReceiver* receiver) {
    return Wave().WaveOutOpen(&handle_, deviceId_, &WaveFormat(), receiver);
}

MMResult TAudioOut::WavePrepare(WaveHeader* header) {
    return Wave().WaveOutPrepareHeader(handle_, header, sizeof(WaveHeader));
}

MMResult TAudioOut::WaveUnprepare(WaveHeader* header) {
    return Wave().WaveOutUnprepareHeader(handle_, header, sizeof(WaveHeader));
}

MMResult TAudioOut::WaveQueue(WaveHeader* header) {
    return Wave().WaveOutWrite(handle_, header, sizeof(WaveHeader));
}

MMResult TAudioOut::WaveReset() {
    return Wave().WaveOutReset(handle_);
}

MMResult TAudioOut::WaveClose() {
    return Wave().WaveOutClose(handle_);
}

} // namespace audio
