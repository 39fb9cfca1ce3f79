// SPDX-License-Identifier: MIT
#pragma once

// A parsed program data element (one parameter of a command) and the conversions a handler
// applies to it: a number in a range with its unit, a choice among mnemonics, a boolean, a
// string. A conversion that fails throws scpi::Error with the fitting standard number. Pure.

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace scpi {

struct Parameter {
    enum class Type { Numeric, Character, String };
    Type type = Type::Character;
    // Character data: upper-cased (`VOLT`). String: the content, doubled quotes undone.
    // Numeric: the mantissa as written, sign included (`-1.5`, `.5`).
    std::string text;
    long exponent = 0;  // numeric: the decimal exponent written after E
    std::string suffix; // numeric: the unit with its multiplier, upper-cased (`KHZ`, `MV`)
};

// Whether an upper-cased mnemonic is the short or the long form of `pattern`, whose short form
// is written in capitals (`VOLTage` matches `VOLT` and `VOLTAGE`, nothing in between).
bool MatchesMnemonic(std::string_view pattern, std::string_view upper);

// The range of a numeric setting, in its base unit.
struct Range {
    std::string_view unit; // `HZ`, `V`, `A`, or empty for a plain number (no suffix allowed)
    double min;
    double max;
    std::optional<double> def; // what DEFault means; without it DEF is refused
};

// A number in `range.unit`: `1 kHz` is 1000 for HZ, `100 mV` is 0.1 for V (the multiplier is
// applied in decimal, so the result is the double nearest the written value). MINimum,
// MAXimum and DEFault give the range's values. Errors: -104 for a string, -141 for other
// character data, -131 for a unit other than range.unit, -138 for a unit where none belongs,
// -120 for a number beyond double, -222 outside [min, max].
double ToNumber(const Parameter& parameter, const Range& range);

// The index of the option (written like header mnemonics: `VOLTage`) the parameter names.
// Errors: -104 for a number or string, -141 for character data that names no option.
std::size_t ToChoice(const Parameter& parameter, std::initializer_list<std::string_view> options);

// ON, OFF, or a number: true when it rounds to anything but 0. Errors: -104, -141, -138.
bool ToBoolean(const Parameter& parameter);

// The content of a quoted string. Error: -104 for other data.
const std::string& ToText(const Parameter& parameter);

} // namespace scpi
