// SPDX-License-Identifier: MIT
#pragma once

// Delivers work to the UI thread: audio backends post their device notifications here, from any
// thread, and the functions run on the UI thread one after the other in posting order.
// An exception that escapes a posted function goes to the error sink (the program connects it
// to its default error report) and never ends the program.

#include <deque>
#include <exception>
#include <functional>
#include <mutex>

namespace platform {

class Dispatcher {
public:
    using ErrorSink = std::function<void(std::exception_ptr)>;

    virtual ~Dispatcher() = default;
    // Thread-safe; never blocks on the UI thread's work.
    virtual void Post(std::function<void()> work) = 0;

    // Set before any work is posted; without a sink, escaped errors are dropped.
    void SetErrorSink(ErrorSink sink) { errorSink_ = std::move(sink); }

protected:
    // Runs one posted function with the error rule above; backends call it on the UI thread.
    void RunGuarded(const std::function<void()>& work) const;

private:
    ErrorSink errorSink_;
};

// The dispatcher for tests: posted work waits in a queue until the test drains it on its own
// thread, so a test decides exactly when notifications are delivered.
class QueueDispatcher final : public Dispatcher {
public:
    void Post(std::function<void()> work) override;
    // Runs queued work, including work posted while draining, until the queue is empty;
    // returns how many functions ran.
    int Drain();
    // Runs at most one queued function; false when the queue was empty.
    bool RunOne();
    bool Empty() const;

private:
    mutable std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
};

} // namespace platform
