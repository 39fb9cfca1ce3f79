// SPDX-License-Identifier: MIT
#include "generator/AmplitudeReadout.h"

#include <gtest/gtest.h>

using generator::AmplitudeFromReadout;
using generator::Gen1AmplitudeText;
using generator::Gen2AmplitudeText;

TEST(AmplitudeReadout, Generator1PanelPositions) {
    EXPECT_EQ(Gen1AmplitudeText(32000), "1828");
    EXPECT_EQ(Gen1AmplitudeText(32767), "1872");
    EXPECT_EQ(Gen1AmplitudeText(16384), "936");
    EXPECT_EQ(Gen1AmplitudeText(8192), "468");
    EXPECT_EQ(Gen1AmplitudeText(4100), "234");
    EXPECT_EQ(Gen1AmplitudeText(164), "9");
    EXPECT_EQ(Gen1AmplitudeText(3000), "171");
    EXPECT_EQ(Gen1AmplitudeText(0), "0");
}

TEST(AmplitudeReadout, Generator2AndOptimumFactor) {
    EXPECT_EQ(Gen2AmplitudeText(32767), "1100");
    EXPECT_EQ(Gen2AmplitudeText(3000), "101");
    EXPECT_EQ(Gen2AmplitudeText(1000), "34");
}

TEST(AmplitudeReadout, TypedValueBackToSampleUnits) {
    EXPECT_EQ(AmplitudeFromReadout(100), 3277); // rnd(3276.7)
    EXPECT_EQ(Gen1AmplitudeText(AmplitudeFromReadout(100)), "187");
    EXPECT_EQ(AmplitudeFromReadout(-5), -164);
    EXPECT_EQ(AmplitudeFromReadout(2000000000), 2147483647); // limited, not wrapped
}
