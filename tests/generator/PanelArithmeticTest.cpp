// SPDX-License-Identifier: MIT
// The panels' range tables, generator 1's frequency steps and the automatic generator's plan.

#include "generator/AutoSweep.h"
#include "generator/PanelRanges.h"

#include <gtest/gtest.h>

#include <limits>

namespace generator {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

// Applies a range's moves to a scroll bar model that refuses a minimum above its maximum (and
// the reverse), as the window's scroll bars do, and counts the position changes.
struct Bar {
    int minimum, maximum, position, changes = 0;
    void Apply(const ScrollRange& range) {
        for (ScrollMove move : range) {
            const int before = position;
            switch (move.bound) {
            case ScrollBound::Minimum:
                ASSERT_LE(move.value, maximum) << "minimum above the maximum";
                minimum = move.value;
                break;
            case ScrollBound::Maximum:
                ASSERT_GE(move.value, minimum) << "maximum below the minimum";
                maximum = move.value;
                break;
            case ScrollBound::Position:
                position = move.value;
                break;
            }
            position = std::clamp(position, minimum, maximum);
            changes += position != before;
        }
    }
};

TEST(PanelRanges, EveryFrequencyItemReachesItsRangeFromEveryOther) {
    const int ranges[4][3] = {
        {20, 100, 50}, {100, 1000, 100}, {1000, 20000, 4000}, {10, 20000, 100}};
    for (int from = 0; from < 4; ++from) {
        for (int to = 0; to < 4; ++to) {
            Bar bar{ranges[from][0], ranges[from][1], ranges[from][2]};
            bar.Apply(*FrequencyRange(to));
            EXPECT_EQ(bar.minimum, ranges[to][0]) << from << " -> " << to;
            EXPECT_EQ(bar.maximum, ranges[to][1]) << from << " -> " << to;
            EXPECT_EQ(bar.position, ranges[to][2]) << from << " -> " << to;
        }
    }
    EXPECT_FALSE(FrequencyRange(4).has_value());
}

TEST(PanelRanges, KilohertzItemFromTheLowestRangeMovesThePositionTwice) {
    Bar bar{20, 100, 50};
    bar.Apply(*FrequencyRange(2));
    EXPECT_EQ(bar.changes, 2) << "to 1000 with the minimum, then to 4000";
    EXPECT_EQ((*FrequencyRange(2))[0].bound, ScrollBound::Maximum);
}

TEST(PanelRanges, AmplitudeItems) {
    struct Case {
        int item, maximum, position;
    };
    for (Case c : {Case{0, 32767, 16384}, Case{1, 16384, 8192}, Case{2, 8200, 4100},
                   Case{3, 3280, 164}, Case{6, 328, 164}}) {
        Bar bar{0, 32767, 32000};
        bar.Apply(*AmplitudeRange(c.item));
        EXPECT_EQ(bar.maximum, c.maximum) << c.item;
        EXPECT_EQ(bar.position, c.position) << c.item;
    }
    EXPECT_FALSE(AmplitudeRange(7).has_value());
    EXPECT_FALSE(AmplitudeRange(8).has_value());
    EXPECT_FALSE(AmplitudeRange(-1).has_value());
    EXPECT_TRUE(RangeRewritesAmplitude(0));
    EXPECT_TRUE(RangeRewritesAmplitude(1));
    EXPECT_FALSE(RangeRewritesAmplitude(2));
}

TEST(PanelRanges, Generator1FrequencySteps) {
    struct Case {
        int position;
        std::int32_t frequency;
        const char* text;
        int largeChange;
    };
    for (Case c : {Case{10, 10, " 10", 10}, Case{999, 999, " 999", 10},
                   // The text is the position in kHz, so 1049 and 1050 read 1.05 -> "1.1".
                   Case{1000, 1000, " 1.0", 100}, Case{1049, 1000, " 1.1", 100},
                   Case{1050, 1000, " 1.1", 100}, Case{1150, 1200, " 1.2", 100},
                   Case{2600, 2600, " 2.6", 100}, Case{12340, 12300, " 12.3", 100},
                   Case{20000, 20000, " 20.0", 100}}) {
        auto step = Gen1FrequencyAt(c.position);
        ASSERT_TRUE(step.has_value()) << c.position;
        EXPECT_EQ(step->frequency, c.frequency) << c.position;
        EXPECT_EQ(step->text, c.text) << c.position;
        EXPECT_EQ(step->largeChange, c.largeChange) << c.position;
        EXPECT_EQ(step->smallChange, c.largeChange / 10) << c.position;
    }
    EXPECT_FALSE(Gen1FrequencyAt(20001).has_value());
}

TEST(AutoSweep, PlansAndReplacements) {
    struct Case {
        SweepRequest request;
        std::int32_t from, to, step, interval, stepCount;
        std::optional<std::int32_t> shownFrom, shownTo, shownStep, shownDelay;
    };
    const std::optional<std::int32_t> none;
    for (const Case& c : {
             Case{{100, 200, 1, 10}, 100, 200, 10, 1000, 10, none, none, none, 1},
             Case{{100, 200, 3, 30}, 100, 200, 30, 3000, 3, none, none, none, none},
             Case{{500, 100, 1, 10}, 500, 100, 10, 1000, 1, none, none, none, 1},
             Case{{5, 0, 0, 0}, 20, 21, 1, 1000, 1, 20, 21, 1, 1},
             Case{{100, 200, -4, -3}, 100, 200, 1, 1000, 100, none, none, 1, 1},
             // Wide arithmetic: the largest span in steps of 1 Hz and a delay beyond the timer.
             Case{{20, kMax, kMax, 1},
                  20,
                  kMax,
                  1,
                  2147483000,
                  kMax - 20,
                  none,
                  none,
                  none,
                  2147483},
             Case{{kMax, kMax, 2147483, kMax},
                  kMax,
                  kMax,
                  kMax,
                  2147483000,
                  1,
                  none,
                  none,
                  none,
                  none},
         }) {
        const SweepPlan plan = PlanSweep(c.request);
        EXPECT_EQ(plan.from, c.from);
        EXPECT_EQ(plan.to, c.to);
        EXPECT_EQ(plan.step, c.step);
        EXPECT_EQ(plan.interval, c.interval);
        EXPECT_EQ(plan.stepCount, c.stepCount);
        EXPECT_EQ(plan.shownFrom, c.shownFrom);
        EXPECT_EQ(plan.shownTo, c.shownTo);
        EXPECT_EQ(plan.shownStep, c.shownStep);
        EXPECT_EQ(plan.shownDelay, c.shownDelay);
    }
}

TEST(AutoSweep, StepFrequenciesAreCappedNotWrapped) {
    EXPECT_EQ(SweepFrequency(100, 10, 3), 130);
    EXPECT_EQ(SweepFrequency(100, 30, 3), 190);
    EXPECT_EQ(SweepFrequency(kMax - 5, 10, 1), kMax);
    EXPECT_EQ(SweepFrequency(kMax, kMax, kMax), kMax);
    EXPECT_EQ(SweepRangeItem(99), 0);
    EXPECT_EQ(SweepRangeItem(100), 1);
}

} // namespace
} // namespace generator
