// SPDX-License-Identifier: MIT
#pragma once

// Fields of the CSV files the program writes (the readout log, the report): numbers with every
// digit that tells them apart, point as the decimal separator whatever the locale, and texts in
// double quotes.

#include <optional>
#include <string>

namespace common {

// A CSV text field: in double quotes, an inner double quote doubled.
std::string QuotedField(const std::string& text);
// A number in its shortest form that reads back to the same double, C locale.
std::string NumberField(double value);
// A measured value with `decimals` digits after the point (the digits the measurement supports,
// not every digit of the double), C locale; empty for no value or one that is not finite.
std::string FixedField(std::optional<double> value, int decimals);

} // namespace common
