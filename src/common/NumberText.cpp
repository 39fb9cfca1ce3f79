// SPDX-License-Identifier: MIT
#include "common/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace common {

namespace {

std::string PadLeft(std::string text, int width) {
    if (width > 0 && static_cast<int>(text.size()) < width) {
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    }
    return text;
}

// Beyond the integer range (a broken calibration factor, a division by a near-zero level) the
// whole number is printed digit by digit; infinity and NaN are named. Still locale-independent.
std::string FormatUnscalable(long double value, int decimals) {
    if (std::isnan(value)) {
        return "nan";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-inf" : "inf";
    }
    char text[5000]; // the largest long double has 4933 digits before the point
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return error == std::errc() ? std::string(text, end) : std::string("overflow");
}

} // namespace

std::string FormatInt(long long value, int width) {
    return PadLeft(std::to_string(value), width);
}

std::string FormatReal(long double value, int decimals, int width) {
    // Work on whole units of the last decimal so that the text never depends on the C locale.
    long double scale = std::pow(10.0L, decimals);
    long double scaled = std::round(std::fabs(value) * scale);
    // Only what fits an unsigned 64-bit integer may be cast to one.
    if (!(scaled < 1e19L)) {
        return PadLeft(FormatUnscalable(value, decimals), width);
    }
    bool negative = std::signbit(value) && scaled != 0;
    std::string digits = std::to_string(static_cast<unsigned long long>(scaled));
    if (decimals > 0) {
        if (static_cast<int>(digits.size()) <= decimals) {
            digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
        }
        digits.insert(digits.size() - static_cast<std::size_t>(decimals), 1, '.');
    }
    return PadLeft(negative ? "-" + digits : digits, width);
}

std::int32_t StrToInt(std::string_view text) {
    auto fail = [&]() -> std::int32_t {
        throw ConvertError("'" + std::string(text) + "' is not a valid integer value");
    };
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) {
        return fail();
    }
    long long magnitude = 0;
    const long long limit = negative
                                ? -static_cast<long long>(std::numeric_limits<std::int32_t>::min())
                                : std::numeric_limits<std::int32_t>::max();
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9') {
            return fail();
        }
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) {
            return fail();
        }
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

} // namespace common
