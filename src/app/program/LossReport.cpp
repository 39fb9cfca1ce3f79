// SPDX-License-Identifier: MIT
#include "app/program/LossReport.h"

namespace app {

namespace {

std::string Count(std::uint64_t count, const std::string& what) {
    return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

// "4 s", "12 min 4 s", "2 h 5 min".
std::string Span(std::chrono::seconds span) {
    const auto seconds = span.count();
    if (seconds < 60) {
        return std::to_string(seconds) + " s";
    }
    if (seconds < 3600) {
        return std::to_string(seconds / 60) + " min " + std::to_string(seconds % 60) + " s";
    }
    return std::to_string(seconds / 3600) + " h " + std::to_string(seconds % 3600 / 60) + " min";
}

} // namespace

std::string LostBlocksLine(std::uint64_t overruns, std::uint64_t underruns,
                           std::chrono::seconds span) {
    if (overruns == 0 && underruns == 0) {
        return {};
    }
    std::string counts;
    if (overruns != 0) {
        counts = Count(overruns, "capture overrun");
    }
    if (underruns != 0) {
        counts += (counts.empty() ? "" : " and ") + Count(underruns, "playback underrun");
    }
    return "osciloskop: " + counts + " in " + Span(span);
}

} // namespace app
