// SPDX-License-Identifier: MIT
#include "common/CsvFields.h"

#include "common/NumberText.h"

#include <charconv>
#include <cmath>

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

std::string FixedField(std::optional<double> value, int decimals) {
    if (!value || !std::isfinite(*value)) {
        return {};
    }
    return FormatReal(*value, decimals);
}

} // namespace common
