// SPDX-License-Identifier: MIT
#pragma once

// Whether the sound device works, as the streams of one wave service find it: a stream whose
// callbacks ended or stalled (the sound server died, the card was unplugged) is lost until it
// could be reopened, and an open that failed counts as a lost device until an open succeeds.
// The listener hears only the changes between working and not working. UI thread only.

#include "platform/WaveService.h"

#include <set>
#include <string>

namespace platform {

class DeviceHealth {
public:
    void SetListener(DeviceStatusListener listener) { listener_ = std::move(listener); }
    bool Working() const { return working_; }
    // A lost stream waits for its device to return.
    bool Reopening() const { return !lost_.empty(); }

    // `stream` identifies the stream; it is never dereferenced.
    void StreamLost(const void* stream, const std::string& reason);
    void StreamWorks(const void* stream);
    // A lost stream was closed: it says nothing about the device any more, which the next
    // open will tell.
    void StreamClosed(const void* stream) { lost_.erase(stream); }
    void OpenFailed(const std::string& reason);
    void OpenSucceeded();

private:
    void Update(const std::string& reason);

    DeviceStatusListener listener_;
    std::set<const void*> lost_;
    bool openFailed_ = false;
    bool working_ = true;
};

} // namespace platform
