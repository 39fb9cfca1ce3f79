// SPDX-License-Identifier: MIT
#include "platform/pulse/PulseVolumeService.h"

namespace platform {

namespace {

PulseVolumeService* Self(void* userdata) {
    return static_cast<PulseVolumeService*>(userdata);
}

bool IsRight(pa_channel_position_t position) {
    switch (position) {
    case PA_CHANNEL_POSITION_FRONT_RIGHT:
    case PA_CHANNEL_POSITION_REAR_RIGHT:
    case PA_CHANNEL_POSITION_SIDE_RIGHT:
    case PA_CHANNEL_POSITION_FRONT_RIGHT_OF_CENTER:
    case PA_CHANNEL_POSITION_TOP_FRONT_RIGHT:
    case PA_CHANNEL_POSITION_TOP_REAR_RIGHT:
        return true;
    default:
        return false;
    }
}

// The sink's volume for a 32-bit level: right positions take the high half, all others the low.
pa_cvolume ToVolume(const pa_channel_map& map, std::uint32_t level) {
    pa_cvolume volume;
    pa_cvolume_init(&volume);
    volume.channels = map.channels;
    for (unsigned channel = 0; channel < map.channels; ++channel) {
        const bool right = IsRight(map.map[channel]);
        const auto half = static_cast<std::uint16_t>(level >> (right ? 16 : 0));
        volume.values[channel] = static_cast<pa_volume_t>(LevelToRaw(half, 0, PA_VOLUME_NORM));
    }
    return volume;
}

// The raw volume of the first left (side 0) or right (side 1) channel; a mono sink has no right.
std::optional<long> RawOf(const PulseVolumeService::Sink& sink, int side) {
    for (unsigned channel = 0; channel < sink.map.channels; ++channel) {
        const bool right = IsRight(sink.map.map[channel]);
        if (right == (side == 1)) {
            return static_cast<long>(sink.volume.values[channel]);
        }
    }
    return std::nullopt;
}

} // namespace

template <typename Start> bool PulseVolumeService::Await(Start start) {
    pa_operation* operation = start();
    if (operation == nullptr) {
        return false;
    }
    pa_operation_set_state_callback(
        operation,
        [](pa_operation*, void* self) { pa_threaded_mainloop_signal(Self(self)->loop_, 0); }, this);
    while (pa_operation_get_state(operation) == PA_OPERATION_RUNNING) {
        pa_threaded_mainloop_wait(loop_);
    }
    const bool done = pa_operation_get_state(operation) == PA_OPERATION_DONE;
    pa_operation_unref(operation);
    return done;
}

PulseVolumeService::PulseVolumeService() {
    loop_ = pa_threaded_mainloop_new();
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "osciloskop volume");
    pa_context_set_state_callback(
        context_,
        [](pa_context*, void* self) { pa_threaded_mainloop_signal(Self(self)->loop_, 0); }, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        return;
    }
    pa_threaded_mainloop_lock(loop_);
    pa_threaded_mainloop_start(loop_);
    pa_context_state_t state = pa_context_get_state(context_);
    while (PA_CONTEXT_IS_GOOD(state) && state != PA_CONTEXT_READY) {
        pa_threaded_mainloop_wait(loop_);
        state = pa_context_get_state(context_);
    }
    if (state == PA_CONTEXT_READY) {
        pa_context_set_subscribe_callback(
            context_,
            [](pa_context*, pa_subscription_event_type_t event, std::uint32_t, void* self) {
                if ((event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) == PA_SUBSCRIPTION_EVENT_SERVER) {
                    Self(self)->OnServerChange();
                }
            },
            this);
        std::string name;
        connected_ = Await([&] {
                         return pa_context_subscribe(context_, PA_SUBSCRIPTION_MASK_SERVER, nullptr,
                                                     nullptr);
                     }) &&
                     Await([&] {
                         return pa_context_get_server_info(
                             context_,
                             [](pa_context*, const pa_server_info* info, void* userdata) {
                                 if (info != nullptr && info->default_sink_name != nullptr) {
                                     *static_cast<std::string*>(userdata) = info->default_sink_name;
                                 }
                             },
                             &name);
                     });
        defaultSink_ = name;
    }
    pa_threaded_mainloop_unlock(loop_);
}

PulseVolumeService::~PulseVolumeService() {
    pa_threaded_mainloop_lock(loop_);
    if (connected_) {
        for (const auto& [name, sink] : ownVolumes_) {
            Await([&] {
                return pa_context_set_sink_volume_by_name(context_, name.c_str(), &sink.volume,
                                                          nullptr, nullptr);
            });
        }
    }
    pa_context_disconnect(context_);
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_context_unref(context_);
    pa_threaded_mainloop_free(loop_);
}

namespace {

struct SinkReply {
    std::optional<PulseVolumeService::Sink> sink;
};

void KeepSink(pa_context*, const pa_sink_info* info, int eol, void* userdata) {
    if (eol == 0 && info != nullptr) {
        static_cast<SinkReply*>(userdata)->sink =
            PulseVolumeService::Sink{info->volume, info->channel_map};
    }
}

void KeepSuccess(pa_context*, int success, void* userdata) {
    *static_cast<bool*>(userdata) = success != 0;
}

} // namespace

std::optional<PulseVolumeService::Sink> PulseVolumeService::ReadSink(const std::string& name) {
    SinkReply reply;
    if (!Await([&] {
            return pa_context_get_sink_info_by_name(context_, name.c_str(), KeepSink, &reply);
        })) {
        return std::nullopt;
    }
    return reply.sink;
}

pa_operation* PulseVolumeService::Apply(const std::string& name, const Sink& sink,
                                        std::uint32_t volume, pa_context_success_cb_t done,
                                        void* userdata) {
    const pa_cvolume level = ToVolume(sink.map, volume);
    if (name == defaultSink_) {
        const Sink written{level, sink.map};
        for (int side = 0; side < 2; ++side) {
            const std::optional<long> raw = RawOf(written, side);
            written_[side] = {raw.has_value(), raw.value_or(0),
                              static_cast<std::uint16_t>(volume >> (16 * side))};
        }
    }
    return pa_context_set_sink_volume_by_name(context_, name.c_str(), &level, done, userdata);
}

bool PulseVolumeService::Ready() {
    return connected_ && pa_context_get_state(context_) == PA_CONTEXT_READY;
}

std::uint32_t PulseVolumeService::WaveOutGetVolume(std::uint32_t device) {
    if (device != 0) {
        return 0;
    }
    pa_threaded_mainloop_lock(loop_);
    const std::optional<Sink> sink = Ready() ? ReadSink(defaultSink_) : std::nullopt;
    answering_ = sink.has_value();
    std::uint32_t volume = 0;
    for (int side = 0; sink && side < 2; ++side) {
        if (const std::optional<long> raw = RawOf(*sink, side)) {
            const std::uint16_t level = written_[side].Read(*raw, 0, PA_VOLUME_NORM);
            volume |= static_cast<std::uint32_t>(level) << (16 * side);
        }
    }
    pa_threaded_mainloop_unlock(loop_);
    return volume;
}

void PulseVolumeService::WaveOutSetVolume(std::uint32_t device, std::uint32_t volume) {
    if (device != 0) {
        return;
    }
    pa_threaded_mainloop_lock(loop_);
    levelInForce_ = volume;
    const std::optional<Sink> sink = Ready() ? ReadSink(defaultSink_) : std::nullopt;
    bool success = false;
    answering_ = sink &&
                 Await([&] { return Apply(defaultSink_, *sink, volume, KeepSuccess, &success); }) &&
                 success;
    if (answering_ && homeSink_.empty()) {
        homeSink_ = defaultSink_;
    }
    // The caller's level belongs to the sink it first wrote (a level it gives back at close was
    // read there); that sink may be gone, and then nothing is lost.
    if (const std::optional<Sink> home = Ready() && !homeSink_.empty() && homeSink_ != defaultSink_
                                             ? ReadSink(homeSink_)
                                             : std::nullopt) {
        Await([&] { return Apply(homeSink_, *home, volume, nullptr, nullptr); });
    }
    pa_threaded_mainloop_unlock(loop_);
}

std::string PulseVolumeService::VolumeName(std::uint32_t device) {
    return device == 0 ? "Master" : "";
}

bool PulseVolumeService::Answering() {
    pa_threaded_mainloop_lock(loop_);
    const bool answering = answering_ && Ready();
    pa_threaded_mainloop_unlock(loop_);
    return answering;
}

void PulseVolumeService::OnServerChange() {
    pa_operation* operation = pa_context_get_server_info(
        context_,
        [](pa_context*, const pa_server_info* info, void* self) {
            if (info != nullptr && info->default_sink_name != nullptr &&
                Self(self)->defaultSink_ != info->default_sink_name) {
                Self(self)->Adopt(info->default_sink_name);
            }
        },
        this);
    if (operation != nullptr) {
        pa_operation_unref(operation);
    }
}

void PulseVolumeService::Adopt(const std::string& name) {
    defaultSink_ = name;
    written_ = {};
    if (!levelInForce_) {
        return; // nothing set yet: the new sink keeps its own level
    }
    pa_operation* operation = pa_context_get_sink_info_by_name(
        context_, name.c_str(),
        [](pa_context*, const pa_sink_info* info, int eol, void* self) {
            auto* service = Self(self);
            if (eol != 0 || info == nullptr || service->defaultSink_ != info->name) {
                return;
            }
            const Sink sink{info->volume, info->channel_map};
            if (service->homeSink_ != info->name) {
                service->ownVolumes_.try_emplace(info->name, sink);
            }
            if (pa_operation* set =
                    service->Apply(info->name, sink, *service->levelInForce_, nullptr, nullptr)) {
                pa_operation_unref(set);
            }
        },
        this);
    if (operation != nullptr) {
        pa_operation_unref(operation);
    }
}

} // namespace platform
