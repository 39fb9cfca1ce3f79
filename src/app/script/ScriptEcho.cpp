// SPDX-License-Identifier: MIT
#include "app/script/ScriptEcho.h"

namespace app {

namespace {

bool IsContinuationByte(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

void AppendEscaped(std::string& out, unsigned char byte) {
    switch (byte) {
    case '\n':
        out += "\\n";
        return;
    case '\r':
        out += "\\r";
        return;
    case '\t':
        out += "\\t";
        return;
    default:
        break;
    }
    if (byte < 0x20 || byte == 0x7F) {
        constexpr char digits[] = "0123456789abcdef";
        out += "\\x";
        out += digits[byte >> 4];
        out += digits[byte & 0xF];
    } else {
        out += static_cast<char>(byte);
    }
}

} // namespace

std::string Echo(std::string_view text) {
    std::string out;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (!IsContinuationByte(byte) && ++characters > EchoCharacters) {
            return out + "...";
        }
        AppendEscaped(out, byte);
    }
    return out;
}

} // namespace app
