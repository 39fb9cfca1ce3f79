// SPDX-License-Identifier: MIT
#pragma once

// Splits one program message (a line without its terminator) into program message units:
// each a header resolved to its full path from the root, whether it is a query, and its
// parameters. Pure; the Session calls it for each line of its client.
//
// Syntax accepted (IEEE 488.2 / SCPI-99): units separated by `;`; headers of mnemonics joined
// by `:` with an optional leading `:`, then `?` for a query; common commands `*XXX`;
// parameters after white space (space or tab), separated by `,`: decimal numbers with an
// optional exponent and unit suffix, character data, strings in '...' or "..." (a doubled
// quote stands for one; UTF-8 allowed inside). A header without a leading `:` after a `;`
// continues at the branch of the previous header (compound headers); common commands leave
// the branch alone. Deviation from 488.2: only space and tab count as white space, so NUL
// and other control bytes are reported as -101 "Invalid character"; block data (`#...`) is
// not accepted (-168).

#include "scpi/ErrorQueue.h"
#include "scpi/Parameter.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scpi {

struct ProgramUnit {
    // Upper-cased mnemonics from the root, numeric suffixes kept (`SOUR2`, `FREQ`); a common
    // command is the single node `*IDN`.
    std::vector<std::string> nodes;
    bool query = false;
    std::vector<Parameter> parameters;

    std::string Header() const; // `SOUR2:FREQ?`, for error details
};

struct ParsedMessage {
    std::vector<ProgramUnit> units;  // the well-formed units before the first malformed one
    std::optional<ErrorEntry> error; // why parsing stopped there; the rest of the line is lost
};

// Mnemonics and character data longer than this are refused (-112, -144), as SCPI limits them.
constexpr std::size_t kMaxMnemonic = 12;
// No command has a deeper header; a deeper one is -113 at once, which also keeps a 64 KiB line
// of compound headers from copying a long branch into each of its units.
constexpr std::size_t kMaxHeaderNodes = 16;

ParsedMessage ParseMessage(std::string_view message);

} // namespace scpi
