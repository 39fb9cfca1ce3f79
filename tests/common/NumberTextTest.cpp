// SPDX-License-Identifier: MIT
#include "common/NumberText.h"

#include <gtest/gtest.h>

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
