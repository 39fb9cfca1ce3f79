// SPDX-License-Identifier: MIT
#include "audio/AudioIO.h"

namespace audio {

using platform::MMResult;
using platform::WaveHeader;

TAudioIn::TAudioIn(AudioServices services) : TAudioIO(services) {}

TAudioIn::~TAudioIn() {
    Shutdown();
}

bool TAudioIn::OpenDevice() {
    return OpenStream();
}

bool TAudioIn::BeginStreaming() {
    const MMResult code = Wave().WaveInStart(handle_);
    if (code != platform::MMSYSERR_NOERROR) {
        CloseDevice();
        SetLastError("Error starting wave record: " + WaveInErrorText(code));
        return false;
    }
    running_ = true;
    for (int i = 0; i < StreamSlots(); ++i) {
        if (!QueueNextBuffer()) {
            CloseDevice();
            return false;
        }
    }
    return true;
}

bool TAudioIn::ProcessBuffer(char* buffer, int size) {
    if (!accepting_) {
        return false;
    }
    bool keep = true;
    if (OnBufferFilled) {
        int bytes = size; // the handler's change is of no consequence
        keep = OnBufferFilled(buffer, bytes);
    }
    if (keep) {
        ++buffersFilled_;
    }
    return keep;
}

// The slot returned goes back to the device as it is when the owner keeps it in the stream.
int TAudioIn::ProcessReturned(int slot) {
    return ProcessBuffer(SlotBuffer(slot), StreamBytes()) ? slot : -1;
}

std::string TAudioIn::WaveInErrorText(MMResult code) {
    return FetchErrorText(&platform::WaveService::WaveInGetErrorText, code);
}

const char* TAudioIn::AlreadyOpenText() const {
    return "Wave Input device is already open";
}

std::unique_ptr<TCallBackWin> TAudioIn::MakeReceiver(std::uint32_t generation) {
    return std::make_unique<TCallBackWinIn>(*this, generation);
}

MMResult TAudioIn::WaveOpen(platform::WaveNotificationReceiver* receiver) {
    return Wave().WaveInOpen(&handle_, deviceId_, &WaveFormat(), receiver);
}

MMResult TAudioIn::WavePrepare(WaveHeader* header) {
    return Wave().WaveInPrepareHeader(handle_, header, sizeof(WaveHeader));
}

MMResult TAudioIn::WaveUnprepare(WaveHeader* header) {
    return Wave().WaveInUnprepareHeader(handle_, header, sizeof(WaveHeader));
}

MMResult TAudioIn::WaveQueue(WaveHeader* header) {
    return Wave().WaveInAddBuffer(handle_, header, sizeof(WaveHeader));
}

MMResult TAudioIn::WaveReset() {
    return Wave().WaveInReset(handle_);
}

MMResult TAudioIn::WaveClose() {
    return Wave().WaveInClose(handle_);
}

} // namespace audio
