// SPDX-License-Identifier: MIT
#pragma once

// Fixed memory for audio buffers and their headers: a block is allocated, then locked to get
// its address, which stays the same until the block is unlocked and freed. Called on the UI
// thread. Failures are results, not exceptions, so that the stream components can report them
// with their own texts.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

namespace platform {

using MemoryHandle = std::uintptr_t; // 0 = no block

class BufferMemory {
public:
    virtual ~BufferMemory() = default;
    // A block of `bytes`, zero-filled when asked; 0 on failure.
    virtual MemoryHandle Alloc(std::size_t bytes, bool zeroFill) = 0;
    // The block's fixed address; null on failure.
    virtual void* Lock(MemoryHandle block) = 0;
    virtual void Unlock(MemoryHandle block) = 0;
    virtual void Free(MemoryHandle block) = 0;
};

// Heap-backed memory, with failures that tests can inject: the n-th next allocation or lock
// (counting from 1) fails once. Tracks its live blocks so that tests can check that nothing
// leaks and nothing is freed twice.
class HeapBufferMemory final : public BufferMemory {
public:
    MemoryHandle Alloc(std::size_t bytes, bool zeroFill) override;
    void* Lock(MemoryHandle block) override;
    void Unlock(MemoryHandle block) override;
    void Free(MemoryHandle block) override;

    void FailAllocation(int nth) { allocFailsIn_ = nth; }
    void FailLock(int nth) { lockFailsIn_ = nth; }
    std::size_t LiveBlocks() const { return blocks_.size(); }
    int Allocations() const { return allocations_; }

private:
    static bool CountDown(int& counter);

    std::map<MemoryHandle, std::unique_ptr<char[]>> blocks_;
    MemoryHandle nextHandle_ = 1;
    int allocFailsIn_ = 0;
    int lockFailsIn_ = 0;
    int allocations_ = 0;
};

} // namespace platform
