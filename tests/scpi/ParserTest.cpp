// SPDX-License-Identifier: MIT
#include "scpi/Parser.h"
#include "scpi/Error.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using scpi::Parameter;
using scpi::ParseMessage;

namespace {

// The headers of a message's units joined by ' ', for compact expectations.
std::string Headers(const scpi::ParsedMessage& parsed) {
    std::string text;
    for (const scpi::ProgramUnit& unit : parsed.units) {
        text += (text.empty() ? "" : " ") + unit.Header();
    }
    return text;
}

struct HeaderCase {
    const char* message;
    const char* headers;
};

class ParserHeaders : public testing::TestWithParam<HeaderCase> {};

TEST_P(ParserHeaders, ResolveToFullPaths) {
    const scpi::ParsedMessage parsed = ParseMessage(GetParam().message);
    ASSERT_FALSE(parsed.error) << parsed.error->code << " " << parsed.error->detail;
    EXPECT_EQ(Headers(parsed), GetParam().headers);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParserHeaders,
    testing::Values(HeaderCase{"meas:volt:ac?", "MEAS:VOLT:AC?"},
                    HeaderCase{"  :Measure:Voltage?  ", "MEASURE:VOLTAGE?"},
                    // After ';' a header continues at the previous header's branch...
                    HeaderCase{"SOUR2:FREQ 1000;VOLT 0.5", "SOUR2:FREQ SOUR2:VOLT"},
                    HeaderCase{"MEAS:VOLT:AC?;DC?", "MEAS:VOLT:AC? MEAS:VOLT:DC?"},
                    // ...a leading ':' returns to the root...
                    HeaderCase{"SOUR:FREQ 1;:OUTP ON", "SOUR:FREQ OUTP"},
                    // ...and common commands leave the branch alone.
                    HeaderCase{"SYST:ERR?;*CLS;ERR?", "SYST:ERR? *CLS SYST:ERR?"},
                    HeaderCase{"*idn?;*rst", "*IDN? *RST"},
                    // Empty units are harmless; every line starts at the root.
                    HeaderCase{";;*OPC?;", "*OPC?"}, HeaderCase{"", ""}));

TEST(Parser, ParametersOfEachType) {
    const auto parsed = ParseMessage("CMD -1.5e+3 kHz,volt,'it''s',\"a\"\"b\",.5,+7e-2mv");
    ASSERT_FALSE(parsed.error);
    ASSERT_EQ(parsed.units.size(), 1U);
    const std::vector<Parameter>& p = parsed.units[0].parameters;
    ASSERT_EQ(p.size(), 6U);
    EXPECT_EQ(p[0].type, Parameter::Type::Numeric);
    EXPECT_EQ(p[0].text, "-1.5");
    EXPECT_EQ(p[0].exponent, 3);
    EXPECT_EQ(p[0].suffix, "KHZ");
    EXPECT_EQ(p[1].type, Parameter::Type::Character);
    EXPECT_EQ(p[1].text, "VOLT");
    EXPECT_EQ(p[2].type, Parameter::Type::String);
    EXPECT_EQ(p[2].text, "it's");
    EXPECT_EQ(p[3].text, "a\"b");
    EXPECT_EQ(p[4].text, ".5");
    EXPECT_EQ(p[5].exponent, -2);
    EXPECT_EQ(p[5].suffix, "MV");
}

TEST(Parser, SemicolonInsideAStringDoesNotSplit) {
    const auto parsed = ParseMessage("DISP:TEXT \"a;b\";*OPC?");
    ASSERT_FALSE(parsed.error);
    ASSERT_EQ(parsed.units.size(), 2U);
    EXPECT_EQ(parsed.units[0].parameters[0].text, "a;b");
}

TEST(Parser, Utf8InsideAStringIsKept) {
    const auto parsed = ParseMessage("NAME \"\xC2\xB5V \xE2\x82\xAC\"");
    ASSERT_FALSE(parsed.error);
    EXPECT_EQ(parsed.units[0].parameters[0].text, "\xC2\xB5V \xE2\x82\xAC");
}

struct ErrorCase {
    std::string message;
    int code;
    std::size_t unitsBefore; // well-formed units before the error
};

class ParserErrors : public testing::TestWithParam<ErrorCase> {};

TEST_P(ParserErrors, StopAtTheFirstMalformedUnitOnly) {
    const scpi::ParsedMessage parsed = ParseMessage(GetParam().message);
    EXPECT_EQ(parsed.error ? parsed.error->code : scpi::kNoError, GetParam().code)
        << GetParam().message;
    EXPECT_EQ(parsed.units.size(), GetParam().unitsBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParserErrors,
    testing::Values(
        ErrorCase{"*CLS;MEAS::VOLT?", scpi::kSyntaxError, 1},
        ErrorCase{"MEAS:", scpi::kSyntaxError, 0}, ErrorCase{"*", scpi::kSyntaxError, 0},
        ErrorCase{"FREQ 1,", scpi::kSyntaxError, 0}, ErrorCase{"FREQ ,1", scpi::kSyntaxError, 0},
        ErrorCase{"FREQ 1 2", scpi::kInvalidSeparator, 0},
        ErrorCase{"OUTP ON OFF", scpi::kInvalidSeparator, 0},
        ErrorCase{"MEAS:FREQ?VOLT", scpi::kHeaderSeparatorError, 0},
        ErrorCase{"FREQ -", scpi::kNumericDataError, 0},
        ErrorCase{"FREQ 1e9999999", scpi::kNumericDataError, 0},
        ErrorCase{"SOURCEFREQUENCY 1", scpi::kMnemonicTooLong, 0},
        ErrorCase{"FUNC SINUSOIDALWAVE", scpi::kCharacterDataTooLong, 0},
        ErrorCase{"NAME 'open", scpi::kInvalidStringData, 0},
        ErrorCase{"NAME '\xC3('", scpi::kInvalidStringData, 0},
        ErrorCase{"NAME '\xED\xA0\x80'", scpi::kInvalidStringData, 0}, // surrogate
        ErrorCase{"DATA #12ab", scpi::kBlockDataNotAllowed, 0},
        ErrorCase{"*RST;A:B:C:D:E:F:G:H:I:J:K:L:M:N:O:P;Q", scpi::kNoError, 3},
        ErrorCase{"*RST;A:B:C:D:E:F:G:H:I:J:K:L:M:N:O:P:Q;R", scpi::kUndefinedHeader, 1},
        // Bytes that never belong outside a string, wherever they stand.
        ErrorCase{std::string("*RST;\0*IDN?", 11), scpi::kInvalidCharacter, 1},
        ErrorCase{"MEAS:VOLT?\x01", scpi::kInvalidCharacter, 0},
        ErrorCase{"\xFF\xFE\x80", scpi::kInvalidCharacter, 0},
        ErrorCase{"FREQ \xC2\xB5", scpi::kInvalidCharacter, 0},
        ErrorCase{"NAME 'a\rb'", scpi::kInvalidCharacter, 0}));

} // namespace
