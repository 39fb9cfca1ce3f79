// SPDX-License-Identifier: MIT
// Ending signals as a close on the UI thread, and a signal ignored at start (nohup) kept
// ignored.

#include "app/program/SignalClose.h"
#include "Form1TestRig.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <csignal>

namespace app {
namespace {

// Runs the event loop until `done` holds, at most a generous deadline.
template <typename Condition> bool ProcessEventsUntil(Condition done) {
    QDeadlineTimer deadline(10'000);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return done();
}

struct SavedAction {
    explicit SavedAction(int signal) : signal(signal) { sigaction(signal, nullptr, &action); }
    ~SavedAction() { sigaction(signal, &action, nullptr); }
    int signal;
    struct sigaction action {};
};

bool Ignored(int signal) {
    struct sigaction action {};
    sigaction(signal, nullptr, &action);
    return action.sa_handler == SIG_IGN;
}

TEST(SignalClose, AnEndingSignalClosesOnTheEventLoopWithItsExitCode) {
    test::EnsureApplication();
    const SavedAction saved(SIGTERM);
    for (int round = 0; round < 2; ++round) { // the second as a later wait makes its own
        int closes = 0;
        SignalClose ending([&closes] { ++closes; });
        raise(SIGTERM);
        EXPECT_EQ(ending.ReceivedSignal(), SIGTERM);
        EXPECT_TRUE(ProcessEventsUntil([&] { return closes == 1; })) << "round " << round;
        EXPECT_EQ(SignalClose::ExitCodeFor(ending.ReceivedSignal()), 143);
    }
}

// Started under nohup, the instrument must outlive the logout that sends SIGHUP.
TEST(SignalClose, ASignalIgnoredAtStartStaysIgnored) {
    test::EnsureApplication();
    const SavedAction saved(SIGHUP);
    std::signal(SIGHUP, SIG_IGN);
    int closes = 0;
    {
        SignalClose ending([&closes] { ++closes; });
        EXPECT_TRUE(Ignored(SIGHUP));
        raise(SIGHUP);
        EXPECT_EQ(ending.ReceivedSignal(), 0);
        QCoreApplication::processEvents();
    }
    EXPECT_TRUE(Ignored(SIGHUP)) << "the close put the default (ending) action in place";
    EXPECT_EQ(closes, 0);
}

} // namespace
} // namespace app
