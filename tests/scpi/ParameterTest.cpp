// SPDX-License-Identifier: MIT
#include "scpi/Parameter.h"
#include "scpi/Error.h"
#include "scpi/Parser.h"

#include <gtest/gtest.h>

#include <string>

using scpi::Range;

namespace {

scpi::Parameter Param(const std::string& text) {
    const scpi::ParsedMessage parsed = scpi::ParseMessage("X " + text);
    EXPECT_FALSE(parsed.error) << text;
    return parsed.units.at(0).parameters.at(0);
}

int ErrorOf(const auto& convert) {
    try {
        convert();
    } catch (const scpi::Error& e) {
        return e.Code();
    }
    return 0;
}

constexpr Range kFrequency{"HZ", 10, 20e3, 1000};
constexpr Range kVoltage{"V", 0, 2, std::nullopt};
constexpr Range kCurrent{"A", -1, 1, std::nullopt};
constexpr Range kCount{"", 1, 100, std::nullopt};

struct NumberCase {
    const char* text;
    Range range;
    double value; // exact: the double nearest the written decimal value
};

class ToNumber : public testing::TestWithParam<NumberCase> {};

TEST_P(ToNumber, AppliesTheMultiplierInDecimal) {
    EXPECT_EQ(scpi::ToNumber(Param(GetParam().text), GetParam().range), GetParam().value)
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToNumber,
    testing::Values(NumberCase{"1 kHz", kFrequency, 1000}, NumberCase{"1.5e3", kFrequency, 1500},
                    NumberCase{"1.5E3HZ", kFrequency, 1500}, NumberCase{"0.02MHZ", kFrequency, 2e4},
                    NumberCase{"100 mV", kVoltage, 0.1}, NumberCase{"10mV", kVoltage, 0.01},
                    NumberCase{"9 mv", kVoltage, 0.009}, // 9 * 0.001 would not give 0.009
                    NumberCase{".5", kVoltage, 0.5}, NumberCase{"1.7 V", kVoltage, 1.7},
                    NumberCase{"-5 mA", kCurrent, -0.005}, NumberCase{"5 UA", kCurrent, 5e-6},
                    NumberCase{"+7", kCount, 7}, NumberCase{"MIN", kFrequency, 10},
                    NumberCase{"maximum", kFrequency, 20e3}, NumberCase{"DEF", kFrequency, 1000},
                    NumberCase{"10", kFrequency, 10}, NumberCase{"20000", kFrequency, 20e3}));

struct NumberErrorCase {
    const char* text;
    Range range;
    int code;
};

class ToNumberErrors : public testing::TestWithParam<NumberErrorCase> {};

TEST_P(ToNumberErrors, ReportTheFittingNumber) {
    const scpi::Parameter p = Param(GetParam().text);
    EXPECT_EQ(ErrorOf([&] { scpi::ToNumber(p, GetParam().range); }), GetParam().code)
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToNumberErrors,
    testing::Values(NumberErrorCase{"9.99", kFrequency, scpi::kDataOutOfRange},
                    NumberErrorCase{"20.001 kHz", kFrequency, scpi::kDataOutOfRange},
                    NumberErrorCase{"2.1", kVoltage, scpi::kDataOutOfRange},
                    NumberErrorCase{"1 kV", kFrequency, scpi::kInvalidSuffix},
                    NumberErrorCase{"1 k", kFrequency, scpi::kInvalidSuffix},
                    NumberErrorCase{"1 mVV", kVoltage, scpi::kInvalidSuffix},
                    NumberErrorCase{"5 Hz", kCount, scpi::kSuffixNotAllowed},
                    NumberErrorCase{"'5'", kCount, scpi::kDataTypeError},
                    NumberErrorCase{"FAST", kCount, scpi::kInvalidCharacterData},
                    NumberErrorCase{"DEF", kVoltage, scpi::kInvalidCharacterData},
                    NumberErrorCase{"1e-400", kVoltage, scpi::kNumericDataError}));

TEST(ToChoice, LongOrShortFormOnly) {
    const auto choose = [](const char* text) {
        return scpi::ToChoice(Param(text), {"VOLTage", "CURRent"});
    };
    EXPECT_EQ(choose("volt"), 0U);
    EXPECT_EQ(choose("CURRENT"), 1U);
    EXPECT_EQ(ErrorOf([&] { choose("VOLTA"); }), scpi::kInvalidCharacterData);
    EXPECT_EQ(ErrorOf([&] { choose("1"); }), scpi::kDataTypeError);
}

TEST(ToBoolean, OnOffAndRoundedNumbers) {
    EXPECT_TRUE(scpi::ToBoolean(Param("on")));
    EXPECT_FALSE(scpi::ToBoolean(Param("OFF")));
    EXPECT_TRUE(scpi::ToBoolean(Param("1")));
    EXPECT_FALSE(scpi::ToBoolean(Param("0")));
    EXPECT_FALSE(scpi::ToBoolean(Param("0.4")));
    EXPECT_TRUE(scpi::ToBoolean(Param("-2")));
    EXPECT_EQ(ErrorOf([] { scpi::ToBoolean(Param("TRUE")); }), scpi::kInvalidCharacterData);
    EXPECT_EQ(ErrorOf([] { scpi::ToBoolean(Param("1 V")); }), scpi::kSuffixNotAllowed);
    EXPECT_EQ(ErrorOf([] { scpi::ToText(Param("ON")); }), scpi::kDataTypeError);
}

} // namespace
