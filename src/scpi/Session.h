// SPDX-License-Identifier: MIT
#pragma once

// One remote-control client: the bytes it sends go in, the reply bytes come out. Assembles
// lines, parses them, runs each command through the instrument's CommandTable (after the
// common commands built in here: *CLS, *ESE, *ESE?, *ESR?, *STB?, *OPC, *OPC?, *WAI,
// SYSTem:ERRor[:NEXT]?) and keeps the client's error queue and status bytes.
//
// Replies: the answers of the queries of one line go out as one line, joined by ';' and ended
// by LF, when the line's last command has run. A handler that keeps its Reply to answer later
// holds back the client's later commands (even those of the same line) until it does, so the
// answers come in the order of the questions. Over TCP a client's unread answers simply wait
// in the socket, so -410 "Query INTERRUPTED" and -420 "Query UNTERMINATED" are not reported.
//
// Errors: a command error (-1xx) drops the rest of its line, as IEEE 488.2 asks; an execution
// or device error (-2xx, -3xx) does not. A line longer than 64 KiB is -223 "Too much data".
// Used on one thread (the server's event loop); the instrument's handlers run on it as well.

#include "scpi/CommandTable.h"
#include "scpi/ErrorQueue.h"
#include "scpi/LineReader.h"
#include "scpi/Parser.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace scpi {

class Session {
public:
    // Receives whole reply lines. It must not destroy the session.
    using Output = std::function<void(std::string_view bytes)>;

    // Lines received while a command waits for its answer are kept up to this many bytes;
    // beyond it they are dropped and reported as -223 when their turn comes.
    static constexpr std::size_t kMaxHeldBytes = 1024 * 1024;

    // `instrument` must outlive the session.
    Session(const CommandTable& instrument, Output output);
    ~Session(); // a Reply still kept by the instrument becomes Abandoned
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Bytes from the client, in any chunks.
    void Feed(std::string_view bytes);
    // A command waits for its Reply; later commands are held.
    bool Waiting() const { return pending != nullptr; }

private:
    void AddCommonCommands();
    void Run();
    void Execute(const ProgramUnit& unit);
    void Finish(const ReplyState& state, bool query, const std::string& header);
    void Resume();
    void Report(int code, std::string detail);

    const CommandTable& instrument;
    CommandTable common;
    Output output;
    LineReader reader;
    ErrorQueue errors;
    Status status;

    std::deque<Line> held; // lines not started yet
    std::size_t heldBytes = 0;
    ParsedMessage message; // the line being run
    std::size_t nextUnit = 0;
    bool inMessage = false;
    std::vector<std::string> responses; // answers of the line so far

    std::shared_ptr<ReplyState> pending; // the Reply being waited for
    bool pendingQuery = false;
    std::string pendingHeader;
    bool running = false; // guards against running commands from inside a handler
};

} // namespace scpi
