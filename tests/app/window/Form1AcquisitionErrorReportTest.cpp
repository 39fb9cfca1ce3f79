// SPDX-License-Identifier: MIT
// The default error report: an exception out of a handler, whether Qt delivered the event or
// the audio dispatcher ran a device notification, is reported and the program goes on.
// Runs in its own process, since the application object must be the reporting one.

#include "Form1TestRig.h"

#include "app/program/QtDispatcher.h"
#include "app/window/ErrorReport.h"
#include "common/NumberText.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace app {
namespace {

void EnsureReportingApplication() {
    static int argc = 1;
    static char name[] = "app_error_report_tests";
    static char* argv[] = {name, nullptr};
    static ErrorReportApplication* application = new ErrorReportApplication(argc, argv);
    ASSERT_EQ(QApplication::instance(), application);
}

// Runs the event loop until `done` holds or a second has passed.
template <class Condition> bool ProcessUntil(Condition done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

// Presses and releases the space bar on a button, which clicks it.
void Click(QWidget& widget) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(&widget, &press);
    QApplication::sendEvent(&widget, &release);
}

// A control whose own event handler fails on user events.
class FailingControl : public QWidget {
public:
    int handled = 0;

protected:
    bool event(QEvent* event) override {
        if (event->type() != QEvent::User) {
            return QWidget::event(event);
        }
        ++handled;
        throw std::runtime_error("event " + std::to_string(handled) + " failed");
    }
};

TEST(ErrorReport, AFailingSlotIsReportedAndTheControlGoesOnWorking) {
    EnsureReportingApplication();
    RecordedErrorReports reports;
    QPushButton button("apply");
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, Reported([&] {
        ++clicks;
        common::StrToInt(" 4.0"); // a typed kHz readout is no integer
    }));
    Click(button);
    Click(button);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(reports.Messages(),
              (std::vector<std::string>{"' 4.0' is not a valid integer value",
                                        "' 4.0' is not a valid integer value"}));
}

TEST(ErrorReport, AFailingEventHandlerIsReportedAndLaterEventsStillRun) {
    EnsureReportingApplication();
    RecordedErrorReports reports;
    FailingControl control;
    QCoreApplication::postEvent(&control, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&control, new QEvent(QEvent::User));
    ASSERT_TRUE(ProcessUntil([&] { return control.handled == 2; }));
    EXPECT_EQ(reports.Messages(), (std::vector<std::string>{"event 1 failed", "event 2 failed"}));
}

TEST(ErrorReport, TheIdleCycleGoesOnAfterAFailingPass) {
    EnsureReportingApplication();
    RecordedErrorReports reports;
    test::Form1Rig rig;
    TForm1& form = *rig.form;
    int passes = 0;
    const auto subscription = form.model.Subscribe([&](const instrument::Readings&) {
        ++passes;
        throw std::runtime_error("log disk full");
    });
    std::vector<char> block(32000);
    int size = 32000;
    form.AudioIn1BufferFilled(block.data(), size);
    ASSERT_TRUE(ProcessUntil([&] { return passes == 1; }));
    form.AudioIn1BufferFilled(block.data(), size);
    EXPECT_TRUE(ProcessUntil([&] { return passes == 2; })) << "the idle timer still fires";
    EXPECT_EQ(reports.Messages(), (std::vector<std::string>{"log disk full", "log disk full"}));
}

TEST(ErrorReport, DispatchedWorkRunsInOrderOnTheUiThreadAndFailuresAreReported) {
    EnsureReportingApplication();
    RecordedErrorReports reports;
    QtDispatcher dispatcher;
    dispatcher.SetErrorSink(ReportError);
    std::vector<int> ran;
    std::vector<bool> onUiThread;
    std::thread poster([&] {
        for (int i = 0; i < 50; ++i) {
            dispatcher.Post([&, i] {
                ran.push_back(i);
                onUiThread.push_back(QThread::currentThread() == qApp->thread());
                if (i == 10) {
                    throw common::ConvertError("'abc' is not a valid integer value");
                }
                if (i == 20) {
                    throw 42;
                }
            });
        }
    });
    poster.join();
    ASSERT_TRUE(ProcessUntil([&] { return ran.size() == 50; }));
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(ran[i], i);
        EXPECT_TRUE(onUiThread[i]);
    }
    EXPECT_EQ(reports.Messages(),
              (std::vector<std::string>{"'abc' is not a valid integer value", "unknown error"}));
}

TEST(ErrorReport, RecordersNestAndRestoreTheOuterOne) {
    RecordedErrorReports outer;
    {
        RecordedErrorReports inner;
        ReportError(std::make_exception_ptr(std::runtime_error("inner")));
        EXPECT_EQ(inner.Messages().size(), 1u);
    }
    ReportError(std::make_exception_ptr(std::runtime_error("outer")));
    EXPECT_EQ(outer.Messages(), std::vector<std::string>{"outer"});
}

} // namespace
} // namespace app
