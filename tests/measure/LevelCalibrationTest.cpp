// SPDX-License-Identifier: MIT
// The calibrated peak that ranging sees, and the check of a calibration run's blocks.

#include "measure/LevelCalibration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace measure {
namespace {

TEST(LevelCalibration, FactorOneLeavesEveryPeakAsItIs) {
    for (int peak = 0; peak <= 65535; ++peak) {
        ASSERT_EQ(CalibratedPeak(static_cast<std::uint16_t>(peak), 1.0), peak);
    }
}

TEST(LevelCalibration, PeakScalesRoundsAndHoldsAtTheLargestValue) {
    struct Case {
        std::uint16_t peak;
        double factor;
        std::uint16_t expected;
    };
    const Case cases[] = {
        {1000, 2.0, 2000},
        {1000, 0.5, 500},
        {3, 0.5, 2} /* 1.5 to even */,
        {32768, 2.0, 65535},
        {32768, 1e9, 65535},
        {20000, 3.2767, 65534},
        {100, 0.0, 0},
        {1000, std::numeric_limits<double>::quiet_NaN(), 65535},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CalibratedPeak(c.peak, c.factor), c.expected) << c.peak << " x " << c.factor;
    }
}

std::vector<BlockLevel> Blocks(std::initializer_list<double> rms, std::uint16_t peak) {
    std::vector<BlockLevel> blocks;
    for (double value : rms) {
        blocks.push_back({value, peak});
    }
    return blocks;
}

TEST(LevelCalibration, VerdictRefusesClippedWeakUnsteadyAndEmptyBlocks) {
    struct Case {
        const char* what;
        std::vector<BlockLevel> blocks;
        const char* refusal; // part of the refusal, nullptr: accepted
    };
    std::vector<BlockLevel> oneClipped = Blocks({100, 100, 100}, 20000);
    oneClipped[1].peak = 32767;
    const Case cases[] = {
        {"steady", Blocks({100, 100.4, 100.9}, 20000), nullptr},
        {"spread just 1 %", Blocks({99.5, 100.5}, 20000), nullptr},
        {"spread over 1 %", Blocks({99.4, 100.6}, 20000), "not steady"},
        {"one block clipped", oneClipped, "clipped"},
        {"full scale", Blocks({100}, 32768), "clipped"},
        {"peak 327 of 32768", Blocks({1, 1}, 327), "too weak"},
        {"peak 328", Blocks({100, 100}, 328), nullptr},
        {"silence", Blocks({0, 0}, 0), "too weak"},
        {"no blocks", {}, "no block"},
    };
    for (const Case& c : cases) {
        const CalibrationVerdict verdict = EvaluateCalibration(c.blocks, 250.0);
        if (c.refusal == nullptr) {
            EXPECT_EQ(verdict.refusal, "") << c.what;
            EXPECT_GT(verdict.factor, 0) << c.what;
        } else {
            EXPECT_NE(verdict.refusal.find(c.refusal), std::string::npos)
                << c.what << ": " << verdict.refusal;
            EXPECT_EQ(verdict.factor, 0) << c.what;
        }
    }
}

TEST(LevelCalibration, FactorIsTheReferenceOverTheMeanRms) {
    const CalibrationVerdict verdict = EvaluateCalibration(Blocks({99.8, 100.2, 100}, 9000), 250);
    EXPECT_DOUBLE_EQ(verdict.measured, 100.0);
    EXPECT_DOUBLE_EQ(verdict.factor, 2.5);
    EXPECT_EQ(FactorText(verdict.factor), "×2.500");
    EXPECT_EQ(FactorText(1.98149), "×1.981");
    EXPECT_EQ(FactorsInForceText({}), "calibration: current none, voltage none");
    EXPECT_EQ(FactorsInForceText({1.0, 0.5}), "calibration: current none, voltage ×0.500");
}

// A reference off by a unit (1000000 V for 1 V) or by digits gave factors of 663 448 or 6.6e-10
// that made every later readout absurd: only 20 dB either way is taken.
TEST(LevelCalibration, FactorsBeyondTwentyDecibelsEitherWayAreRefused) {
    struct Case {
        double reference; // over a measured mean of 100
        bool accepted;
    };
    const Case cases[] = {
        {10.0, true},
        {1000.0, true},
        {9.99, false},
        {1000.1, false},
        {1e9, false},
        {1e-7, false},
        {1e40, false},
        {std::numeric_limits<double>::infinity(), false},
        {std::numeric_limits<double>::quiet_NaN(), false},
    };
    for (const Case& c : cases) {
        const CalibrationVerdict verdict =
            EvaluateCalibration(Blocks({100, 100}, 9000), c.reference);
        if (c.accepted) {
            EXPECT_EQ(verdict.refusal, "") << c.reference;
            EXPECT_DOUBLE_EQ(verdict.factor, c.reference / 100) << c.reference;
        } else {
            EXPECT_NE(verdict.refusal.find("is outside ×0.100 to ×10.000"), std::string::npos)
                << c.reference << ": " << verdict.refusal;
            EXPECT_EQ(verdict.factor, 0) << c.reference;
        }
    }
    EXPECT_TRUE(FactorWithinBounds(0.1));
    EXPECT_TRUE(FactorWithinBounds(10));
    EXPECT_FALSE(FactorWithinBounds(0));
    EXPECT_FALSE(FactorWithinBounds(-1));
}

} // namespace
} // namespace measure
