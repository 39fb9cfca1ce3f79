// SPDX-License-Identifier: MIT
// The event-driven idle cycle against the busy loop it replaces: the same blocks and the same
// user actions must leave the same screen and the same readouts at every step, and the cycle
// must sleep once nothing can change.

#include "Form1TestRig.h"

#include "app/window/ErrorReport.h"
#include "app/window/IdleCycle.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

namespace app::test {
namespace {

// Passes enough for the busy loop to settle after any step; the event-driven cycle must settle
// well within it.
constexpr int kBusyPasses = 40;

struct Instrument {
    explicit Instrument(IdleMode mode) {
        rig.form->SetIdleMode(mode);
        busy = mode == IdleMode::Busy;
        TForm1& f = *rig.form;
        subscription = f.model.Subscribe([this, &f](const instrument::Readings&) {
            rows.push_back(f.Edit4->text().toStdString() + "|" + f.Edit12->text().toStdString() +
                           "|" + f.Edit1->text().toStdString() + "|" +
                           f.Edit8->text().toStdString() + "|" +
                           std::to_string(f.model.measuredFrequencyL) + "|" +
                           std::to_string(f.model.measuredFrequencyR) + "|" +
                           std::to_string(static_cast<int>(f.model.appliedRangeL)) + "|" +
                           std::to_string(static_cast<int>(f.model.appliedRangeR)));
        });
    }

    // The idle passes that the event loop would run before it next waits for an event.
    int RunPasses() {
        TForm1& f = *rig.form;
        int passes = 0;
        while (f.idleTimer->isActive() && passes < (busy ? kBusyPasses : 10 * kBusyPasses)) {
            f.RunIdlePass();
            ++passes;
        }
        return passes;
    }

    // Card time moves on; its notifications (blocks, the end of a burst) arrive, then passes.
    int Advance(std::size_t frames) {
        rig.card.AdvanceFrames(frames);
        rig.dispatcher.Drain();
        return RunPasses();
    }

    Form1Rig rig;
    bool busy = false;
    std::vector<std::string> rows;
    instrument::Instrument::Subscription subscription;
};

void Choose(QComboBox* box, int item) {
    box->setCurrentIndex(item);
    emit box->activated(item);
}

// One user action, applied the same way to either instrument.
using Action = std::function<void(TForm1&)>;

TEST(IdleCycle, EventDrivenPassesLeaveWhatTheBusyLoopLeavesAtEveryStep) {
    RecordedErrorReports reports;
    Instrument busy(IdleMode::Busy);
    Instrument events(IdleMode::EventDriven);
    const std::vector<std::pair<std::string, Action>> steps = {
        {"no action", [](TForm1&) {}},
        {"no action", [](TForm1&) {}},
        {"time base 1 msec", [](TForm1& f) { Choose(f.ComboBox1, 7); }},
        {"time base automatic", [](TForm1& f) { Choose(f.ComboBox1, 0); }},
        {"manual current range", [](TForm1& f) { Choose(f.ComboBox9, 3); }},
        {"manual voltage range", [](TForm1& f) { Choose(f.ComboBox10, 5); }},
        {"automatic ranges",
         [](TForm1& f) {
             Choose(f.ComboBox9, 0);
             Choose(f.ComboBox10, 0);
         }},
        {"single shot", [](TForm1& f) { f.Button3->click(); }},
        {"clearing in single shot", [](TForm1& f) { f.file1->trigger(); }},
        {"periodic again", [](TForm1& f) { f.Button3->click(); }},
        {"channel L", [](TForm1& f) { f.RadioButton3->click(); }},
        {"channel R", [](TForm1& f) { f.RadioButton4->click(); }},
        {"trigger on L", [](TForm1& f) { Choose(f.ComboBox4, 1); }},
        {"both channels", [](TForm1& f) { f.RadioButton5->click(); }},
        {"clearing", [](TForm1& f) { f.file1->trigger(); }},
        {"generator 1 at 250 Hz", [](TForm1& f) { f.ScrollBar5->setValue(250); }},
    };
    busy.RunPasses();
    events.RunPasses();
    for (const auto& [name, action] : steps) {
        action(*busy.rig.form);
        action(*events.rig.form);
        // A burst's two blocks and the start of the next one, in uneven slices.
        for (std::size_t frames : {3000u, 6000u, 9000u}) {
            busy.Advance(frames);
            events.Advance(frames);
            ASSERT_TRUE(events.rig.form->Framebuffer().Image() ==
                        busy.rig.form->Framebuffer().Image())
                << "after " << name;
            ASSERT_EQ(events.rows, busy.rows) << "after " << name;
            ASSERT_FALSE(events.rig.form->idleTimer->isActive()) << "after " << name;
        }
    }
    EXPECT_GE(busy.rows.size(), steps.size());
    EXPECT_TRUE(reports.Messages().empty());
}

TEST(IdleCycle, SleepsAfterABlockOnceAPassChangesNothingAndWakesForTheNextEvent) {
    Instrument events(IdleMode::EventDriven);
    events.RunPasses();
    // A block: at least the two passes its traces need, and few more.
    const int passes = events.Advance(9000);
    EXPECT_GE(passes, 2);
    EXPECT_LE(passes, 6);
    // Nothing new: no pass at all.
    EXPECT_EQ(events.RunPasses(), 0);
    // A handler that changes nothing costs one pass.
    emit events.rig.form->ComboBox1->activated(events.rig.form->ComboBox1->currentIndex());
    EXPECT_EQ(events.RunPasses(), 1);
}

TEST(PassScheduler, RunsUntilAPassLeavesTheStateAsItFoundItAndAtLeastTheMinimum) {
    struct Case {
        int minimum;
        std::vector<std::uint64_t> digests; // after each pass, the last one ends the run
    };
    for (const Case& c : std::vector<Case>{
             {1, {7}},       // the event changed nothing the pass reads
             {1, {8, 9, 9}}, // changes, then settles
             {2, {7, 7}},    // unchanged, but a block needs two passes
             {2, {8, 9, 10, 10}},
         }) {
        PassScheduler scheduler;
        scheduler.AfterPass(7); // the last pass before the event
        scheduler.Arm(c.minimum);
        for (std::size_t k = 0; k < c.digests.size(); ++k) {
            // The state before a pass is digested only where an event may have changed it and
            // the pass may be the last.
            EXPECT_EQ(scheduler.NeedsDigestBefore(), k == 0 && c.minimum == 1) << "pass " << k;
            if (scheduler.NeedsDigestBefore()) {
                scheduler.BeforePass(7);
            }
            const bool more = scheduler.AfterPass(c.digests[k]);
            EXPECT_EQ(more, k + 1 < c.digests.size())
                << "pass " << k << " of minimum " << c.minimum;
            EXPECT_EQ(scheduler.NextPassRepeats(), !more) << "pass " << k;
        }
        // Only an event ends the settled state, also one during a repeated pass.
        EXPECT_FALSE(scheduler.AfterRepeatedPass());
        EXPECT_TRUE(scheduler.NextPassRepeats());
        scheduler.Arm();
        EXPECT_TRUE(scheduler.AfterRepeatedPass());
        EXPECT_FALSE(scheduler.NextPassRepeats());
        EXPECT_TRUE(scheduler.NeedsDigestBefore());
    }
}

} // namespace
} // namespace app::test
