// SPDX-License-Identifier: MIT
#pragma once

// Definitions shared by the stream components and their owners: the event types and the set of
// platform services a component runs on. No behaviour of its own.

#include "platform/BufferMemory.h"
#include "platform/WaveService.h"

#include <functional>

namespace audio {

// A component's open or close event. `Sender` is the notification receiver of the stream
// concerned. Runs on the UI thread.
using TNotifyEvent = std::function<void(void* Sender)>;

// The owner's handler for one audio buffer. `Buffer` is the slot's own memory; `Size` is its
// byte count (playback: on entry the buffer size, on exit the bytes written; capture: the bytes
// captured, a change has no effect). The result says whether the buffer goes (back) to the
// device. Runs on the UI thread, from Start or from a device notification.
using TBufferEvent = std::function<bool(char* Buffer, int& Size)>;

// The platform services a component uses; both must outlive the component and every
// notification of its streams.
struct AudioServices {
    platform::WaveService& wave;
    platform::BufferMemory& memory;
};

} // namespace audio
