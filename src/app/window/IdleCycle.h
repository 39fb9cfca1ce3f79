// SPDX-License-Identifier: MIT
#pragma once

// When the window's idle passes run. The instrument's idle handler always asks to be called
// again, but a pass is a function of what it reads: the captured block, the settings, and the
// state earlier passes left (measurements, ranges, time base, traces on the screen). It only
// overwrites pixels, with values that follow from that, and never reads them back. So a pass
// that leaves its state as it found it would be followed by one that reads the same and draws
// the same pixels over them again: nothing anyone can see changes any more. After anything
// that can change a pass's outcome (a new block, a handler, a repaint of the window) passes
// therefore run until one leaves the state as it found it, and then the event loop sleeps until
// the next such event. At least two passes run after a new block: the first erases the old
// block's traces and the second its own copies. UI thread only.

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
        haveBefore_ = false;
        settled_ = false;
    }
    // Whether the coming pass reads exactly what the last one read, which left its state as it
    // found it: it will write and draw the same again, so it need not be compared or shown.
    bool NextPassRepeats() const { return settled_; }
    // Whether the state before the coming pass must be digested (BeforePass): an event may have
    // changed it since the last pass, and the coming pass may be the last one.
    bool NeedsDigestBefore() const { return !haveBefore_ && passesSinceArm_ + 1 >= minimumPasses_; }
    void BeforePass(std::uint64_t digest) {
        before_ = digest;
        haveBefore_ = true;
    }
    // After a pass that left the state with `digest`; true while another pass must run.
    bool AfterPass(std::uint64_t digest);
    // After a pass that NextPassRepeats foretold; true if an event during it asks for more.
    bool AfterRepeatedPass() {
        ++passesSinceArm_;
        return !settled_;
    }

private:
    int passesSinceArm_ = 0;
    int minimumPasses_ = 1;
    std::uint64_t before_ = 0; // the state the coming pass starts from, if haveBefore_
    bool haveBefore_ = false;
    bool settled_ = false; // the last pass left the state as it found it; no event since
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
