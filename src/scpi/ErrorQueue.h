// SPDX-License-Identifier: MIT
#pragma once

// One client's error/event queue (read with SYSTem:ERRor?) and its IEEE 488.2 status bytes
// (*ESR?, *ESE, *STB?). Owned by the client's Session; used on the thread that runs it.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace scpi {

struct ErrorEntry {
    int code = 0;
    std::string detail; // after the standard text, separated by ';'; may be empty
};

// `-113,"Undefined header;FOO"`: the answer to SYSTem:ERRor? for one entry.
std::string FormatErrorEntry(const ErrorEntry& entry);

// First in, first out, at most kCapacity entries. When full, the newest entry is replaced by
// -350 "Queue overflow" and later errors are dropped until the client reads some.
class ErrorQueue {
public:
    static constexpr std::size_t kCapacity = 20;

    void Push(int code, std::string detail = {});
    ErrorEntry Pop(); // the oldest entry; 0 "No error" when empty
    void Clear() { entries.clear(); }
    std::size_t Count() const { return entries.size(); }

private:
    std::deque<ErrorEntry> entries;
};

// The Standard Event Status Register (ESR), its enable mask (ESE) and the status byte.
class Status {
public:
    // ESR bits of IEEE 488.2.
    static constexpr std::uint8_t kOperationComplete = 1U << 0;
    static constexpr std::uint8_t kQueryError = 1U << 2;
    static constexpr std::uint8_t kDeviceError = 1U << 3;
    static constexpr std::uint8_t kExecutionError = 1U << 4;
    static constexpr std::uint8_t kCommandError = 1U << 5;
    // Status byte bits: the SCPI error/event queue is not empty; an enabled ESR bit is set.
    static constexpr std::uint8_t kErrorQueueBit = 1U << 2;
    static constexpr std::uint8_t kEventSummaryBit = 1U << 5;

    // The ESR bit an error number sets: -1xx command, -2xx execution, -3xx and positive
    // device-specific, -4xx query; none for 0.
    static std::uint8_t EventBitFor(int code);

    void SetEvent(std::uint8_t bits) { esr |= bits; }
    std::uint8_t ReadAndClearEsr(); // *ESR?
    void ClearEsr() { esr = 0; }    // part of *CLS
    void SetEnable(std::uint8_t mask) { ese = mask; }
    std::uint8_t Enable() const { return ese; }
    std::uint8_t StatusByte(bool errorQueueNotEmpty) const; // *STB?

private:
    std::uint8_t esr = 0;
    std::uint8_t ese = 0; // 488.2: cleared at power-on, not by *CLS
};

} // namespace scpi
