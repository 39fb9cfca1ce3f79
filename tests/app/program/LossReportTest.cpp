// SPDX-License-Identifier: MIT
// The lines that tell the user at close what the sound card lost and which volumes are left
// for them to set.

#include "app/program/LossReport.h"
#include "app/window/VolumeNotes.h"

#include <gtest/gtest.h>

#include <cstring>

namespace app {
namespace {

using std::chrono::seconds;

TEST(LossReport, CountsSpanAndPluralsInOneLineNothingWhenNoneLost) {
    const struct {
        std::uint64_t overruns;
        std::uint64_t underruns;
        long span;
        const char* line;
    } cases[] = {
        {0, 0, 3600, ""},
        {3, 1, 724, "osciloskop: 3 capture overruns and 1 playback underrun in 12 min 4 s"},
        {1, 0, 59, "osciloskop: 1 capture overrun in 59 s"},
        {0, 2, 60, "osciloskop: 2 playback underruns in 1 min 0 s"},
        {0, 1, 0, "osciloskop: 1 playback underrun in 0 s"},
        {12, 0, 7530, "osciloskop: 12 capture overruns in 2 h 5 min"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LostBlocksLine(c.overruns, c.underruns, seconds(c.span)), c.line);
    }
}

TEST(VolumeNotes, LevelsInWholePercentLeftInLowBits) {
    const struct {
        std::uint32_t volume;
        const char* levels;
    } cases[] = {
        {0x5EB85EB8, "(left 37 %, right 37 %)"}, {0x0000FFFF, "(left 100 %, right 0 %)"},
        {0xFFFF0000, "(left 0 %, right 100 %)"}, {0x9C289C28, "(left 61 %, right 61 %)"},
        {0x00000000, "(left 0 %, right 0 %)"},
    };
    for (const auto& c : cases) {
        const std::string line = UnrestoredVolumeLine("Master", c.volume, "why");
        EXPECT_NE(line.find(std::string("'Master' ") + c.levels + ": why; set it by hand"),
                  std::string::npos)
            << line;
    }
}

TEST(VolumeNotes, ImmediateExitNoteIsTheLatestAndEmptyOnceCleared) {
    std::size_t length = 99;
    SetImmediateExitNote("first\n");
    const char* first = ImmediateExitNote(length);
    SetImmediateExitNote("second\n");
    EXPECT_STREQ(first, "first\n") << "a replaced note stays readable for a handler";
    const char* second = ImmediateExitNote(length);
    EXPECT_EQ(std::string(second, length), "second\n");
    SetImmediateExitNote({});
    ImmediateExitNote(length);
    EXPECT_EQ(length, 0u);
}

} // namespace
} // namespace app
