// SPDX-License-Identifier: MIT
#pragma once

// When the window's idle passes run. The instrument's idle handler always asks to be called
// again, but a pass over a block that has been drawn already, with unchanged settings, draws
// the same pixels and writes the same readouts. So after anything that can change a pass's
// outcome (a new block, the end of a capture burst, a handler, a repaint of the window) passes
// run until one of them changes nothing, and then the event loop sleeps until the next such
// event. At least two passes run after a new block: the first pass erases the old block's
// traces and the second its own copies, and a trigger channel without a positive sample reaches
// its steady frequency state only in the second pass. UI thread only.

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace app {

enum class IdleMode {
    Busy,        // a pass whenever the event queue is empty, as the idle handler asks
    EventDriven, // passes only until one changes nothing after an event
};

class PassScheduler {
public:
    // Something happened that may change what the next pass does; at least `minimumPasses`
    // run from now on.
    void Arm(int minimumPasses = 1) {
        passesSinceArm_ = 0;
        minimumPasses_ = std::max(minimumPasses_, minimumPasses);
    }
    // After a pass whose state digest is `digest`; true while another pass must run.
    bool AfterPass(std::uint64_t digest);

private:
    int passesSinceArm_ = 0;
    int minimumPasses_ = 1;
    std::uint64_t lastDigest_ = 0;
    bool haveDigest_ = false;
};

// A 64-bit digest of what a pass leaves behind, to tell whether a pass changed anything. Not
// cryptographic: equal states give equal digests, and unequal ones differ in all but freak cases.
class StateDigest {
public:
    void AddBytes(const void* data, std::size_t size);
    template <class... T> void Add(const T&... values) { (AddBytes(&values, sizeof values), ...); }
    std::uint64_t Value() const { return value_; }

private:
    std::uint64_t value_ = 0x9E3779B97F4A7C15ull;
};

} // namespace app
