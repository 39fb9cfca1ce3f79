// SPDX-License-Identifier: MIT
// The slots' fixed memory: four headers for the life of the component, and one data buffer per
// slot in use, reallocated when the buffer size is assigned or an open finds them too small.
#include "audio/AudioIO.h"

#include <new>

namespace audio {

bool TAudioIO::AllocHeaders() {
    platform::BufferMemory& memory = services_.memory;
    for (int slot = 0; slot < MaxBuffers; ++slot) {
        headerHandles_[slot] = memory.Alloc(sizeof(platform::WaveHeader), true);
        if (headerHandles_[slot] == 0) {
            FreeHeaders();
            lastError_ = "Error allocating wave header memory";
            return false;
        }
        void* address = memory.Lock(headerHandles_[slot]);
        if (address == nullptr) {
            FreeHeaders();
            lastError_ = "Could not lock header memory for recording";
            return false;
        }
        headers_[slot] = ::new (address) platform::WaveHeader{};
    }
    return true;
}

void TAudioIO::FreeHeaders() {
    platform::BufferMemory& memory = services_.memory;
    for (int slot = 0; slot < MaxBuffers; ++slot) {
        if (headers_[slot] != nullptr) {
            memory.Unlock(headerHandles_[slot]);
            headers_[slot] = nullptr;
        }
        if (headerHandles_[slot] != 0) {
            memory.Free(headerHandles_[slot]);
            headerHandles_[slot] = 0;
        }
    }
}

bool TAudioIO::AllocBuffers() {
    platform::BufferMemory& memory = services_.memory;
    const auto bytes = static_cast<std::size_t>(bufferSize_);
    for (int slot = 0; slot < numBuffers_; ++slot) {
        bufferHandles_[slot] = memory.Alloc(bytes, true);
        if (bufferHandles_[slot] == 0) {
            FreeBuffers();
            lastError_ = "Error allocating wave buffer memory";
            return false;
        }
        buffers_[slot] = static_cast<char*>(memory.Lock(bufferHandles_[slot]));
        if (buffers_[slot] == nullptr) {
            FreeBuffers();
            lastError_ = "Error Locking wave buffer memory";
            return false;
        }
        bufferBytes_[slot] = bufferSize_;
        if (headers_[slot] != nullptr) {
            headers_[slot]->data = buffers_[slot];
        }
    }
    return true;
}

void TAudioIO::FreeBuffers() {
    platform::BufferMemory& memory = services_.memory;
    for (int slot = 0; slot < MaxBuffers; ++slot) {
        if (buffers_[slot] != nullptr) {
            memory.Unlock(bufferHandles_[slot]);
            buffers_[slot] = nullptr;
        }
        if (bufferHandles_[slot] != 0) {
            memory.Free(bufferHandles_[slot]);
            bufferHandles_[slot] = 0;
        }
        bufferBytes_[slot] = 0;
        if (headers_[slot] != nullptr) {
            headers_[slot]->data = nullptr;
        }
    }
}

void TAudioIO::InitHeaders() {
    UpdateFormat();
    for (int slot = 0; slot < numBuffers_ && headers_[slot] != nullptr; ++slot) {
        *headers_[slot] = platform::WaveHeader{};
        headers_[slot]->data = buffers_[slot];
        headers_[slot]->bufferLength = static_cast<std::uint32_t>(bufferSize_);
    }
}

// Memory that failed earlier is allocated again, and buffers are reallocated when a change of
// format or slot count since the last allocation left a slot in use without room for the
// effective buffer size.
bool TAudioIO::EnsureMemory() {
    if (headers_[0] == nullptr && !AllocHeaders()) {
        return false;
    }
    if (BuffersFit()) {
        return true;
    }
    FreeBuffers();
    return AllocBuffers();
}

bool TAudioIO::BuffersFit() const {
    for (int slot = 0; slot < numBuffers_; ++slot) {
        if (buffers_[slot] == nullptr || bufferBytes_[slot] < bufferSize_) {
            return false;
        }
    }
    return true;
}

} // namespace audio
