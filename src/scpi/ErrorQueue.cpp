// SPDX-License-Identifier: MIT
#include "scpi/ErrorQueue.h"

#include "scpi/Error.h"
#include "scpi/Reply.h"

#include <utility>

namespace scpi {

std::string FormatErrorEntry(const ErrorEntry& entry) {
    std::string text(ErrorText(entry.code));
    if (!entry.detail.empty()) {
        text += text.empty() ? "" : ";"; // an instrument's own number has no standard text
        text += entry.detail;
    }
    return FormatNr1(entry.code) + ',' + FormatString(text);
}

void ErrorQueue::Push(int code, std::string detail) {
    // SCPI caps the whole error string at 255 characters; a detail never needs more than this.
    constexpr std::size_t kMaxDetail = 80;
    if (detail.size() > kMaxDetail) {
        detail.resize(kMaxDetail);
    }
    if (entries.size() < kCapacity) {
        entries.push_back({code, std::move(detail)});
    } else if (entries.back().code != kQueueOverflow) {
        entries.back() = {kQueueOverflow, {}};
    }
}

ErrorEntry ErrorQueue::Pop() {
    if (entries.empty()) {
        return {};
    }
    ErrorEntry oldest = std::move(entries.front());
    entries.pop_front();
    return oldest;
}

std::uint8_t Status::EventBitFor(int code) {
    if (code > 0) {
        return kDeviceError;
    }
    switch (-code / 100) {
    case 1:
        return kCommandError;
    case 2:
        return kExecutionError;
    case 3:
        return kDeviceError;
    case 4:
        return kQueryError;
    default:
        return 0;
    }
}

std::uint8_t Status::ReadAndClearEsr() {
    const std::uint8_t value = esr;
    esr = 0;
    return value;
}

std::uint8_t Status::StatusByte(bool errorQueueNotEmpty) const {
    std::uint8_t stb = errorQueueNotEmpty ? kErrorQueueBit : 0;
    if ((esr & ese) != 0) {
        stb |= kEventSummaryBit;
    }
    return stb;
}

} // namespace scpi
