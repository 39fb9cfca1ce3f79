// SPDX-License-Identifier: MIT
// What the simulated card really plays while the panels drive the generators: generator 2's
// tone, generator 1 following the automatic generator's steps, the swept blocks, and the output
// ring returning to full after fill errors.

#include "Form1TestRig.h"

#include "app/window/ErrorReport.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace app {
namespace {

using test::Form1Rig;

constexpr std::size_t kBlock = 22050; // a generator 1 and 2 block, 0.5 s
constexpr std::size_t kSweepBlock = 5000;

// Keeps what the card's output plays; the input hears silence.
class OutputRecorder final : public platform::sim::CaptureSource {
public:
    explicit OutputRecorder(std::vector<std::int16_t>& played) : played_(played) {}
    void Render(const std::int16_t* played, std::size_t frames, std::int16_t* stereo) override {
        played_.insert(played_.end(), played, played + frames);
        std::fill(stereo, stereo + 2 * frames, 0);
    }

private:
    std::vector<std::int16_t>& played_;
};

struct RecordingRig : Form1Rig {
    RecordingRig() { card.SetSource(std::make_unique<OutputRecorder>(played)); }
    // Plays `frames` frames and lets the window refill what played out.
    void Play(std::size_t frames) {
        card.AdvanceFrames(frames);
        dispatcher.Drain();
    }
    std::vector<std::int16_t> played;
};

// Crossings between negative and non-negative samples: two per period of a sine.
int SignChanges(const std::vector<std::int16_t>& s, std::size_t from, std::size_t count) {
    int changes = 0;
    for (std::size_t i = from + 1; i < from + count; ++i) {
        changes += (s[i - 1] < 0) != (s[i] < 0);
    }
    return changes;
}

double FrequencyOf(const std::vector<std::int16_t>& s, std::size_t from, std::size_t count) {
    return SignChanges(s, from, count) / 2.0 / (static_cast<double>(count) / 44100);
}

TEST(GeneratorOutput, Generator2AloneAt12345Hz) {
    RecordingRig rig;
    TForm1& form = *rig.form;
    form.zobrazit2->trigger();
    form.ComboBox411->setCurrentIndex(2);
    emit form.ComboBox411->activated(2);
    form.ScrollBar406->setValue(12345);
    form.zruit1->trigger(); // generator 1 off, generator 2 goes on
    for (int block = 0; block < 8; ++block) {
        rig.Play(kBlock);
    }
    ASSERT_EQ(rig.played.size(), 8 * kBlock);
    EXPECT_NEAR(FrequencyOf(rig.played, 0, kBlock), 100, 2) << "the blocks queued before";
    for (std::size_t block = 5; block < 8; ++block) {
        EXPECT_NEAR(FrequencyOf(rig.played, block * kBlock, kBlock), 12345, 2) << block;
        const auto [low, high] = std::minmax_element(rig.played.begin() + block * kBlock,
                                                     rig.played.begin() + (block + 1) * kBlock);
        EXPECT_NEAR(*high, 1000, 5);
        EXPECT_NEAR(*low, -1000, 5);
    }
}

TEST(GeneratorOutput, Generator1FollowsTheAutomaticGeneratorsSteps) {
    RecordingRig rig;
    TForm1& form = *rig.form;
    form.zobrazit3->trigger();
    form.Button203->click(); // 100 to 200 Hz in steps of 10
    while (form.model.sweepRunning == 1) {
        form.Timer1Timer(form.Timer1);
        rig.Play(kBlock);
    }
    for (int block = 0; block < 5; ++block) {
        rig.Play(kBlock);
    }
    std::vector<int> steps;
    for (std::size_t from = 0; from + kBlock <= rig.played.size(); from += kBlock) {
        const int f =
            static_cast<int>(std::lround(FrequencyOf(rig.played, from, kBlock) / 10)) * 10;
        if (steps.empty() || steps.back() != f) {
            steps.push_back(f);
        }
    }
    EXPECT_EQ(steps, (std::vector<int>{100, 110, 120, 130, 140, 150, 160, 170, 180, 190, 200}));
}

TEST(GeneratorOutput, SweptBlocksRiseAndStartAgain) {
    RecordingRig rig;
    TForm1& form = *rig.form;
    form.zobrazit4->trigger();
    form.Button103->click();
    for (int block = 0; block < 4; ++block) {
        rig.Play(kBlock); // the four blocks queued at start-up play out
    }
    for (int block = 0; block < 12; ++block) {
        rig.Play(kSweepBlock);
    }
    const std::size_t first = 4 * kBlock;
    ASSERT_GE(rig.played.size(), first + 8 * kSweepBlock);
    for (std::size_t block = 0; block < 8; ++block) {
        const std::size_t at = first + block * kSweepBlock;
        EXPECT_EQ(rig.played[at], 0) << "each block starts at phase 0";
        // The phase is the sample's time times the frequency parameter, which rises 1 Hz every
        // 20 samples from 20 Hz; so the sound itself rises twice as fast, 20 Hz + n / 10:
        // 20 to 270 Hz in the first half, on to 520 Hz in the second.
        const double early = FrequencyOf(rig.played, at, kSweepBlock / 2);
        const double late = FrequencyOf(rig.played, at + kSweepBlock / 2, kSweepBlock / 2);
        EXPECT_NEAR(early, 145, 10) << block;
        EXPECT_NEAR(late, 395, 10) << block;
    }
}

// A bad step field loses a buffer at every block request; fixed again, the stream returns to
// its full ring and plays on without a gap.
TEST(GeneratorOutput, OutputRingRecoversOnceTheSweepFieldIsANumberAgain) {
    RecordingRig rig;
    TForm1& form = *rig.form;
    RecordedErrorReports reports;
    rig.dispatcher.SetErrorSink(ReportError);
    form.zobrazit4->trigger();
    form.Button103->click();
    form.Edit110->setText("abc");
    rig.Play(kBlock);
    rig.Play(kBlock);
    EXPECT_EQ(reports.Messages(), (std::vector<std::string>{"'abc' is not a valid integer value",
                                                            "'abc' is not a valid integer value"}));
    EXPECT_EQ(form.AudioOut1.BuffersPending(), 2);

    form.Edit110->setText("500");
    rig.Play(kBlock);
    EXPECT_EQ(form.AudioOut1.BuffersPending(), 4) << "the lost buffers are back in the ring";
    const std::size_t fixedAt = rig.played.size();
    for (int block = 0; block < 40; ++block) {
        rig.Play(kSweepBlock);
        ASSERT_EQ(form.AudioOut1.BuffersPending(), 4) << block;
    }
    EXPECT_EQ(reports.Messages().size(), 2u);
    // Continuous: no stretch of silence anywhere in what played since.
    int zeroRun = 0, longest = 0;
    for (std::size_t i = fixedAt; i < rig.played.size(); ++i) {
        zeroRun = rig.played[i] == 0 ? zeroRun + 1 : 0;
        longest = std::max(longest, zeroRun);
    }
    EXPECT_LT(longest, 3);
}

} // namespace
} // namespace app
