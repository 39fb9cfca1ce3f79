// SPDX-License-Identifier: MIT
#include "platform/Dispatcher.h"

namespace platform {

void Dispatcher::RunGuarded(const std::function<void()>& work) const {
    try {
        work();
    } catch (...) {
        if (errorSink_) {
            errorSink_(std::current_exception());
        }
    }
}

void QueueDispatcher::Post(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(work));
}

bool QueueDispatcher::RunOne() {
    std::function<void()> work;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty()) {
            return false;
        }
        work = std::move(queue_.front());
        queue_.pop_front();
    }
    RunGuarded(work);
    return true;
}

int QueueDispatcher::Drain() {
    int count = 0;
    while (RunOne()) {
        ++count;
    }
    return count;
}

bool QueueDispatcher::Empty() const {
    std::lock_guard lock(mutex_);
    return queue_.empty();
}

} // namespace platform
