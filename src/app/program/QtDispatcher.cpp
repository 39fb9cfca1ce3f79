// SPDX-License-Identifier: MIT
#include "app/program/QtDispatcher.h"

#include <QMetaObject>

namespace app {

QtDispatcher::QtDispatcher() = default;

void QtDispatcher::Post(std::function<void()> work) {
    // Queued calls to one receiver are delivered in the order they were posted, from any thread.
    QMetaObject::invokeMethod(
        &receiver_, [this, work = std::move(work)] { RunGuarded(work); }, Qt::QueuedConnection);
}

} // namespace app
