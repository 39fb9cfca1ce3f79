// SPDX-License-Identifier: MIT
#include "platform/GuardedVolumeService.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace platform {

struct GuardedVolumeService::Worker {
    struct Job {
        std::function<void(VolumeService&)> call;
        bool done = false;
    };

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
            lock.lock();
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
    stuck_ = false;
    std::thread(Worker::Run, worker_, open_).detach();
    auto names = std::make_shared<std::array<std::string, 6>>();
    answering_ = Call([names](VolumeService& service) {
        for (std::uint32_t device = 0; device < kDevices; ++device) {
            (*names)[device] = service.VolumeName(device);
        }
    });
    names_ = answering_ ? *names : std::array<std::string, 6>{};
}

bool GuardedVolumeService::Reconnect() {
    {
        std::lock_guard lock(worker_->mutex);
        worker_->stopping = true;
        worker_->changed.notify_all();
    }
    Connect();
    return answering_;
}

bool GuardedVolumeService::Call(std::function<void(VolumeService&)> call) {
    // Whether the wrapped service reached its card is asked in the same call.
    auto answered = std::make_shared<bool>(false);
    auto job = std::make_shared<Worker::Job>();
    job->call = [call = std::move(call), answered](VolumeService& service) {
        call(service);
        *answered = service.Answering();
    };
    std::unique_lock lock(worker_->mutex);
    worker_->jobs.push_back(job);
    worker_->changed.notify_all();
    if (!worker_->changed.wait_for(lock, deadline_, [&] { return job->done; })) {
        worker_->jobs.clear(); // what is still queued would only wait behind the stuck call
        answering_ = false;
        stuck_ = true;
        return false;
    }
    answering_ = *answered;
    return true;
}

std::uint32_t GuardedVolumeService::WaveOutGetVolume(std::uint32_t device) {
    auto volume = std::make_shared<std::uint32_t>(0);
    const bool done = answering_ && Call([volume, device](VolumeService& service) {
                          *volume = service.WaveOutGetVolume(device);
                      });
    return done ? *volume : 0;
}

void GuardedVolumeService::WaveOutSetVolume(std::uint32_t device, std::uint32_t volume) {
    if (answering_) {
        Call(
            [device, volume](VolumeService& service) { service.WaveOutSetVolume(device, volume); });
    }
}

std::uint32_t GuardedVolumeService::AuxGetVolume(std::uint32_t device) {
    auto volume = std::make_shared<std::uint32_t>(0);
    const bool done = answering_ && Call([volume, device](VolumeService& service) {
                          *volume = service.AuxGetVolume(device);
                      });
    return done ? *volume : 0;
}

void GuardedVolumeService::AuxSetVolume(std::uint32_t device, std::uint32_t volume) {
    if (answering_) {
        Call([device, volume](VolumeService& service) { service.AuxSetVolume(device, volume); });
    }
}

std::string GuardedVolumeService::VolumeName(std::uint32_t device) {
    return device < kDevices ? names_[device] : std::string();
}

} // namespace platform
