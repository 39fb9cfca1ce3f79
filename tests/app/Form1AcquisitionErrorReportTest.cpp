// SPDX-License-Identifier: MIT
// The default error report: an exception out of a handler, whether Qt delivered the event or
// the audio dispatcher ran a device notification, is reported and the program goes on.
// Runs in its own process, since the application object must be the reporting one.

#include "Form1TestRig.h"

#include "app/ErrorReport.h"
#include "app/QtDispatcher.h"
#include "common/NumberText.h"

#include <QMouseEvent>
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

void Click(QWidget& widget) {
    const QPointF centre(widget.width() / 2.0, widget.height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, centre, widget.mapToGlobal(centre), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, widget.mapToGlobal(centre),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
    QApplication::sendEvent(&widget, &release);
}

TEST(ErrorReport, AFailingControlHandlerIsReportedAndTheNextEventStillRuns) {
    EnsureReportingApplication();
    RecordedErrorReports reports;
    QPushButton button("apply");
    button.resize(60, 20);
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        ++clicks;
        common::StrToInt(" 4.0"); // a typed kHz readout is no integer
    });
    Click(button);
    Click(button);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(reports.Messages(),
              (std::vector<std::string>{"' 4.0' is not a valid integer value",
                                        "' 4.0' is not a valid integer value"}));
}

TEST(ErrorReport, TheIdleCycleGoesOnAfterAFailingPass) {
    EnsureReportingApplication();
    RecordedErrorReports reports;
    test::Form1Rig rig;
    TForm1& form = *rig.form;
    int passes = 0;
    form.OnBlockMeasured = [&] {
        ++passes;
        throw std::runtime_error("log disk full");
    };
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
