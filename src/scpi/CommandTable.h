// SPDX-License-Identifier: MIT
#pragma once

// The commands an instrument understands, each declared once as a header pattern with its
// handler, and the matching of a parsed header against them. Built at start-up, then read by
// every client's Session on the thread that runs the sessions.
//
// Pattern syntax, as SCPI manuals write headers: mnemonics joined by ':', the short form in
// capitals (`MEASure` matches MEAS and MEASURE in any case, nothing in between); a node in
// brackets is optional (`SYSTem:ERRor[:NEXT]`, `[SENSe:]VOLTage`); a numeric suffix list after
// a mnemonic (`SOURce[1|2]`) lets the client write SOUR, SOUR1 or SOUR2, and the handler gets
// the number (1 when none was written); common commands are written `*IDN`.

#include "scpi/Parameter.h"
#include "scpi/Parser.h"
#include "scpi/Reply.h"

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace scpi {

enum class Form { Set, Query };

// How many parameters a command takes; fewer is -109, more is -108.
struct Arity {
    std::size_t min = 0;
    std::size_t max = 0;
};

// What a handler receives. Conversions of parameters (ToNumber, ToChoice...) and the handler
// itself report errors by throwing scpi::Error.
struct Call {
    std::span<const Parameter> parameters;
    std::vector<int> suffixes; // one per node with a suffix list, in pattern order
    Reply reply;
};

using Handler = std::function<void(Call&)>;

class CommandTable {
public:
    // Declares a command; a query and a set command of one header are two declarations.
    // Throws std::invalid_argument for a malformed pattern.
    void Add(std::string_view pattern, Form form, Arity arity, Handler handler);

    struct Lookup {
        const Handler* handler = nullptr; // null: not found, see error
        Arity arity;
        std::vector<int> suffixes;
        int error = 0;      // -113, or -114 when only a numeric suffix was wrong
        std::string detail; // for the error queue
    };
    Lookup Find(const ProgramUnit& unit) const;

private:
    struct Node {
        std::string mnemonic; // as written in the pattern
        bool optional = false;
        std::vector<int> suffixes; // allowed suffixes; empty: the node takes none
    };
    struct Entry {
        std::vector<Node> nodes;
        Form form;
        Arity arity;
        Handler handler;
    };
    static std::vector<Node> Compile(std::string_view pattern);
    static int MatchFrom(std::span<const Node> pattern, std::span<const std::string> input,
                         std::vector<int>& suffixes);

    std::vector<Entry> entries;
};

} // namespace scpi
