// SPDX-License-Identifier: MIT
#include "scpi/Parameter.h"

#include "scpi/Error.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>

namespace scpi {

namespace {

struct Multiplier {
    std::string_view name;
    int power;
};

// SCPI's suffix multipliers; note MA is mega and M milli, whatever the case the client wrote.
constexpr std::array kMultipliers{
    Multiplier{"", 0},    Multiplier{"EX", 18}, Multiplier{"PE", 15}, Multiplier{"T", 12},
    Multiplier{"G", 9},   Multiplier{"MA", 6},  Multiplier{"K", 3},   Multiplier{"M", -3},
    Multiplier{"U", -6},  Multiplier{"N", -9},  Multiplier{"P", -12}, Multiplier{"F", -15},
    Multiplier{"A", -18},
};

// The decimal power the suffix multiplies by, for a quantity in `unit`.
int SuffixPower(const std::string& suffix, std::string_view unit) {
    if (suffix.empty()) {
        return 0;
    }
    if (unit.empty()) {
        throw Error(kSuffixNotAllowed, suffix);
    }
    // The two units whose M means mega, as SCPI defines them.
    if ((unit == "HZ" && suffix == "MHZ") || (unit == "OHM" && suffix == "MOHM")) {
        return 6;
    }
    if (suffix.size() >= unit.size() && suffix.ends_with(unit)) {
        const std::string_view prefix =
            std::string_view(suffix).substr(0, suffix.size() - unit.size());
        for (const Multiplier& m : kMultipliers) {
            if (m.name == prefix) {
                return m.power;
            }
        }
    }
    throw Error(kInvalidSuffix, suffix);
}

// The value of a numeric parameter times 10^power, rounded once from the decimal text.
double NumericValue(const Parameter& parameter, int power) {
    std::string_view mantissa = parameter.text;
    if (mantissa.starts_with('+')) {
        mantissa.remove_prefix(1);
    }
    const std::string text =
        std::string(mantissa) + 'e' + std::to_string(parameter.exponent + power);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        throw Error(kNumericDataError, std::string(parameter.text));
    }
    return value;
}

} // namespace

bool MatchesMnemonic(std::string_view pattern, std::string_view upper) {
    std::size_t shortLength = 0;
    while (shortLength < pattern.size() &&
           !std::islower(static_cast<unsigned char>(pattern[shortLength]))) {
        ++shortLength;
    }
    if (upper == pattern.substr(0, shortLength)) {
        return true;
    }
    if (upper.size() != pattern.size()) {
        return false;
    }
    for (std::size_t i = 0; i < upper.size(); ++i) {
        if (upper[i] != std::toupper(static_cast<unsigned char>(pattern[i]))) {
            return false;
        }
    }
    return true;
}

double ToNumber(const Parameter& parameter, const Range& range) {
    switch (parameter.type) {
    case Parameter::Type::String:
        throw Error(kDataTypeError, "a string where a number belongs");
    case Parameter::Type::Character:
        if (MatchesMnemonic("MINimum", parameter.text)) {
            return range.min;
        }
        if (MatchesMnemonic("MAXimum", parameter.text)) {
            return range.max;
        }
        if (range.def && MatchesMnemonic("DEFault", parameter.text)) {
            return *range.def;
        }
        throw Error(kInvalidCharacterData, parameter.text);
    case Parameter::Type::Numeric:
        break;
    }
    const double value = NumericValue(parameter, SuffixPower(parameter.suffix, range.unit));
    if (!(value >= range.min && value <= range.max)) {
        throw Error(kDataOutOfRange, parameter.text + parameter.suffix);
    }
    return value;
}

std::size_t ToChoice(const Parameter& parameter, std::initializer_list<std::string_view> options) {
    if (parameter.type != Parameter::Type::Character) {
        throw Error(kDataTypeError, "a name of a choice belongs here");
    }
    std::size_t index = 0;
    for (std::string_view option : options) {
        if (MatchesMnemonic(option, parameter.text)) {
            return index;
        }
        ++index;
    }
    throw Error(kInvalidCharacterData, parameter.text);
}

bool ToBoolean(const Parameter& parameter) {
    switch (parameter.type) {
    case Parameter::Type::String:
        throw Error(kDataTypeError, "ON, OFF, 1 or 0 belongs here");
    case Parameter::Type::Character:
        if (parameter.text == "ON" || parameter.text == "OFF") {
            return parameter.text == "ON";
        }
        throw Error(kInvalidCharacterData, parameter.text);
    case Parameter::Type::Numeric:
        break;
    }
    return std::nearbyint(NumericValue(parameter, SuffixPower(parameter.suffix, {}))) != 0;
}

const std::string& ToText(const Parameter& parameter) {
    if (parameter.type != Parameter::Type::String) {
        throw Error(kDataTypeError, "a quoted string belongs here");
    }
    return parameter.text;
}

} // namespace scpi
