// SPDX-License-Identifier: MIT
#include "common/CsvFields.h"

#include <charconv>

namespace common {

std::string QuotedField(const std::string& text) {
    std::string field = "\"";
    for (char c : text) {
        field += c;
        if (c == '"') {
            field += '"';
        }
    }
    return field + '"';
}

std::string NumberField(double value) {
    char text[64];
    auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

} // namespace common
