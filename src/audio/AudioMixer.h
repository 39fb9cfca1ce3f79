// SPDX-License-Identifier: MIT
#pragma once

// The mixer component: counts the machine's mixer devices when it is made and guards the number
// of the mixer device it works with (MixerID). It opens no mixer device itself; its owner may
// bind the two change events, which the event operations fire. UI thread only.

#include "platform/VolumeService.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

namespace audio {

// Raised for a MixerID the machine has no device for; the message names the highest valid one
// ("MixerID maximum for this machine: 1"; -1 without mixer devices).
class EMixerID : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TAudioMixer;

// The component's helper object, created and released with it.
class TMixerMan {
public:
    explicit TMixerMan(TAudioMixer& mixer) : mixer_(mixer) {}
    TAudioMixer& Mixer() const { return mixer_; }

private:
    TAudioMixer& mixer_;
};

// A control of line S of destination D changed (control C).
using TMixerControlChangeEvent =
    std::function<void(void* Sender, std::uint32_t D, std::uint32_t S, std::uint32_t C)>;
// Line S of destination D changed.
using TMixerLineChangeEvent = std::function<void(void* Sender, std::uint32_t D, std::uint32_t S)>;

class TAudioMixer {
public:
    // Reads the device count once; `devices` is needed only here.
    explicit TAudioMixer(platform::MixerDevices& devices);
    virtual ~TAudioMixer();
    TAudioMixer(const TAudioMixer&) = delete;
    TAudioMixer& operator=(const TAudioMixer&) = delete;

    std::uint32_t MixerID() const { return mixerId_; }
    // Selects device `id`; throws EMixerID and keeps the old number when the machine has no
    // such device.
    void SetMixerID(std::uint32_t id);
    std::uint32_t DeviceCount() const { return deviceCount_; }
    const TMixerMan& Manager() const { return *manager_; }

    TMixerControlChangeEvent OnMixerControlChange;
    TMixerLineChangeEvent OnMixerLineChange;

    // Fire the events above, with the component as Sender, when they are bound.
    virtual void MixerControlChange(std::uint32_t D, std::uint32_t S, std::uint32_t C);
    virtual void MixerLineChange(std::uint32_t D, std::uint32_t S);

private:
    std::uint32_t deviceCount_;
    std::uint32_t mixerId_ = 0;
    std::unique_ptr<TMixerMan> manager_;
};

} // namespace audio
