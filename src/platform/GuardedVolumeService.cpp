// SPDX-License-Identifier: MIT
#include "platform/GuardedVolumeService.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace platform {

struct GuardedVolumeService::Job {
    std::function<void(VolumeService&)> call;
    bool done = false;     // guarded by the worker's mutex
    bool answered = false; // the service's Answering() right after the call
};

struct GuardedVolumeService::Worker {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::shared_ptr<Job>> jobs;
    bool stopping = false;
    bool stopped = false;
    std::unique_ptr<VolumeService> service; // touched on the worker's thread only

    // The worker's thread: opens the service, runs the jobs in order, closes it when told.
    static void Run(std::shared_ptr<Worker> worker, Open open) {
        worker->service = open();
        std::unique_lock lock(worker->mutex);
        for (;;) {
            worker->changed.wait(lock, [&] { return worker->stopping || !worker->jobs.empty(); });
            if (worker->jobs.empty()) {
                break;
            }
            const std::shared_ptr<Job> job = worker->jobs.front();
            worker->jobs.pop_front();
            lock.unlock();
            job->call(*worker->service);
            const bool answered = worker->service->Answering();
            lock.lock();
            job->answered = answered;
            job->done = true;
            worker->changed.notify_all();
        }
        lock.unlock();
        worker->service.reset();
        lock.lock();
        worker->stopped = true;
        worker->changed.notify_all();
    }
};

namespace {

constexpr std::uint32_t kDevices = 6;

} // namespace

GuardedVolumeService::GuardedVolumeService(Open open, std::chrono::milliseconds deadline)
    : open_(std::move(open)), deadline_(deadline) {
    Connect();
}

GuardedVolumeService::~GuardedVolumeService() {
    std::unique_lock lock(worker_->mutex);
    worker_->stopping = true;
    worker_->changed.notify_all();
    if (!stuck_) {
        worker_->changed.wait_for(lock, deadline_, [this] { return worker_->stopped; });
    }
}

void GuardedVolumeService::Connect() {
    worker_ = std::make_shared<Worker>();
    stuck_.reset();
    std::thread(Worker::Run, worker_, open_).detach();
    auto names = std::make_shared<Names>();
    // Call sets answering_ from the service itself: a service that opened without reaching its
    // card has run the call, yet does not answer.
    const bool done = Call([names](VolumeService& service) {
        for (std::uint32_t device = 0; device < kDevices; ++device) {
            (*names)[device] = service.VolumeName(device);
        }
    });
    pendingNames_ = done ? nullptr : names;
    if (done && answering_) {
        names_ = *names;
    }
}

bool GuardedVolumeService::Reconnect() {
    {
        std::unique_lock lock(worker_->mutex);
        worker_->stopping = true;
        worker_->changed.notify_all();
        // The old mixer connection is closed before a new one opens; one held in the server
        // is left to end by itself.
        if (!stuck_) {
            worker_->changed.wait_for(lock, deadline_, [this] { return worker_->stopped; });
        }
    }
    Connect();
    return answering_;
}

bool GuardedVolumeService::Ready() {
    if (stuck_) {
        std::lock_guard lock(worker_->mutex);
        if (!stuck_->done) {
            return false;
        }
        answering_ = stuck_->answered;
        stuck_.reset();
        if (pendingNames_ && answering_) {
            names_ = *pendingNames_;
        }
        pendingNames_.reset();
    }
    return answering_;
}

bool GuardedVolumeService::Answering() {
    return Ready();
}

bool GuardedVolumeService::Call(std::function<void(VolumeService&)> call) {
    auto job = std::make_shared<Job>();
    job->call = std::move(call);
    std::unique_lock lock(worker_->mutex);
    worker_->jobs.push_back(job);
    worker_->changed.notify_all();
    if (!worker_->changed.wait_for(lock, deadline_, [&] { return job->done; })) {
        // The held call stays with the worker (it may not even have started, behind an open
        // the server holds); once done it tells whether the server is back. Nothing else is
        // queued meanwhile.
        answering_ = false;
        stuck_ = job;
        return false;
    }
    answering_ = job->answered;
    return true;
}

std::uint32_t GuardedVolumeService::WaveOutGetVolume(std::uint32_t device) {
    auto volume = std::make_shared<std::uint32_t>(0);
    const bool done = Ready() && Call([volume, device](VolumeService& service) {
                          *volume = service.WaveOutGetVolume(device);
                      });
    return done ? *volume : 0;
}

void GuardedVolumeService::WaveOutSetVolume(std::uint32_t device, std::uint32_t volume) {
    if (Ready()) {
        Call(
            [device, volume](VolumeService& service) { service.WaveOutSetVolume(device, volume); });
    }
}

std::uint32_t GuardedVolumeService::AuxGetVolume(std::uint32_t device) {
    auto volume = std::make_shared<std::uint32_t>(0);
    const bool done = Ready() && Call([volume, device](VolumeService& service) {
                          *volume = service.AuxGetVolume(device);
                      });
    return done ? *volume : 0;
}

void GuardedVolumeService::AuxSetVolume(std::uint32_t device, std::uint32_t volume) {
    if (Ready()) {
        Call([device, volume](VolumeService& service) { service.AuxSetVolume(device, volume); });
    }
}

std::string GuardedVolumeService::VolumeName(std::uint32_t device) {
    Ready();
    return device < kDevices ? names_[device] : std::string();
}

} // namespace platform
