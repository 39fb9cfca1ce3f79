// SPDX-License-Identifier: MIT
#include "audio/AudioIO.h"

#include <algorithm>

namespace audio {

using platform::MMResult;
using platform::MMSYSERR_INVALHANDLE;
using platform::MMSYSERR_NOERROR;

TAudioIO::TAudioIO(AudioServices services) : services_(services) {
    format_.formatTag = platform::WAVE_FORMAT_PCM;
    format_.bitsPerSample = 16;
    format_.channels = 1;
    format_.samplesPerSec = 22050;
    UpdateFormat();
    AllocHeaders();
    AllocBuffers();
}

TAudioIO::~TAudioIO() {
    FreeBuffers();
    FreeHeaders();
    // Receivers still waiting for their close notification outlive the component: the device
    // keeps calling them, and they release themselves on that notification.
    for (auto& receiver : receivers_) {
        if (!receiver->Releasable()) {
            receiver->owner_ = nullptr;
            static_cast<void>(receiver.release());
        }
    }
}

void TAudioIO::Shutdown() {
    // The device must give back every buffer before the memory goes.
    StopNow();
    FreeBuffers();
    FreeHeaders();
}

void TAudioIO::SetBufferSize(int bytes) {
    requestedBufferSize_ = std::max(bytes, MinBufferSize);
    UpdateFormat();
    // An open device may hold the buffers; the next open reallocates them if they are too small.
    if (!deviceOpen_) {
        FreeBuffers();
        AllocBuffers();
    }
}

void TAudioIO::SetNumBuffers(int count) {
    numBuffers_ = std::clamp(count, 2, MaxBuffers);
}

void TAudioIO::SetFrameRate(int framesPerSecond) {
    format_.samplesPerSec = static_cast<std::uint32_t>(framesPerSecond);
    UpdateFormat();
}

void TAudioIO::SetStereo(bool stereo) {
    format_.channels = stereo ? 2 : 1;
    UpdateFormat();
}

void TAudioIO::SetQuantization(std::uint16_t bits) {
    format_.bitsPerSample = bits <= 8 ? 8 : 16;
    UpdateFormat();
}

void TAudioIO::UpdateFormat() {
    format_.blockAlign = static_cast<std::uint16_t>(format_.bitsPerSample / 8 * format_.channels);
    format_.avgBytesPerSec = format_.blockAlign * format_.samplesPerSec;
    bufferSize_ = requestedBufferSize_ - requestedBufferSize_ % format_.blockAlign;
}

bool TAudioIO::Start() {
    return OpenDevice() && BeginStreaming();
}

void TAudioIO::StopNow() {
    if (!deviceOpen_) {
        return;
    }
    running_ = false;
    accepting_ = false;
    CloseDevice(); // resets the device first, which returns every buffer
}

void TAudioIO::StopWhenDrained() {
    if (deviceOpen_) {
        accepting_ = false;
    }
}

bool TAudioIO::OpenStream() {
    if (deviceOpen_) {
        lastError_ = AlreadyOpenText();
        return false;
    }
    if (!EnsureMemory()) {
        return false;
    }
    nextBuffer_ = 0;
    ReleaseReceivers();
    ++generation_;
    auto receiver = MakeReceiver(generation_);
    callbackWindow_ = receiver.get();
    MMResult code = WaveOpen(receiver.get());
    if (code != MMSYSERR_NOERROR) {
        callbackWindow_ = nullptr; // a device that failed to open sends nothing
        lastError_ = ErrorText(code);
        return false;
    }
    receivers_.push_back(std::move(receiver));
    deviceOpen_ = true;
    InitHeaders();
    streamBytes_ = bufferSize_;
    streamSlots_ = numBuffers_;
    heldCount_ = 0;
    for (int slot = 0; slot < streamSlots_; ++slot) {
        code = WavePrepare(headers_[slot]);
        if (code != MMSYSERR_NOERROR) {
            lastError_ = ErrorText(code);
            CloseDevice();
            return false;
        }
    }
    buffersPending_ = buffersDone_ = buffersFilled_ = 0;
    accepting_ = true;
    running_ = true;
    return true;
}

MMResult TAudioIO::CloseDevice() {
    running_ = false;
    BeforeClose();
    if (!deviceOpen_) {
        return MMSYSERR_INVALHANDLE;
    }
    // Whatever the device returns from now on belongs to a finished stream.
    ++generation_;
    heldCount_ = 0;
    // Reset before unpreparing: a header the device still holds cannot be unprepared.
    WaveReset();
    for (int slot = 0; slot < streamSlots_; ++slot) {
        WaveUnprepare(headers_[slot]);
    }
    const MMResult code = WaveClose();
    deviceOpen_ = false;
    return code;
}

bool TAudioIO::QueueNextBuffer() {
    return deviceOpen_ && HandOver(nextBuffer_);
}

bool TAudioIO::IsHeld(int slot) const {
    for (int i = 0; i < heldCount_; ++i) {
        if (heldSlots_[(heldFirst_ + i) % MaxBuffers] == slot) {
            return true;
        }
    }
    return false;
}

bool TAudioIO::HandOver(int slot) {
    platform::WaveHeader* header = headers_[slot];
    // A slot the device still holds is not touched: rewriting its flags would hide from the
    // device that it is queued already.
    MMResult code = platform::WAVERR_STILLPLAYING;
    if (!IsHeld(slot)) {
        header->flags = platform::WHDR_PREPARED; // clears the done mark of its last round
        code = WaveQueue(header);
    }
    if (code != MMSYSERR_NOERROR) {
        lastError_ = ErrorText(code);
        StopWhenDrained();
        return false;
    }
    heldSlots_[(heldFirst_ + heldCount_) % MaxBuffers] = slot;
    ++heldCount_;
    nextBuffer_ = (slot + 1) % streamSlots_;
    CountHandedOver();
    return true;
}

// A completion. The device returns buffers in the order it got them, so the slot concerned is
// the oldest one it holds; the header it names is not needed.
void TAudioIO::BufferReturned(TCallBackWin& receiver) {
    if (!deviceOpen_ || receiver.Generation() != generation_ || heldCount_ == 0) {
        return;
    }
    const int slot = heldSlots_[heldFirst_];
    heldFirst_ = (heldFirst_ + 1) % MaxBuffers;
    --heldCount_;
    ++buffersDone_;
    CountReturned();
    running_ = buffersPending_ > 0;

    const std::uint32_t generation = generation_;
    try {
        // After the returned slot, the slots lost to earlier handler errors: a stream whose
        // owner produces again returns to its full ring instead of playing on short of buffers.
        for (int handBack = ProcessReturned(slot);
             handBack >= 0 && generation == generation_ && HandOver(handBack);
             handBack = ProcessLostSlot()) {
        }
    } catch (...) {
        RecoverFromHandlerError(generation);
        throw;
    }
    if (generation != generation_) {
        return; // the handler ended this stream itself
    }
    // The device closes only when it holds nothing: a buffer produced just now keeps the
    // stream going, and one whose hand-over failed is not waited for.
    running_ = heldCount_ > 0;
    if (!running_) {
        accepting_ = false;
        CloseDevice();
    }
}

void TAudioIO::RecoverFromHandlerError(std::uint32_t generation) {
    // The buffer in hand is lost to the ring. With none left at the device no notification
    // would ever come, and the device would stay open for good.
    if (generation == generation_ && deviceOpen_ && heldCount_ == 0) {
        accepting_ = false;
        CloseDevice();
    }
}

void TAudioIO::Opened(TCallBackWin& receiver) {
    if (OnStart) {
        OnStart(&receiver);
    }
}

void TAudioIO::Closed(TCallBackWin& receiver) {
    if (OnStop) {
        OnStop(&receiver);
    }
}

void TAudioIO::ReleaseReceivers() {
    std::erase_if(receivers_, [this](const std::unique_ptr<TCallBackWin>& receiver) {
        if (!receiver->Releasable()) {
            return false;
        }
        if (receiver.get() == callbackWindow_) {
            callbackWindow_ = nullptr;
        }
        return true;
    });
}

std::string TAudioIO::FetchErrorText(GetErrorText get, MMResult code) const {
    std::array<char, platform::MAXERRORLENGTH> text{};
    (services_.wave.*get)(code, text.data(), static_cast<std::uint32_t>(text.size()));
    text.back() = '\0';
    return text.data();
}

} // namespace audio
