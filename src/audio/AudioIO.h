// SPDX-License-Identifier: MIT
#pragma once

// The audio stream components: TAudioOut plays PCM audio that its owner produces buffer by
// buffer (OnFillBuffer), TAudioIn hands each captured buffer to its owner (OnBufferFilled).
// Both run a ring of 2 to 4 fixed buffers over the platform's wave service. Everything here is
// called on the UI thread: the owner's calls, and the device notifications, which reach the
// component through the receiver that each OpenDevice creates (TCallBackWinOut/TCallBackWinIn).
// Failures never throw: an operation returns false and leaves an English text in LastError.
// Exceptions thrown by the owner's event handlers pass through unchanged.

#include "audio/UAFDefs.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace audio {

class TAudioIO;

// Receives the notifications of one stream (one successful OpenDevice) and passes them to its
// component. It carries the generation of its stream, so that buffers returned after the
// stream was closed (a reset returns them all) never act on a stream opened since. It lives
// until its close notification has been delivered; a receiver whose component was destroyed
// first releases itself on that notification.
class TCallBackWin : public platform::WaveNotificationReceiver {
public:
    void OnWaveMessage(std::uint32_t message, platform::WaveHeader* header) override;
    std::uint32_t Generation() const { return generation_; }

protected:
    struct Messages {
        std::uint32_t open;
        std::uint32_t close;
        std::uint32_t buffer;
    };
    TCallBackWin(TAudioIO& owner, std::uint32_t generation, Messages messages);

private:
    friend class TAudioIO;
    bool Releasable() const { return closeDelivered_ && depth_ == 0; }
    void Deliver(std::uint32_t message);
    void Leave();

    TAudioIO* owner_; // null once the component is gone
    std::uint32_t generation_;
    Messages messages_;
    bool closeDelivered_ = false;
    int depth_ = 0; // messages being handled right now (an event may start a new stream)
};

class TCallBackWinOut final : public TCallBackWin {
public:
    TCallBackWinOut(TAudioIO& owner, std::uint32_t generation);
};

class TCallBackWinIn final : public TCallBackWin {
public:
    TCallBackWinIn(TAudioIO& owner, std::uint32_t generation);
};

// Format, buffer ring and bookkeeping shared by both directions. Sizes are in bytes. A stream
// keeps the buffer size and slot count it was opened with: assignments while the device is open
// apply to the next stream, whose open reallocates buffers that became too small. Receivers of
// closed streams are released at the next open.
class TAudioIO {
public:
    static constexpr int MaxBuffers = 4;
    static constexpr int MinBufferSize = 512;

    TAudioIO(const TAudioIO&) = delete;
    TAudioIO& operator=(const TAudioIO&) = delete;
    virtual ~TAudioIO();

    // Effective buffer size: the last assignment (at least 512) rounded down to whole frames.
    int BufferSize() const { return bufferSize_; }
    void SetBufferSize(int bytes);
    int NumBuffers() const { return numBuffers_; } // 2..4 slots
    void SetNumBuffers(int count);
    int FrameRate() const { return static_cast<int>(format_.samplesPerSec); } // frames/s
    void SetFrameRate(int framesPerSecond);
    bool Stereo() const { return format_.channels == 2; }
    void SetStereo(bool stereo);
    std::uint16_t Quantization() const { return format_.bitsPerSample; } // 8 or 16 bits
    void SetQuantization(std::uint16_t bits);

    int BuffersPending() const { return buffersPending_; }
    int BuffersFilled() const { return buffersFilled_; }
    int BuffersDone() const { return buffersDone_; }
    bool Running() const { return running_; }
    bool Accepting() const { return accepting_; }
    bool DeviceOpen() const { return deviceOpen_; }
    int NextBuffer() const { return nextBuffer_; }
    const std::string& LastError() const { return lastError_; }
    const platform::WaveFormat& WaveFormat() const { return format_; }
    // The receiver of the stream opened last; null before the first open, after a failed open
    // and once it has been released.
    TCallBackWin* CallbackWindow() const { return callbackWindow_; }
    // The header of a slot (0..3); null when header memory is missing.
    const platform::WaveHeader* Header(int slot) const { return headers_[slot]; }

    TNotifyEvent OnStart; // the device reports it has opened
    TNotifyEvent OnStop;  // the device reports it has closed

    // OpenDevice, then BeginStreaming; true when both succeeded.
    bool Start();
    // Ends the stream at once: the device returns every buffer and closes. Nothing when closed.
    virtual void StopNow();
    // Stops producing or taking buffers; the device closes once the last buffer it holds has
    // returned. Nothing when closed.
    virtual void StopWhenDrained();

    virtual bool OpenDevice() = 0;
    virtual bool BeginStreaming() = 0;
    // Stops the device, unprepares the headers in use and closes the device; the result is the
    // close's code. Buffers the device still held return stale and are ignored.
    platform::MMResult CloseDevice();
    // Hands slot NextBuffer to the device and advances NextBuffer.
    bool QueueNextBuffer();

    void UpdateFormat();
    bool AllocHeaders();
    void FreeHeaders();
    bool AllocBuffers();
    void FreeBuffers();
    void InitHeaders();

protected:
    explicit TAudioIO(AudioServices services);

    // The direction's device operations on its open handle.
    virtual platform::MMResult WaveOpen(platform::WaveNotificationReceiver* receiver) = 0;
    virtual platform::MMResult WavePrepare(platform::WaveHeader* header) = 0;
    virtual platform::MMResult WaveUnprepare(platform::WaveHeader* header) = 0;
    virtual platform::MMResult WaveQueue(platform::WaveHeader* header) = 0;
    virtual platform::MMResult WaveReset() = 0;
    virtual platform::MMResult WaveClose() = 0;
    virtual std::string ErrorText(platform::MMResult code) = 0;
    virtual const char* AlreadyOpenText() const = 0;
    virtual std::unique_ptr<TCallBackWin> MakeReceiver(std::uint32_t generation) = 0;
    // BuffersPending bookkeeping when a buffer returns / is handed to the device.
    virtual void CountReturned() = 0;
    virtual void CountHandedOver() = 0;
    // Asks the owner about the slot that the device just returned; the slot to hand to the
    // device next, or -1 for none.
    virtual int ProcessReturned(int slot) = 0;
    // After a hand-over: asks the owner about a slot that an earlier handler error left out of
    // the ring; the slot to hand over, or -1 for none.
    virtual int ProcessLostSlot() { return -1; }
    virtual void BeforeClose() {}

    // The steps of OpenDevice that both directions share: open, prepare, reset the counters.
    bool OpenStream();
    // Hands one slot to the device (flags: prepared only); NextBuffer goes past it.
    bool HandOver(int slot);
    // The device holds this slot now.
    bool IsHeld(int slot) const;
    // For the destructors of the concrete components, while their operations still exist.
    void Shutdown();
    // Closes the device when a handler's exception has left no buffer with it.
    void RecoverFromHandlerError(std::uint32_t generation);

    using GetErrorText = platform::MMResult (platform::WaveService::*)(platform::MMResult, char*,
                                                                       std::uint32_t);
    std::string FetchErrorText(GetErrorText get, platform::MMResult code) const;
    char* SlotBuffer(int slot) const { return buffers_[slot]; }
    int SlotBytes(int slot) const { return bufferBytes_[slot]; } // allocated bytes
    platform::WaveHeader* SlotHeader(int slot) const { return headers_[slot]; }
    int StreamBytes() const { return streamBytes_; } // buffer size fixed at open
    int StreamSlots() const { return streamSlots_; } // slots in use, fixed at open
    int HeldCount() const { return heldCount_; }     // buffers the device holds
    std::uint32_t Generation() const { return generation_; }
    platform::WaveService& Wave() const { return services_.wave; }
    void SetLastError(std::string text) { lastError_ = std::move(text); }

    int buffersPending_ = 0;
    int buffersFilled_ = 0;
    int buffersDone_ = 0;
    bool running_ = false;
    bool accepting_ = false;
    std::uint32_t deviceId_ = platform::WAVE_MAPPER;

private:
    friend class TCallBackWin;
    void Opened(TCallBackWin& receiver);
    void Closed(TCallBackWin& receiver);
    void BufferReturned(TCallBackWin& receiver);
    bool EnsureMemory();
    bool BuffersFit() const;
    void ReleaseReceivers();

    AudioServices services_;
    int requestedBufferSize_ = 8192;
    int bufferSize_ = 8192;
    int numBuffers_ = MaxBuffers;
    platform::WaveFormat format_{};
    std::array<platform::MemoryHandle, MaxBuffers> headerHandles_{};
    std::array<platform::WaveHeader*, MaxBuffers> headers_{};
    std::array<char*, MaxBuffers> buffers_{};
    std::array<platform::MemoryHandle, MaxBuffers> bufferHandles_{};
    std::array<int, MaxBuffers> bufferBytes_{};
    int nextBuffer_ = 0;
    std::string lastError_;
    bool deviceOpen_ = false;

    // The open stream: its generation, sizes, and the slots the device holds, oldest first.
    std::uint32_t generation_ = 0;
    int streamBytes_ = 0;
    int streamSlots_ = 0;
    std::array<int, MaxBuffers> heldSlots_{};
    int heldFirst_ = 0;
    int heldCount_ = 0;

    TCallBackWin* callbackWindow_ = nullptr;
    std::vector<std::unique_ptr<TCallBackWin>> receivers_;
};

// Plays what the owner produces. BuffersPending is BuffersFilled - BuffersDone, so the fill
// handler sees how far it runs ahead of the device.
class TAudioOut final : public TAudioIO {
public:
    explicit TAudioOut(AudioServices services);
    ~TAudioOut() override;

    bool Paused() const { return paused_; }
    // While a stream runs, true pauses the device and false restarts it.
    void SetPaused(bool paused);

    TBufferEvent OnFillBuffer;

    // Opens, prepares and fills the slots; the first must be filled.
    bool OpenDevice() override;
    // Pauses first when Paused, then hands the filled slots to the device, slot 0 first.
    bool BeginStreaming() override;
    // Asks OnFillBuffer to fill `slot` with up to `size` bytes; true when it produced data.
    bool ProcessBuffer(int slot, int size);
    std::string WaveOutErrorText(platform::MMResult code);

protected:
    platform::MMResult WaveOpen(platform::WaveNotificationReceiver* receiver) override;
    platform::MMResult WavePrepare(platform::WaveHeader* header) override;
    platform::MMResult WaveUnprepare(platform::WaveHeader* header) override;
    platform::MMResult WaveQueue(platform::WaveHeader* header) override;
    platform::MMResult WaveReset() override;
    platform::MMResult WaveClose() override;
    std::string ErrorText(platform::MMResult code) override { return WaveOutErrorText(code); }
    const char* AlreadyOpenText() const override;
    std::unique_ptr<TCallBackWin> MakeReceiver(std::uint32_t generation) override;
    void CountReturned() override;
    void CountHandedOver() override {}
    int ProcessReturned(int slot) override;
    int ProcessLostSlot() override;
    void BeforeClose() override;

private:
    bool FillAtStart();

    bool paused_ = false;
    int filledAtStart_ = 0; // slots 0.. that the owner filled at open
    int lostSlots_ = 0;     // slots of this stream lost to fill handler errors, not yet refilled
    platform::WaveOutHandle handle_ = 0;
};

// Captures for the owner. BuffersPending counts the buffers with the device.
class TAudioIn final : public TAudioIO {
public:
    explicit TAudioIn(AudioServices services);
    ~TAudioIn() override;

    TBufferEvent OnBufferFilled;

    // Opens and prepares the slots.
    bool OpenDevice() override;
    // Starts recording and hands every slot to the device, slot 0 first.
    bool BeginStreaming() override;
    // Hands one captured buffer to OnBufferFilled; true when it goes back to the device.
    bool ProcessBuffer(char* buffer, int size);
    std::string WaveInErrorText(platform::MMResult code);

protected:
    platform::MMResult WaveOpen(platform::WaveNotificationReceiver* receiver) override;
    platform::MMResult WavePrepare(platform::WaveHeader* header) override;
    platform::MMResult WaveUnprepare(platform::WaveHeader* header) override;
    platform::MMResult WaveQueue(platform::WaveHeader* header) override;
    platform::MMResult WaveReset() override;
    platform::MMResult WaveClose() override;
    std::string ErrorText(platform::MMResult code) override { return WaveInErrorText(code); }
    const char* AlreadyOpenText() const override;
    std::unique_ptr<TCallBackWin> MakeReceiver(std::uint32_t generation) override;
    void CountReturned() override { --buffersPending_; }
    void CountHandedOver() override { ++buffersPending_; }
    int ProcessReturned(int slot) override;

private:
    platform::WaveInHandle handle_ = 0;
};

} // namespace audio
