// SPDX-License-Identifier: MIT
// Ending signals (SIGTERM, SIGINT, SIGHUP, SIGQUIT) as the window's normal close, so that the
// user's volumes are restored and the log is complete. The handler only writes a byte into a
// pipe (one per process, open until it ends, whatever number of SignalClose come and go); the
// UI thread reads it and runs the close. A second signal during the close ends the
// program at once, naming on standard error the volumes it leaves unrestored.
#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace app {

class SignalClose : public QObject {
public:
    // Installs the handlers; `close` runs on the UI thread after the first ending signal.
    explicit SignalClose(std::function<void()> close, QObject* parent = nullptr);
    ~SignalClose() override;

    // The first ending signal received, or 0.
    int ReceivedSignal() const;
    // The exit code after a close a signal asked for: 128 + the signal's number.
    static int ExitCodeFor(int signal) { return 128 + signal; }

private:
    void OnPipeReadable();

    std::function<void()> close_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace app
