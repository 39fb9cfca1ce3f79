// SPDX-License-Identifier: MIT
#include "scpi/Error.h"

#include <algorithm>
#include <array>
#include <utility>

namespace scpi {

namespace {

struct Entry {
    int code;
    std::string_view text;
};

// Texts as SCPI-99 lists them, so that a client's error handling recognises them.
constexpr std::array kTexts{
    Entry{0, "No error"},
    Entry{-100, "Command error"},
    Entry{-101, "Invalid character"},
    Entry{-102, "Syntax error"},
    Entry{-103, "Invalid separator"},
    Entry{-104, "Data type error"},
    Entry{-108, "Parameter not allowed"},
    Entry{-109, "Missing parameter"},
    Entry{-110, "Command header error"},
    Entry{-111, "Header separator error"},
    Entry{-112, "Program mnemonic too long"},
    Entry{-113, "Undefined header"},
    Entry{-114, "Header suffix out of range"},
    Entry{-120, "Numeric data error"},
    Entry{-130, "Suffix error"},
    Entry{-131, "Invalid suffix"},
    Entry{-138, "Suffix not allowed"},
    Entry{-140, "Character data error"},
    Entry{-141, "Invalid character data"},
    Entry{-144, "Character data too long"},
    Entry{-150, "String data error"},
    Entry{-151, "Invalid string data"},
    Entry{-160, "Block data error"},
    Entry{-168, "Block data not allowed"},
    Entry{-200, "Execution error"},
    Entry{-220, "Parameter error"},
    Entry{-221, "Settings conflict"},
    Entry{-222, "Data out of range"},
    Entry{-223, "Too much data"},
    Entry{-224, "Illegal parameter value"},
    Entry{-230, "Data corrupt or stale"},
    Entry{-240, "Hardware error"},
    Entry{-300, "Device-specific error"},
    Entry{-310, "System error"},
    Entry{-350, "Queue overflow"},
    Entry{-400, "Query error"},
    Entry{-410, "Query INTERRUPTED"},
    Entry{-420, "Query UNTERMINATED"},
};

std::string WhatText(int code, const std::string& detail) {
    std::string what = std::to_string(code);
    what += ' ';
    what += ErrorText(code);
    if (!detail.empty()) {
        what += "; ";
        what += detail;
    }
    return what;
}

} // namespace

std::string_view ErrorText(int code) {
    const auto* found = std::find_if(kTexts.begin(), kTexts.end(),
                                     [code](const Entry& e) { return e.code == code; });
    if (found != kTexts.end()) {
        return found->text;
    }
    if (code <= -100 && code > -500) {
        return ErrorText(code / 100 * 100);
    }
    return {};
}

Error::Error(int code, std::string detail)
    : std::runtime_error(WhatText(code, detail)), code(code), detail(std::move(detail)) {}

} // namespace scpi
