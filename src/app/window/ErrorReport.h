// SPDX-License-Identifier: MIT
#pragma once

// The application's default error report. Handlers that fail (a typed number that is not an
// integer, a sound file that cannot be read, ...) throw an exception carrying the user's
// message; whatever calls them catches it here and shows the message in a box, and the program
// goes on. Two paths lead here: Qt's event delivery (ErrorReportApplication::notify, for every
// handler run by a control, a timer or the idle cycle) and the audio dispatcher's error sink
// (ReportError, for the stream notifications). Both run on the UI thread.

#include <QApplication>

#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace app {

// The message a user sees for a caught exception.
std::string ErrorMessage(std::exception_ptr error);

// Shows the message of `error` in a modal box (and writes it to standard error). While a box is
// open, further messages wait and follow one after the other; a message equal to the one waiting
// last is not queued twice, so a failure that repeats with every audio buffer does not pile up
// boxes. Signature of platform::Dispatcher::ErrorSink.
void ReportError(std::exception_ptr error);

// Told after every handler that Reported wraps has run, failed or not: a control, menu entry or
// timer may have changed what the screen shows, and the window's idle cycle wakes up for it.
// An empty listener (the default) is not called.
void SetHandlerListener(std::function<void()> listener);
void NotifyHandlerRan();

// While a script drives the window, the line it is running (0 = none): messages are printed
// with that line and no box is shown, so nothing waits for a person who is not there.
void SetScriptLine(int line);

// Wraps a handler for connecting it to a Qt signal: Qt must not see an exception come out of a
// slot (its signal code is not written for it), so the handler's failure is reported right at
// the connection. Event handlers proper are covered by ErrorReportApplication::notify.
template <class Handler> auto Reported(Handler handler) {
    return [handler = std::move(handler)] {
        try {
            handler();
        } catch (...) {
            ReportError(std::current_exception());
        }
        NotifyHandlerRan();
    };
}

// Test seam: while an object of this class lives, ReportError records the messages instead of
// showing a box.
class RecordedErrorReports {
public:
    RecordedErrorReports();
    ~RecordedErrorReports();
    RecordedErrorReports(const RecordedErrorReports&) = delete;
    RecordedErrorReports& operator=(const RecordedErrorReports&) = delete;

    const std::vector<std::string>& Messages() const { return messages_; }
    void Clear() { messages_.clear(); }

private:
    friend void ReportError(std::exception_ptr error);
    std::vector<std::string> messages_;
    RecordedErrorReports* previous_;
};

// The program's application object: delivers every event as QApplication does and sends an
// exception that escapes a handler to ReportError instead of ending the program.
class ErrorReportApplication : public QApplication {
public:
    ErrorReportApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace app
