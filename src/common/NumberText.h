// SPDX-License-Identifier: MIT
#pragma once

// Locale-independent number texts shared by every readout and label, and the one conversion
// of typed text to an integer. Pure functions, callable from any thread.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace common {

// Integer right-aligned in `width` characters (spaces on the left); a longer number is never cut.
std::string FormatInt(long long value, int width = 0);

// Real with `decimals` digits after a point, right-aligned in `width` characters; rounds half
// away from zero on the decimal digits, as the readouts' formatter does, and never cuts.
std::string FormatReal(long double value, int decimals, int width = 0);

// Raised when typed text is not an integer; the message is the one the user sees.
class ConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Optional leading blanks, optional sign, decimal digits, 32-bit range; anything else throws
// ConvertError("'<text>' is not a valid integer value").
std::int32_t StrToInt(std::string_view text);

} // namespace common
