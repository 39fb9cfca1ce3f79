// SPDX-License-Identifier: MIT
// --calibrate QUANTITY=VALUE: references in the quantity's units with a decimal point or comma,
// "reset", and every malformed value refused with what is wrong.

#include "measure/CalibrationRequest.h"

#include <gtest/gtest.h>

namespace measure {
namespace {

TEST(CalibrationRequest, ReferencesAreReadInTheQuantitysUnits) {
    struct Case {
        const char* text;
        measure::Channel channel;
        double reference; // mA or mV
        const char* unit;
    };
    const Case cases[] = {
        {"current=12.5mA", measure::Channel::L, 12.5, "mA"},
        {"current=12,5mA", measure::Channel::L, 12.5, "mA"},
        {"current=0.2 A", measure::Channel::L, 200, "A"},
        {"current=.5A", measure::Channel::L, 500, "A"},
        {"voltage=1.00V", measure::Channel::R, 1000, "V"},
        {"voltage=250mV", measure::Channel::R, 250, "mV"},
        {"voltage=+3,3V", measure::Channel::R, 3300, "V"},
    };
    for (const Case& c : cases) {
        const ParsedCalibrationRequest parsed = ParseCalibrationRequest(c.text);
        ASSERT_TRUE(parsed.request) << c.text << ": " << parsed.error;
        EXPECT_EQ(parsed.request->channel, c.channel) << c.text;
        EXPECT_DOUBLE_EQ(parsed.request->reference, c.reference) << c.text;
        EXPECT_EQ(parsed.request->unit, c.unit) << c.text;
        EXPECT_FALSE(parsed.request->reset) << c.text;
    }
    const ParsedCalibrationRequest reset = ParseCalibrationRequest("voltage=reset");
    ASSERT_TRUE(reset.request);
    EXPECT_TRUE(reset.request->reset);
    EXPECT_EQ(reset.request->channel, measure::Channel::R);
}

TEST(CalibrationRequest, MalformedValuesAreRefusedWithTheirFault) {
    struct Case {
        const char* text;
        const char* fault;
    };
    const Case cases[] = {
        {"current", "needs a reference value"},
        {"current=", "needs a reference value"},
        {"power=3W", "neither current nor voltage"},
        {"=3mA", "neither current nor voltage"},
        {"current=12.5", "needs a unit: mA or A"},
        {"current=12.5mV", "'mV' is not a unit of current"},
        {"voltage=1A", "'A' is not a unit of voltage"},
        {"voltage=1v", "'v' is not a unit of voltage"},
        {"current=abc", "not a number"},
        {"current=mA", "not a number"},
        {"current=1.2.3mA", "not a unit"},
        {"current=0mA", "above zero"},
        {"current=0,000mA", "above zero"},
        {"voltage=-1V", "above zero"},
        {"current=1e400mA", "not a unit"},
    };
    for (const Case& c : cases) {
        const ParsedCalibrationRequest parsed = ParseCalibrationRequest(c.text);
        EXPECT_FALSE(parsed.request) << c.text;
        EXPECT_NE(parsed.error.find(c.fault), std::string::npos) << c.text << ": " << parsed.error;
    }
}

// Stray digits or a wrong unit stored factors of 663 448 or 6.6e-10; such references are refused
// at once, by their value once the unit is applied.
TEST(CalibrationRequest, ReferencesNoInputCanMeasureAreRefused) {
    struct Case {
        const char* text;
        bool accepted;
    };
    const Case cases[] = {
        {"voltage=1000000V", false},
        {"voltage=10000000000000000000000000000000000000000V", false},
        {"voltage=0.000001mV", false},
        {"voltage=0.09mV", false},
        {"current=201A", false},
        {"current=200000000mA", false},
        {"voltage=0.1mV", true},
        {"voltage=200V", true},
        {"current=200000mA", true},
        {"voltage=1000000mV", false},
    };
    for (const Case& c : cases) {
        const ParsedCalibrationRequest parsed = ParseCalibrationRequest(c.text);
        EXPECT_EQ(parsed.request.has_value(), c.accepted) << c.text;
        if (!c.accepted) {
            EXPECT_NE(parsed.error.find("lies outside 0.1 m"), std::string::npos)
                << c.text << ": " << parsed.error;
        }
    }
}

TEST(CalibrationRequest, TheReferenceIsEchoedWithTheUsersDigits) {
    const std::pair<const char*, const char*> cases[] = {
        {"current=0.10322A", "0.10322 A"},
        {"voltage=1,5 V", "1,5 V"},
        {"voltage=+250mV", "+250 mV"},
        {"current=12.500mA", "12.500 mA"},
    };
    for (const auto& [text, echo] : cases) {
        const ParsedCalibrationRequest parsed = ParseCalibrationRequest(text);
        ASSERT_TRUE(parsed.request) << text << ": " << parsed.error;
        EXPECT_EQ(parsed.request->referenceText, echo) << text;
    }
}

} // namespace
} // namespace measure
