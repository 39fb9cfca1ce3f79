// SPDX-License-Identifier: MIT
#pragma once

// The program's dispatcher: audio backends post their device notifications from any thread and
// the Qt event loop runs them on the UI thread, one after the other in posting order, between
// the other events (so a notification never lands in the middle of a handler). An exception
// that escapes a posted function goes to the error sink, which main() connects to ReportError.
// Create it on the UI thread after the application object; work still waiting when it is
// destroyed is dropped.

#include "platform/Dispatcher.h"

#include <QObject>

namespace app {

class QtDispatcher final : public platform::Dispatcher {
public:
    QtDispatcher();
    // Thread-safe.
    void Post(std::function<void()> work) override;

private:
    // Lives on the UI thread; the posted functions are delivered to it as queued calls.
    QObject receiver_;
};

} // namespace app
