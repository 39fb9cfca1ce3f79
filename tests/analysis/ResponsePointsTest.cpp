// SPDX-License-Identifier: MIT
// The rules that turn measured blocks into the points of a frequency response, and the tone the
// playback ring is playing.

#include "analysis/ResponsePoints.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>

namespace analysis {
namespace {

constexpr Tone kA{100, 32000};
constexpr Tone kB{200, 32000};
constexpr Tone kAQuieter{100, 16000};

struct Block {
    std::optional<Tone> tone;
    double currentMa = 0;
    double voltageMv = 0;
};

std::string Describe(const std::vector<ResponsePoint>& points) {
    std::ostringstream text;
    for (const ResponsePoint& p : points) {
        text << p.frequencyHz << " Hz " << p.currentMa << " mA " << p.voltageMv << " mV x"
             << p.blocks << "; ";
    }
    return text.str();
}

TEST(ResponsePoints, EachStretchOfOneToneGivesThePointOfItsInnerBlocks) {
    // 99 and 999 mark the blocks next to a change, which must not reach any mean.
    const struct {
        const char* name;
        std::vector<Block> blocks;
        std::vector<ResponsePoint> expected;
    } cases[] = {
        {"nothing measured", {}, {}},
        {"two blocks are both next to a change", {{kA, 99, 999}, {kA, 99, 999}}, {}},
        {"the first and the latest block are left out",
         {{kA, 99, 999}, {kA, 10, 100}, {kA, 20, 200}, {kA, 99, 999}},
         {{100, 15, 150, 2}}},
        {"two tones in turn",
         {{kA, 99, 999}, {kA, 10, 100}, {kA, 99, 999}, {kB, 99, 999}, {kB, 30, 300}, {kB, 99}},
         {{100, 10, 100, 1}, {200, 30, 300, 1}}},
        {"a frequency visited twice gives two points in time order",
         {{kA, 99}, {kA, 10}, {kA, 99}, {kB, 99}, {kB, 20}, {kB, 99}, {kA, 99}, {kA, 30}, {kA}},
         {{100, 10, 0, 1}, {200, 20, 0, 1}, {100, 30, 0, 1}}},
        {"a block of no tone (generator 2, swept signal) ends the stretch",
         {{kA, 99}, {kA, 10}, {kA, 99}, {std::nullopt, 5}, {kA, 99}, {kA, 30}, {kA, 99}},
         {{100, 10, 0, 1}, {100, 30, 0, 1}}},
        {"another amplitude at the same frequency is another stretch",
         {{kA, 99}, {kA, 10}, {kA, 99}, {kAQuieter, 99}, {kAQuieter, 5}, {kAQuieter, 99}},
         {{100, 10, 0, 1}, {100, 5, 0, 1}}},
        {"no tone at all", {{std::nullopt, 1}, {std::nullopt, 2}, {std::nullopt, 3}}, {}},
        {"zero readouts are readouts", {{kA}, {kA}, {kA}, {kA}}, {{100, 0, 0, 2}}},
    };
    for (const auto& c : cases) {
        ResponsePoints points;
        for (const Block& block : c.blocks) {
            points.AddBlock(block.tone, block.currentMa, block.voltageMv);
        }
        EXPECT_EQ(Describe(points.Points()), Describe(c.expected)) << c.name;
    }
}

TEST(ResponsePoints, APointsPhaseIsTheMeanOfItsBlocksOnTheCircleOrNone) {
    const struct {
        const char* name;
        std::vector<std::optional<double>> phases; // of the inner blocks
        std::optional<double> expected;
    } cases[] = {
        {"a capacitor's phases", {-46, -47, -48}, -47},
        {"either side of 180 degrees mean 180, not 0", {179, -179}, 180},
        {"one block without a phase leaves the point without one", {-46, std::nullopt}, {}},
    };
    for (const auto& c : cases) {
        ResponsePoints points;
        points.AddBlock(kA, 99, 999, 0); // next to the change: left out
        for (const auto& phase : c.phases) {
            points.AddBlock(kA, 10, 100, phase);
        }
        points.AddBlock(kA, 99, 999, 0); // the latest: held back
        const std::vector<ResponsePoint> result = points.Points();
        ASSERT_EQ(result.size(), 1u) << c.name;
        ASSERT_EQ(result[0].phaseDegrees.has_value(), c.expected.has_value()) << c.name;
        if (c.expected) {
            EXPECT_NEAR(std::remainder(*result[0].phaseDegrees - *c.expected, 360), 0, 1e-9)
                << c.name;
            // 100 mV / 10 mA = 10 ohm, split into its series parts.
            const double radians = *c.expected * std::numbers::pi / 180;
            EXPECT_NEAR(*ResistanceOhms(result[0]), 10 * std::cos(radians), 1e-9) << c.name;
            EXPECT_NEAR(*ReactanceOhms(result[0]), 10 * std::sin(radians), 1e-9) << c.name;
        } else {
            EXPECT_FALSE(ResistanceOhms(result[0]) || ReactanceOhms(result[0])) << c.name;
        }
    }
}

TEST(PlayedTones, ANewToneIsHeardOnceTheBuffersQueuedBeforeItHavePlayed) {
    PlayedTones played(4, kA);
    // Fills 1 to 3 replace buffers that played; the three queued before B still play A.
    for (int fill = 1; fill <= 3; ++fill) {
        played.BufferFilled(kB);
        EXPECT_EQ(played.Playing(), kA) << "after fill " << fill;
    }
    played.BufferFilled(kB);
    EXPECT_EQ(played.Playing(), kB);
    played.BufferFilled(std::nullopt);
    EXPECT_EQ(played.Playing(), kB) << "the swept signal is still queued";
}

TEST(PlayedTones, AStreamStartedAgainRefillsTheWholeRing) {
    PlayedTones played(4, kA);
    for (int fill = 0; fill < 4; ++fill) {
        played.BufferFilled(kB); // a start fills every buffer before any plays
    }
    EXPECT_EQ(played.Playing(), kB);
}

} // namespace
} // namespace analysis
