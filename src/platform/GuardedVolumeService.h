// SPDX-License-Identifier: MIT
#pragma once

// A sound server's volume service that never holds up its caller. A server that stopped
// answering (stopped, not dead) holds an ALSA mixer call without end, so every call runs on a
// worker thread and the caller waits at most `deadline` for it. After a call missed the
// deadline the service does not answer: calls return at once (reads give 0, writes are
// dropped) while that call is still held; once the server let it go (a hiccup), the next call
// goes to the server again. A service that says it does not answer is asked nothing until
// Reconnect opens a new service on a new worker; the old worker closes its service and ends
// (Reconnect waits for that up to the deadline), and one stuck in the server is left behind
// with the service it holds and touches nothing else. The device names stay those of the last
// service that answered, so that what cannot be restored can still be named.
// Called on the UI thread; the wrapped service lives on its worker.

#include "platform/VolumeService.h"

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace platform {

class GuardedVolumeService final : public VolumeService {
public:
    // Makes the wrapped service; runs on the worker, again at each Reconnect.
    using Open = std::function<std::unique_ptr<VolumeService>()>;

    // Opens the first service; a server that does not answer leaves the service not answering.
    GuardedVolumeService(Open open, std::chrono::milliseconds deadline);
    // Lets the worker close its service; waits for that at most the deadline.
    ~GuardedVolumeService() override;
    GuardedVolumeService(const GuardedVolumeService&) = delete;
    GuardedVolumeService& operator=(const GuardedVolumeService&) = delete;

    std::uint32_t WaveOutGetVolume(std::uint32_t device) override;
    void WaveOutSetVolume(std::uint32_t device, std::uint32_t volume) override;
    std::uint32_t AuxGetVolume(std::uint32_t device) override;
    void AuxSetVolume(std::uint32_t device, std::uint32_t volume) override;
    // Names as the service found them when it opened; asks nothing of the server.
    std::string VolumeName(std::uint32_t device) override;
    bool Answering() override;
    // Stops the old worker and its service and opens a new one.
    bool Reconnect() override;

    struct Worker; // shared by the service and its thread

private:
    // Runs `call` on the worker with the wrapped service; false when it missed the deadline.
    // `call` must keep what it uses alive by itself: it may run after this returns.
    bool Call(std::function<void(VolumeService&)> call);
    void Connect();
    // Whether calls may go to the server: it answers and no call is held there any more.
    bool Ready();

    using Names = std::array<std::string, 6>;
    struct Job;

    Open open_;
    std::chrono::milliseconds deadline_;
    std::shared_ptr<Worker> worker_;
    Names names_;
    std::shared_ptr<Names> pendingNames_; // asked of a service that missed the deadline
    bool answering_ = false;
    std::shared_ptr<Job> stuck_; // a call that missed its deadline, while the worker runs it
};

} // namespace platform
