// SPDX-License-Identifier: MIT
#include "scpi/CommandTable.h"

#include "scpi/Error.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <stdexcept>
#include <utility>

namespace scpi {

namespace {

// Results of matching, ordered so that the better one is the larger.
constexpr int kNoMatch = 0;
constexpr int kSuffixOutOfRange = 1;
constexpr int kMatch = 2;

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

} // namespace

std::vector<CommandTable::Node> CommandTable::Compile(std::string_view pattern) {
    const auto malformed = [pattern]() {
        return std::invalid_argument("malformed command pattern: " + std::string(pattern));
    };
    std::vector<Node> nodes;
    Node current;
    bool optional = false;
    const auto flush = [&]() {
        if (!current.mnemonic.empty()) {
            current.optional = optional;
            nodes.push_back(std::exchange(current, {}));
        } else if (!current.suffixes.empty()) {
            throw malformed();
        }
    };
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '[' && i + 1 < pattern.size() && IsDigit(pattern[i + 1])) {
            const std::size_t close = pattern.find(']', i);
            if (current.mnemonic.empty() || close == std::string_view::npos) {
                throw malformed();
            }
            // `1|2|3`
            for (std::size_t at = i + 1; at < close;) {
                int value = 0;
                const auto [end, ec] = std::from_chars(&pattern[at], &pattern[close], value);
                if (ec != std::errc() || value < 0) {
                    throw malformed();
                }
                current.suffixes.push_back(value);
                at = static_cast<std::size_t>(end - pattern.data());
                at += (at < close && pattern[at] == '|') ? 1 : 0;
            }
            i = close;
        } else if (c == '[' || c == ']' || c == ':') {
            flush();
            if (c != ':' && optional == (c == '[')) {
                throw malformed(); // nested or unbalanced brackets
            }
            optional = c == '[' ? true : c == ']' ? false : optional;
        } else if (std::isalpha(static_cast<unsigned char>(c)) || (c == '*' && i == 0)) {
            current.mnemonic += c;
        } else {
            throw malformed();
        }
    }
    flush();
    if (optional || nodes.empty() ||
        std::all_of(nodes.begin(), nodes.end(), [](const Node& n) { return n.optional; })) {
        throw malformed();
    }
    return nodes;
}

void CommandTable::Add(std::string_view pattern, Form form, Arity arity, Handler handler) {
    entries.push_back({Compile(pattern), form, arity, std::move(handler)});
}

// Matches input nodes against pattern nodes, trying each optional node both present and
// absent. On kMatch `suffixes` holds the handler's suffixes.
int CommandTable::MatchFrom(std::span<const Node> pattern, std::span<const std::string> input,
                            std::vector<int>& suffixes) {
    if (pattern.empty()) {
        return input.empty() ? kMatch : kNoMatch;
    }
    const Node& node = pattern.front();
    const bool takesSuffix = !node.suffixes.empty();
    int best = kNoMatch;
    if (!input.empty()) {
        const std::string& word = input.front();
        std::size_t nameLength = word.size();
        while (nameLength > 0 && IsDigit(word[nameLength - 1])) {
            --nameLength;
        }
        int nodeResult = kNoMatch;
        int suffix = 1;
        if (MatchesMnemonic(node.mnemonic, word) && !takesSuffix) {
            nodeResult = kMatch;
        } else if (MatchesMnemonic(node.mnemonic, std::string_view(word).substr(0, nameLength))) {
            const std::string_view digits = std::string_view(word).substr(nameLength);
            const bool parsed =
                digits.empty() ||
                std::from_chars(digits.data(), digits.data() + digits.size(), suffix).ec ==
                    std::errc();
            const bool allowed = parsed && std::find(node.suffixes.begin(), node.suffixes.end(),
                                                     suffix) != node.suffixes.end();
            nodeResult = allowed ? kMatch : kSuffixOutOfRange;
        }
        if (nodeResult != kNoMatch) {
            if (takesSuffix) {
                suffixes.push_back(suffix);
            }
            const int rest = MatchFrom(pattern.subspan(1), input.subspan(1), suffixes);
            if (rest == kMatch && nodeResult == kMatch) {
                return kMatch;
            }
            best = std::min(rest, nodeResult);
            if (takesSuffix) {
                suffixes.pop_back();
            }
        }
    }
    if (node.optional) {
        if (takesSuffix) {
            suffixes.push_back(1);
        }
        const int rest = MatchFrom(pattern.subspan(1), input, suffixes);
        if (rest == kMatch) {
            return kMatch;
        }
        best = std::max(best, rest);
        if (takesSuffix) {
            suffixes.pop_back();
        }
    }
    return best;
}

CommandTable::Lookup CommandTable::Find(const ProgramUnit& unit) const {
    Lookup lookup;
    lookup.error = kUndefinedHeader;
    lookup.detail = unit.Header();
    const Form wanted = unit.query ? Form::Query : Form::Set;
    for (const Entry& entry : entries) {
        std::vector<int> suffixes;
        const int result = MatchFrom(entry.nodes, unit.nodes, suffixes);
        if (result == kMatch && entry.form == wanted) {
            return {&entry.handler, entry.arity, std::move(suffixes), 0, {}};
        }
        if (result == kMatch && lookup.error == kUndefinedHeader) {
            lookup.detail = unit.Header() + (unit.query ? " (set only)" : " (query only)");
        } else if (result == kSuffixOutOfRange) {
            lookup.error = kHeaderSuffixOutOfRange;
            lookup.detail = unit.Header();
        }
    }
    return lookup;
}

} // namespace scpi
