// SPDX-License-Identifier: MIT
#include "scpi/Parser.h"

#include "scpi/Error.h"

#include <cctype>
#include <utility>

namespace scpi {

namespace {

bool IsAlpha(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}
bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}
bool IsWhite(char c) {
    return c == ' ' || c == '\t';
}

// Bytes that may appear nowhere outside a string: controls, DEL and anything not ASCII.
bool IsInvalidByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b < 0x20 && c != '\t') || b >= 0x7F;
}

// Length of the well-formed UTF-8 sequence of two or more bytes at `at`, or 0.
std::size_t Utf8Length(std::string_view s, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[at + i]); };
    const unsigned char lead = byte(0);
    const std::size_t length = lead < 0xC2   ? 0
                               : lead < 0xE0 ? 2
                               : lead < 0xF0 ? 3
                               : lead < 0xF5 ? 4
                                             : 0;
    if (length == 0 || at + length > s.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
    }
    // No overlong forms, no surrogates, nothing past U+10FFFF.
    const unsigned char second = byte(1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90)) {
        return 0;
    }
    return length;
}

class Lexer {
public:
    explicit Lexer(std::string_view text) : text(text) {}

    bool AtEnd() const { return pos >= text.size(); }
    char Peek() const { return AtEnd() ? '\0' : text[pos]; }
    bool Take(char c) {
        if (!AtEnd() && text[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    }
    void SkipWhite() {
        while (!AtEnd() && IsWhite(text[pos])) {
            ++pos;
        }
    }
    bool AtUnitEnd() const { return AtEnd() || text[pos] == ';'; }

    // The error for the byte at the cursor in a place that expects something else: a byte
    // that is never allowed is -101 whatever the place.
    [[noreturn]] void Unexpected(int code, std::string_view what) const {
        if (!AtEnd() && IsInvalidByte(text[pos])) {
            constexpr char kHex[] = "0123456789ABCDEF";
            const auto byte = static_cast<unsigned char>(text[pos]);
            Fail(kInvalidCharacter, std::string("byte 0x") + kHex[byte >> 4] + kHex[byte & 0xF]);
        }
        Fail(code, what);
    }
    [[noreturn]] void Fail(int code, std::string_view what) const {
        throw Error(code, std::string(what) + " at column " + std::to_string(pos + 1));
    }

    // A mnemonic upper-cased (letter, then letters, digits, '_'), or "" if none starts here.
    std::string Mnemonic(int tooLongCode) {
        std::string word;
        if (!IsAlpha(Peek())) {
            return word;
        }
        while (!AtEnd() && (IsAlpha(text[pos]) || IsDigit(text[pos]) || text[pos] == '_')) {
            word += static_cast<char>(std::toupper(static_cast<unsigned char>(text[pos++])));
        }
        if (word.size() > kMaxMnemonic) {
            throw Error(tooLongCode, word);
        }
        return word;
    }

    Parameter Number() {
        Parameter p{Parameter::Type::Numeric, {}, 0, {}};
        const std::size_t start = pos;
        if (Peek() == '+' || Peek() == '-') {
            ++pos;
        }
        const std::size_t intDigits = Digits();
        const std::size_t fracDigits = Take('.') ? Digits() : 0;
        if (intDigits + fracDigits == 0) {
            Unexpected(kNumericDataError, "a number without digits");
        }
        p.text = std::string(text.substr(start, pos - start));
        // An E not followed by digits starts a suffix (`1 EXV`), not an exponent.
        if ((Peek() == 'E' || Peek() == 'e') && ExponentFollows()) {
            ++pos;
            const bool negative = Peek() == '-';
            if (Peek() == '+' || Peek() == '-') {
                ++pos;
            }
            const std::size_t expStart = pos;
            if (Digits() > 6) {
                throw Error(kNumericDataError, "exponent too large");
            }
            p.exponent = std::stol(std::string(text.substr(expStart, pos - expStart)));
            p.exponent = negative ? -p.exponent : p.exponent;
        }
        SkipWhite();
        while (IsAlpha(Peek())) {
            p.suffix += static_cast<char>(std::toupper(static_cast<unsigned char>(text[pos++])));
        }
        if (p.suffix.size() > kMaxMnemonic) {
            throw Error(kInvalidSuffix, p.suffix);
        }
        return p;
    }

    Parameter QuotedString() {
        Parameter p{Parameter::Type::String, {}, 0, {}};
        const char quote = text[pos++];
        while (true) {
            if (AtEnd()) {
                throw Error(kInvalidStringData, "no closing quote");
            }
            const char c = text[pos];
            if (c == quote) {
                ++pos;
                if (!Take(quote)) {
                    return p;
                }
                p.text += quote;
            } else if (static_cast<unsigned char>(c) >= 0x80) {
                const std::size_t length = Utf8Length(text, pos);
                if (length == 0) {
                    Fail(kInvalidStringData, "not UTF-8");
                }
                p.text += text.substr(pos, length);
                pos += length;
            } else if (IsInvalidByte(c)) {
                Unexpected(kInvalidCharacter, "control character in a string");
            } else {
                p.text += c;
                ++pos;
            }
        }
    }

private:
    std::size_t Digits() {
        const std::size_t start = pos;
        while (IsDigit(Peek())) {
            ++pos;
        }
        return pos - start;
    }
    bool ExponentFollows() const {
        std::size_t at = pos + 1;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
            ++at;
        }
        return at < text.size() && IsDigit(text[at]);
    }

    std::string_view text;
    std::size_t pos = 0;
};

Parameter ParseParameter(Lexer& lex) {
    const char c = lex.Peek();
    if (IsDigit(c) || c == '+' || c == '-' || c == '.') {
        return lex.Number();
    }
    if (c == '"' || c == '\'') {
        return lex.QuotedString();
    }
    if (IsAlpha(c)) {
        return {Parameter::Type::Character, lex.Mnemonic(kCharacterDataTooLong), 0, {}};
    }
    if (c == '#') {
        lex.Unexpected(kBlockDataNotAllowed, "block or non-decimal data");
    }
    lex.Unexpected(kSyntaxError, lex.AtUnitEnd() ? "empty parameter" : "not a parameter");
}

// Parses one unit at the cursor; `branch` is the path compound headers continue from.
ProgramUnit ParseUnit(Lexer& lex, std::vector<std::string>& branch) {
    ProgramUnit unit;
    if (lex.Take('*')) {
        const std::string name = lex.Mnemonic(kMnemonicTooLong);
        if (name.empty()) {
            lex.Unexpected(kSyntaxError, "a common command without a name");
        }
        unit.nodes.push_back('*' + name);
    } else {
        if (!lex.Take(':')) {
            unit.nodes = branch;
        }
        do {
            std::string node = lex.Mnemonic(kMnemonicTooLong);
            if (node.empty()) {
                lex.Unexpected(kSyntaxError, "a header node missing");
            }
            if (unit.nodes.size() == kMaxHeaderNodes) {
                lex.Fail(kUndefinedHeader, "header deeper than 16 nodes");
            }
            unit.nodes.push_back(std::move(node));
        } while (lex.Take(':'));
        branch.assign(unit.nodes.begin(), unit.nodes.end() - 1);
    }
    unit.query = lex.Take('?');
    if (lex.AtUnitEnd()) {
        return unit;
    }
    if (!IsWhite(lex.Peek())) {
        lex.Unexpected(kHeaderSeparatorError, "no space after the header");
    }
    lex.SkipWhite();
    while (!lex.AtUnitEnd()) {
        unit.parameters.push_back(ParseParameter(lex));
        lex.SkipWhite();
        if (lex.Take(',')) {
            lex.SkipWhite();
            if (lex.AtUnitEnd()) {
                lex.Unexpected(kSyntaxError, "empty parameter");
            }
        } else if (!lex.AtUnitEnd()) {
            lex.Unexpected(kInvalidSeparator, "parameters not separated by a comma");
        }
    }
    return unit;
}

} // namespace

std::string ProgramUnit::Header() const {
    std::string header;
    for (const std::string& node : nodes) {
        header += (header.empty() ? "" : ":") + node;
    }
    return query ? header + '?' : header;
}

ParsedMessage ParseMessage(std::string_view message) {
    ParsedMessage parsed;
    Lexer lex(message);
    std::vector<std::string> branch; // each message starts at the root
    try {
        while (true) {
            lex.SkipWhite();
            if (lex.AtEnd()) {
                break;
            }
            if (!lex.Take(';')) { // an empty unit (`;;`, a trailing `;`) is harmless
                parsed.units.push_back(ParseUnit(lex, branch));
                lex.Take(';');
            }
        }
    } catch (const Error& e) {
        parsed.error = ErrorEntry{e.Code(), e.Detail()};
    }
    return parsed;
}

} // namespace scpi
