// SPDX-License-Identifier: MIT
#include "platform/portaudio/DeviceHealth.h"

namespace platform {

void DeviceHealth::StreamLost(const void* stream, const std::string& reason) {
    lost_.insert(stream);
    Update(reason);
}

void DeviceHealth::StreamWorks(const void* stream) {
    lost_.erase(stream);
    Update({});
}

void DeviceHealth::OpenFailed(const std::string& reason) {
    openFailed_ = true;
    Update(reason);
}

void DeviceHealth::OpenSucceeded() {
    openFailed_ = false;
    Update({});
}

void DeviceHealth::Update(const std::string& reason) {
    const bool working = lost_.empty() && !openFailed_;
    if (working == working_) {
        return;
    }
    working_ = working;
    if (listener_) {
        listener_(working, reason);
    }
}

} // namespace platform
