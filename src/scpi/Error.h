// SPDX-License-Identifier: MIT
#pragma once

// The SCPI error and event numbers this instrument reports, their standard texts, and the
// exception a command handler throws to report one. Pure; callable from any thread.

#include <stdexcept>
#include <string>
#include <string_view>

namespace scpi {

// Standard numbers: -1xx command errors (the message was malformed), -2xx execution errors (it
// was understood but cannot be carried out), -3xx device-specific errors, -4xx query errors.
// Positive numbers are free for the instrument's own device-specific events.
constexpr int kNoError = 0;
constexpr int kCommandError = -100;
constexpr int kInvalidCharacter = -101;
constexpr int kSyntaxError = -102;
constexpr int kInvalidSeparator = -103;
constexpr int kDataTypeError = -104;
constexpr int kParameterNotAllowed = -108;
constexpr int kMissingParameter = -109;
constexpr int kHeaderSeparatorError = -111;
constexpr int kMnemonicTooLong = -112;
constexpr int kUndefinedHeader = -113;
constexpr int kHeaderSuffixOutOfRange = -114;
constexpr int kNumericDataError = -120;
constexpr int kInvalidSuffix = -131;
constexpr int kSuffixNotAllowed = -138;
constexpr int kInvalidCharacterData = -141;
constexpr int kCharacterDataTooLong = -144;
constexpr int kInvalidStringData = -151;
constexpr int kBlockDataNotAllowed = -168;
constexpr int kExecutionError = -200;
constexpr int kSettingsConflict = -221;
constexpr int kDataOutOfRange = -222;
constexpr int kTooMuchData = -223;
constexpr int kDataStale = -230;
constexpr int kHardwareError = -240;
constexpr int kDeviceSpecificError = -300;
constexpr int kQueueOverflow = -350;

// The standard text of a number ("Undefined header" for -113); for a number without a text of
// its own, the text of its class ("Command error" for -1xx, ...); "" for positive numbers.
std::string_view ErrorText(int code);

// Thrown by a handler or a parameter conversion: the session puts it into the client's error
// queue. `detail` is appended to the standard text after a ';' (what was wrong, in a few words).
class Error : public std::runtime_error {
public:
    explicit Error(int code, std::string detail = {});
    int Code() const { return code; }
    const std::string& Detail() const { return detail; }

private:
    int code;
    std::string detail;
};

} // namespace scpi
