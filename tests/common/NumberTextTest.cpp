// SPDX-License-Identifier: MIT
#include "common/NumberText.h"

#include <gtest/gtest.h>

#include <limits>

using common::ConvertError;
using common::FormatInt;
using common::FormatReal;
using common::StrToInt;

TEST(NumberText, IntegersPadLeftAndNeverCut) {
    EXPECT_EQ(FormatInt(465, 4), " 465");
    EXPECT_EQ(FormatInt(12345, 4), "12345");
    EXPECT_EQ(FormatInt(-7, 3), " -7");
    EXPECT_EQ(FormatInt(100), "100");
}

TEST(NumberText, RealsUseAPointWhateverTheLocaleAndPadLeft) {
    EXPECT_EQ(FormatReal(5.3, 1, 4), " 5.3");
    EXPECT_EQ(FormatReal(100.0, 1, 4), "100.0");
    EXPECT_EQ(FormatReal(1.2345, 2), "1.23");
    EXPECT_EQ(FormatReal(0.0, 1, 4), " 0.0");
    EXPECT_EQ(FormatReal(0.05, 2), "0.05");
    EXPECT_EQ(FormatReal(-2.5, 1, 5), " -2.5");
    EXPECT_EQ(FormatReal(12, 0, 3), " 12");
}

TEST(NumberText, AcceptsBlanksSignAndTheWhole32BitRange) {
    EXPECT_EQ(StrToInt("42"), 42);
    EXPECT_EQ(StrToInt("   -17"), -17);
    EXPECT_EQ(StrToInt("+5"), 5);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
}

TEST(NumberText, RejectsAnythingElseWithTheUsersText) {
    for (const char* bad :
         {"", " ", "12a", "1 2", "2147483648", "-2147483649", "+", "1.5", "12 "}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const ConvertError& e) {
            EXPECT_EQ(std::string(e.what()),
                      std::string("'") + bad + "' is not a valid integer value");
        }
    }
}

// A value beyond the 64-bit integer range was cast to one (undefined behaviour, and texts such as
// "-9223372036854775.80"); it is printed whole, and infinity and NaN by name.
TEST(NumberText, RealsBeyondTheIntegerRangeArePrintedWhole) {
    struct Case {
        long double value;
        int decimals;
        const char* expected;
    };
    const Case cases[] = {
        {-1e30, 2, "-1000000000000000019884624838656.00"},
        {1e19L, 0, "10000000000000000000"},
        {9.3e18L, 1, "9300000000000000000.0"},
        {1.5e17L, 2, "150000000000000000.00"},
        {std::numeric_limits<double>::infinity(), 2, "inf"},
        {-std::numeric_limits<double>::infinity(), 1, "-inf"},
        {std::numeric_limits<double>::quiet_NaN(), 2, "nan"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatReal(c.value, c.decimals), c.expected) << static_cast<double>(c.value);
    }
    const std::string huge = FormatReal(1e300, 2, 6);
    EXPECT_EQ(huge.size(), 301u + 3u);
    EXPECT_EQ(huge.substr(0, 20), "10000000000000000525");
    EXPECT_EQ(huge.substr(huge.size() - 3), ".00");
    EXPECT_EQ(FormatReal(std::numeric_limits<double>::infinity(), 0, 5), "  inf");
}
