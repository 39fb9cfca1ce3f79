// SPDX-License-Identifier: MIT
#pragma once

// The volume service on a PulseAudio-compatible sound server (PulseAudio, or PipeWire's pulse
// server), talking to the server itself rather than through the ALSA pulse mixer, which binds to
// the default sink once, when it is opened.
//
// Waveform output device 0 is the server's default sink, the one the card's stream plays to, and
// follows it: when another sink becomes the default (the card's own sink appearing after a
// restart that began with a fallback sink), the level last written is applied to that sink too.
// A write goes to the default sink and to the sink the first write went to, whose level the
// caller read and gives back. A sink the service changed on its own, because it became the
// default, gets the volume it had before that change back when the service is destroyed. There are
// no auxiliary devices: they read 0 and ignore writes. Levels map 0..0xFFFF onto the server's
// 0..100 % and read back as written while nobody else moves the sink. A mono sink takes the left
// level. Calls block until the server answers; run them where that is safe (GuardedVolumeService).

#include "platform/VolumeService.h"
#include "platform/alsa/AlsaLevel.h"

#include <pulse/pulseaudio.h>

#include <array>
#include <map>
#include <optional>
#include <string>

namespace platform {

class PulseVolumeService final : public VolumeService {
public:
    // Connects to the server the client library finds (PULSE_SERVER, else the user's own).
    PulseVolumeService();
    // Gives the changed sinks their own volumes back, then disconnects.
    ~PulseVolumeService() override;
    PulseVolumeService(const PulseVolumeService&) = delete;
    PulseVolumeService& operator=(const PulseVolumeService&) = delete;

    // Whether the server answered the connection.
    bool Connected() const { return connected_; }

    std::uint32_t WaveOutGetVolume(std::uint32_t device) override;
    void WaveOutSetVolume(std::uint32_t device, std::uint32_t volume) override;
    std::uint32_t AuxGetVolume(std::uint32_t /*device*/) override { return 0; }
    void AuxSetVolume(std::uint32_t /*device*/, std::uint32_t /*volume*/) override {}
    // "Master", as the server's ALSA mixer calls the default sink's volume.
    std::string VolumeName(std::uint32_t device) override;
    // False while the server is gone or after a call it refused.
    bool Answering() override;

    struct Sink {
        pa_cvolume volume{};
        pa_channel_map map{};
    };

private:
    // Runs the operation `start` begins to its end, with the main loop locked; false when it
    // could not begin or the server went away.
    template <typename Start> bool Await(Start start);
    std::optional<Sink> ReadSink(const std::string& name);
    // Starts writing `volume` to the sink, and remembers it when that is the default sink; the
    // operation, or null.
    pa_operation* Apply(const std::string& name, const Sink& sink, std::uint32_t volume,
                        pa_context_success_cb_t done, void* userdata);
    // Connected, and the connection still stands.
    bool Ready();
    // On the server's thread: the server changed; asks it for its default sink.
    void OnServerChange();
    // On the server's thread: the default sink is now `name`; gives it the level in force.
    void Adopt(const std::string& name);

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    bool connected_ = false;
    bool answering_ = true;
    // All below are guarded by the main loop's lock.
    std::string defaultSink_;
    std::optional<std::uint32_t> levelInForce_;
    std::array<RememberedLevel, 2> written_; // left, right of the default sink
    std::string homeSink_;                   // the sink the first write went to
    std::map<std::string, Sink> ownVolumes_; // a sink's volume before it became the default
};

} // namespace platform
