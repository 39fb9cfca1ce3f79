// SPDX-License-Identifier: MIT
#include "measure/CalibrationRequest.h"

#include <charconv>
#include <cmath>

namespace measure {

namespace {

constexpr std::string_view kExample = "e.g. --calibrate current=12.5mA or voltage=1.00V";

ParsedCalibrationRequest Refused(const std::string& what) {
    return {std::nullopt, "--calibrate: " + what};
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits with at most one decimal point or comma; the rest of `text` is left for the unit.
std::optional<double> TakeNumber(std::string_view& text) {
    std::string number;
    bool separator = false;
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if ((c == '.' || c == ',') && !separator) {
            separator = true;
            number += '.';
        } else if (IsDigit(c) || (i == 0 && (c == '-' || c == '+'))) {
            number += c;
        } else {
            break;
        }
    }
    double value = 0;
    const char* begin = number.data() + (number.starts_with('+') ? 1 : 0);
    const char* end = number.data() + number.size();
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (number.empty() || error != std::errc() || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    text.remove_prefix(i);
    return value;
}

// mA or mV per written unit; none for a unit that does not belong to the quantity.
std::optional<double> UnitSize(Channel channel, std::string_view unit) {
    const bool current = channel == Channel::L;
    if (unit == (current ? "mA" : "mV")) {
        return 1.0;
    }
    if (unit == (current ? "A" : "V")) {
        return 1000.0;
    }
    return std::nullopt;
}

// `text` in quotes, built by appending: GCC 12 falsely warns (-Wrestrict) when an optimised
// build adds a literal in front of a temporary string.
std::string Quoted(std::string_view text) {
    std::string quoted(1, '\'');
    quoted += text;
    quoted += '\'';
    return quoted;
}

} // namespace

const char* QuantityName(Channel channel) {
    return channel == Channel::L ? "current" : "voltage";
}

ParsedCalibrationRequest ParseCalibrationRequest(std::string_view text) {
    const std::size_t equals = text.find('=');
    const std::string_view quantity = text.substr(0, equals);
    CalibrationRequest request;
    if (quantity == "voltage") {
        request.channel = Channel::R;
    } else if (quantity != "current") {
        return Refused(Quoted(quantity) + " is neither current nor voltage; " +
                       std::string(kExample));
    }
    std::string_view value = equals == std::string_view::npos ? "" : text.substr(equals + 1);
    if (value.empty()) {
        return Refused("the " + std::string(quantity) + " needs a reference value; " +
                       std::string(kExample));
    }
    if (value == "reset") {
        request.reset = true;
        return {request, {}};
    }
    const std::string written(value);
    const std::string_view whole = value;
    const std::optional<double> number = TakeNumber(value);
    const std::string digits(whole.substr(0, whole.size() - value.size()));
    while (value.starts_with(' ')) {
        value.remove_prefix(1);
    }
    const bool current = request.channel == Channel::L;
    const std::string units = current ? "mA or A" : "mV or V";
    if (!number) {
        return Refused("'" + written + "' is not a number with a unit (" + units + ")");
    }
    const std::optional<double> unitSize = UnitSize(request.channel, value);
    if (!unitSize) {
        return Refused(value.empty() ? "'" + written + "' needs a unit: " + units
                                     : Quoted(value) + " is not a unit of " +
                                           std::string(quantity) + ": use " + units);
    }
    if (*number <= 0) {
        return Refused("the reference " + written + " must be above zero");
    }
    request.reference = *number * *unitSize;
    request.unit = std::string(value);
    request.unitSize = *unitSize;
    request.referenceText = digits + " " + request.unit;
    if (!(request.reference >= kSmallestReference && request.reference <= kLargestReference)) {
        const std::string small = current ? "0.1 mA" : "0.1 mV";
        const std::string large = current ? "200 A" : "200 V";
        return Refused("the reference " + written + " lies outside " + small + " to " + large +
                       ", where no input of the instrument measures it; check its unit and "
                       "digits");
    }
    return {request, {}};
}

} // namespace measure
