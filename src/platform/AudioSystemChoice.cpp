// SPDX-License-Identifier: MIT
#include "platform/AudioSystemChoice.h"

#include "platform/CardIdentity.h"
#include "platform/GuardedVolumeService.h"
#include "platform/alsa/AlsaVolumeService.h"
#include "platform/portaudio/PortAudioSession.h"
#include "platform/portaudio/PortAudioWaveService.h"
#include "platform/pulse/PulseVolumeService.h"
#include "platform/sim/SimulatedSystem.h"

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>

namespace platform {

namespace {

bool HasInputAndOutput(PaDeviceIndex device) {
    const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
    return info != nullptr && info->maxInputChannels > 0 && info->maxOutputChannels > 0;
}

std::string DeviceList() {
    std::string list;
    for (PaDeviceIndex i = 0; i < Pa_GetDeviceCount(); ++i) {
        if (const PaDeviceInfo* info = Pa_GetDeviceInfo(i)) {
            list += (list.empty() ? "" : ", ") + std::to_string(i) + " '" + info->name + "'";
        }
    }
    return list.empty() ? "none" : list;
}

// A mixer call that takes longer than this is taken for a sound server that stopped
// answering; a working server answers within milliseconds.
constexpr std::chrono::milliseconds kVolumeDeadline{500};

// The volumes of the card behind `mixer`. Where that is the default device and a sound server
// answers, its sink volume is set through the server itself: the server's ALSA mixer stays on
// the sink that was the default when it was opened, and the card's own sink may become the
// default only later. Once a server was found, a reopening that finds none gives a service
// that does not answer, rather than a plain ALSA mixer that would answer for something else.
GuardedVolumeService::Open VolumeOpener(const std::string& mixer) {
    if (mixer != "default") {
        return [mixer] { return std::make_unique<AlsaVolumeService>(mixer); };
    }
    auto serverSeen = std::make_shared<bool>(false);
    return [mixer, serverSeen]() -> std::unique_ptr<VolumeService> {
        auto pulse = std::make_unique<PulseVolumeService>();
        *serverSeen = *serverSeen || pulse->Connected();
        if (*serverSeen) {
            return pulse;
        }
        return std::make_unique<AlsaVolumeService>(mixer);
    };
}

AudioSystem OpenPortAudioSystem(PaDeviceIndex device, Dispatcher& dispatcher) {
    AudioSystem system;
    system.wave = std::make_unique<PortAudioWaveService>(dispatcher, device);
    const std::string mixer = MixerNameFor(device);
    system.card = CardIdentity(mixer);
    system.volume = std::make_unique<GuardedVolumeService>(VolumeOpener(mixer), kVolumeDeadline);
    system.mixer = std::make_unique<AlsaMixerDevices>();
    system.description = std::string("audio: PortAudio device '") + Pa_GetDeviceInfo(device)->name +
                         "'" + (device == Pa_GetDefaultOutputDevice() ? " (default)" : "");
    return system;
}

AudioSystem OpenSimulated(Dispatcher& dispatcher, const std::string& reason) {
    AudioSystem system = sim::OpenSimulatedSystem(dispatcher);
    system.description = "audio: simulated sound card" + reason;
    return system;
}

} // namespace

AudioSystem OpenAudioSystem(std::string_view choice, Dispatcher& dispatcher) {
    if (choice == "sim") {
        return OpenSimulated(dispatcher, "");
    }
    // Keeps PortAudio initialised, so that the wave service's own session probes nothing again.
    PortAudioSession session;
    const bool automatic = choice.empty() || choice == "auto";
    if (session.Status() != paNoError) {
        if (automatic) {
            return OpenSimulated(
                dispatcher, " (PortAudio: " + std::string(Pa_GetErrorText(session.Status())) + ")");
        }
        throw std::runtime_error("cannot use sound card '" + std::string(choice) +
                                 "': PortAudio: " + Pa_GetErrorText(session.Status()));
    }
    if (automatic) {
        const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
        if (!HasInputAndOutput(device)) {
            return OpenSimulated(dispatcher, " (no sound card with input and output found)");
        }
        return OpenPortAudioSystem(device, dispatcher);
    }
    const PaDeviceIndex device = FindPortAudioDevice(std::string(choice));
    if (device == paNoDevice) {
        throw std::runtime_error("no sound card '" + std::string(choice) +
                                 "'; PortAudio devices: " + DeviceList() +
                                 "; or 'sim' for the simulated card");
    }
    return OpenPortAudioSystem(device, dispatcher);
}

} // namespace platform
