// SPDX-License-Identifier: MIT
#include "app/window/ErrorReport.h"

#include <QMessageBox>

#include <deque>
#include <iostream>

namespace app {

namespace {

RecordedErrorReports* recorder = nullptr;
std::function<void()> handlerListener;

// Messages waiting for the box that is open now; the box is shown from the first call only.
std::deque<std::string> waiting;
bool boxOpen = false;
int scriptLine = 0;

void ShowBoxes() {
    boxOpen = true;
    while (!waiting.empty()) {
        const QString text = QString::fromStdString(waiting.front());
        QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(), text);
        waiting.pop_front();
    }
    boxOpen = false;
}

} // namespace

std::string ErrorMessage(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown error";
    }
}

void ReportError(std::exception_ptr error) {
    std::string message = ErrorMessage(error);
    if (recorder != nullptr) {
        recorder->messages_.push_back(std::move(message));
        return;
    }
    // Also on standard error, for runs without anyone watching the screen.
    if (scriptLine != 0) {
        std::cerr << "osciloskop: script line " << scriptLine << ": " << message << std::endl;
        return;
    }
    std::cerr << "osciloskop: " << message << std::endl;
    if (!waiting.empty() && waiting.back() == message) {
        return;
    }
    waiting.push_back(std::move(message));
    if (!boxOpen) {
        ShowBoxes();
    }
}

void SetHandlerListener(std::function<void()> listener) {
    handlerListener = std::move(listener);
}

void NotifyHandlerRan() {
    if (handlerListener) {
        handlerListener();
    }
}

void SetScriptLine(int line) {
    scriptLine = line;
}

RecordedErrorReports::RecordedErrorReports() : previous_(recorder) {
    recorder = this;
}

RecordedErrorReports::~RecordedErrorReports() {
    recorder = previous_;
}

ErrorReportApplication::ErrorReportApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool ErrorReportApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportError(std::current_exception());
        return false;
    }
}

} // namespace app
