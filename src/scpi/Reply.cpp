// SPDX-License-Identifier: MIT
#include "scpi/Reply.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace scpi {

void Reply::Send(std::string responseData) {
    if (!state->done) {
        state->data = std::move(responseData);
        Finish();
    }
}

void Reply::Complete() {
    if (!state->done) {
        Finish();
    }
}

void Reply::Fail(int code, std::string detail) {
    if (!state->done) {
        state->error = ErrorEntry{code, std::move(detail)};
        Finish();
    }
}

void Reply::Finish() {
    state->done = true;
    if (state->onDone) {
        // A copy: the call may run commands that end the session and clear onDone.
        const std::function<void()> onDone = state->onDone;
        onDone();
    }
}

std::string FormatNr1(long long value) {
    return std::to_string(value);
}

std::string FormatNr3(double value) {
    if (std::isnan(value)) {
        return "9.91E+37";
    }
    if (std::isinf(value)) {
        return value > 0 ? "9.9E+37" : "-9.9E+37";
    }
    if (value == 0) {
        return "0.0E+00"; // also for -0: a client compares numbers, not signs of zero
    }
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    std::string text(buffer, result.ptr);
    const std::size_t e = text.find('e');
    text[e] = 'E';
    if (text.find('.') == std::string::npos) {
        text.insert(e, ".0");
    }
    return text;
}

std::string FormatString(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + '"';
}

std::string FormatBlock(std::span<const std::int16_t> samples) {
    const std::string length = std::to_string(samples.size() * 2);
    if (length.size() > 9) {
        throw std::length_error("a definite-length block holds at most 999999999 bytes");
    }
    std::string block = '#' + std::to_string(length.size()) + length;
    block.reserve(block.size() + samples.size() * 2);
    for (std::int16_t sample : samples) {
        const auto bits = static_cast<std::uint16_t>(sample);
        block += static_cast<char>(bits & 0xFF);
        block += static_cast<char>(bits >> 8);
    }
    return block;
}

} // namespace scpi
