// SPDX-License-Identifier: MIT
#include "app/script/Script.h"

#include "app/script/ScriptEcho.h"
#include "app/script/ScriptVerbs.h"

#include <charconv>
#include <climits>

namespace app {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Splits one line into words; returns an error text, empty on success.
std::string SplitWords(std::string_view line, std::vector<std::string>& words) {
    std::size_t i = 0;
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            ++i;
        } else if (line[i] == '#') {
            break;
        } else if (line[i] == '"') {
            std::string word;
            for (++i; i < line.size() && line[i] != '"'; ++i) {
                if (line[i] == '\\' && i + 1 < line.size()) {
                    ++i;
                }
                word += line[i];
            }
            if (i == line.size()) {
                return "the quoted text is not closed";
            }
            ++i;
            if (i < line.size() && !IsBlank(line[i]) && line[i] != '#') {
                return "a blank must follow the closing quote";
            }
            words.push_back(std::move(word));
        } else {
            const std::size_t start = i;
            while (i < line.size() && !IsBlank(line[i]) && line[i] != '"') {
                ++i;
            }
            words.emplace_back(line.substr(start, i - start));
        }
    }
    return {};
}

enum class NumberText { Whole, NotWhole, OutOfRange };

// Reads a whole number that fits an int into `value`.
NumberText ReadWholeNumber(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || stop != end || error == std::errc::invalid_argument) {
        return NumberText::NotWhole;
    }
    return error == std::errc::result_out_of_range ? NumberText::OutOfRange : NumberText::Whole;
}

// The argument as a message shows it, in quotes. Built by appending, since GCC 12 falsely warns
// (-Wrestrict) when an optimised build adds a literal in front of a temporary string.
std::string Quoted(const std::string& text) {
    std::string quoted(1, '\'');
    quoted += Echo(text);
    quoted += '\'';
    return quoted;
}

// Reads the number argument of `wait` (milliseconds, not negative) or `scroll` (a position);
// returns an error text, empty on success.
std::string ReadNumberArgument(ScriptVerb verb, const std::string& text, int& value) {
    const bool isWait = verb == ScriptVerb::Wait;
    const NumberText kind = ReadWholeNumber(text, value);
    if (kind == NumberText::NotWhole) {
        return Quoted(text) + " is not a whole number" + (isWait ? " of milliseconds" : "");
    }
    if (kind == NumberText::OutOfRange || (isWait && value < 0)) {
        return Quoted(text) + " is out of range: " +
               (isWait ? "'wait' takes 0 to " + std::to_string(INT_MAX) + " milliseconds"
                       : "a position lies between " + std::to_string(INT_MIN) + " and " +
                             std::to_string(INT_MAX));
    }
    return {};
}

// Fills `command` from the words of its line; returns an error text, empty on success.
std::string Interpret(std::vector<std::string> words, ScriptCommand& command) {
    const ScriptVerbEntry* syntax = FindScriptVerb(words.front());
    if (syntax == nullptr) {
        return "unknown command '" + Echo(words.front()) + "'";
    }
    const std::size_t given = words.size() - 1;
    if (given != syntax->arguments) {
        return "'" + words.front() + "' takes " + std::to_string(syntax->arguments) +
               (syntax->arguments == 1 ? " argument" : " arguments") + ", not " +
               std::to_string(given);
    }
    command.verb = syntax->verb;
    command.arguments.assign(words.begin() + 1, words.end());
    if (syntax->numberAt >= 0) {
        return ReadNumberArgument(syntax->verb, command.arguments[syntax->numberAt],
                                  command.number);
    }
    return {};
}

} // namespace

ParsedScript ParseScript(std::string_view text) {
    ParsedScript result;
    int lineNumber = 0;
    while (!text.empty() || lineNumber == 0) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        std::vector<std::string> words;
        std::string error = SplitWords(line, words);
        ScriptCommand command;
        command.line = lineNumber;
        if (error.empty() && !words.empty()) {
            error = Interpret(std::move(words), command);
            result.commands.push_back(std::move(command));
        }
        if (!error.empty()) {
            result.commands.clear();
            result.error = "line " + std::to_string(lineNumber) + ": " + error;
            return result;
        }
    }
    return result;
}

} // namespace app
