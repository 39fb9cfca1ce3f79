// SPDX-License-Identifier: MIT
#pragma once

// Answers to queries: the handle through which a command handler delivers its answer (at once
// or later), and the response-data formats of IEEE 488.2 that handlers build answers from.
// Used on the thread that runs the sessions (the program's event loop).

#include "scpi/ErrorQueue.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace scpi {

// What a Reply and its Session share. The session sets `onDone` and clears it when it goes.
struct ReplyState {
    bool done = false;
    bool abandoned = false; // the client's session is gone: nobody will read the answer
    std::string data;       // the response data, formatted
    std::optional<ErrorEntry> error;
    std::function<void()> onDone;
};

// Handed to every handler. A handler answers a query with Send before it returns, or keeps a
// copy of the Reply and completes it later (Send, Complete or Fail): until then the session
// holds back its client's later commands, so answers stay in the order of the questions. A
// kept Reply must be completed sooner or later (Fail it when the instrument stops).
// Completing a Reply may run the client's next commands at once, whose handlers may keep new
// Replies: an instrument completing a list of Replies should take the list out first.
class Reply {
public:
    explicit Reply(std::shared_ptr<ReplyState> state) : state(std::move(state)) {}

    void Send(std::string responseData);          // the answer of a query, from the formats below
    void Complete();                              // a set command that finished later
    void Fail(int code, std::string detail = {}); // into the client's error queue, no answer
    bool Done() const { return state->done; }
    bool Abandoned() const { return state->abandoned; }

private:
    void Finish();
    std::shared_ptr<ReplyState> state;
};

// NR1: a decimal integer (`-12`).
std::string FormatNr1(long long value);
// NR3: the shortest mantissa that reads back as the same double, with a point and a signed
// exponent of at least two digits (`1.234E+03`, `1.0E-01`, `0.0E+00`). Not-a-number is
// 9.91E+37 and the infinities +-9.9E+37, as SCPI represents them.
std::string FormatNr3(double value);
// A string response: in double quotes, inner quotes doubled.
std::string FormatString(std::string_view text);
// Definite-length arbitrary block of 16-bit little-endian samples: `#<n><length><bytes>`,
// n the number of digits of length (`#42000...` for 1000 samples). At most 999 999 999 bytes.
std::string FormatBlock(std::span<const std::int16_t> samples);

} // namespace scpi
