// SPDX-License-Identifier: MIT
#pragma once

// Assembles program messages from the bytes a client sends, in whatever chunks the socket
// delivers them: a message ends with LF (a CR before it is dropped). Memory stays bounded: a
// message longer than kMaxLine is discarded up to its LF and reported once, as it overflows.
// Owned by the client's Session.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace scpi {

struct Line {
    std::string text;     // without its terminator
    bool tooLong = false; // the message overflowed kMaxLine; text is empty
};

class LineReader {
public:
    static constexpr std::size_t kMaxLine = 64 * 1024;

    // Appends the messages completed by `bytes` (and a tooLong marker for each overflow) to
    // `lines`, in arrival order.
    void Feed(std::string_view bytes, std::vector<Line>& lines);
    // Bytes held of an unfinished message (never more than kMaxLine).
    std::size_t Buffered() const { return partial.size(); }

private:
    std::string partial;
    bool discarding = false; // inside an overflowed message: drop bytes up to the next LF
};

} // namespace scpi
