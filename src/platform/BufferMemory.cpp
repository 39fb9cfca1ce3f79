// SPDX-License-Identifier: MIT
#include "platform/BufferMemory.h"

namespace platform {

bool HeapBufferMemory::CountDown(int& counter) {
    if (counter <= 0) {
        return false;
    }
    return --counter == 0;
}

MemoryHandle HeapBufferMemory::Alloc(std::size_t bytes, bool zeroFill) {
    if (CountDown(allocFailsIn_)) {
        return 0;
    }
    auto block =
        zeroFill ? std::make_unique<char[]>(bytes) : std::make_unique_for_overwrite<char[]>(bytes);
    MemoryHandle handle = nextHandle_++;
    blocks_.emplace(handle, std::move(block));
    ++allocations_;
    return handle;
}

void* HeapBufferMemory::Lock(MemoryHandle block) {
    if (CountDown(lockFailsIn_)) {
        return nullptr;
    }
    auto it = blocks_.find(block);
    return it == blocks_.end() ? nullptr : it->second.get();
}

void HeapBufferMemory::Unlock(MemoryHandle) {}

void HeapBufferMemory::Free(MemoryHandle block) {
    blocks_.erase(block);
}

} // namespace platform
