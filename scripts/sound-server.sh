# Sourced by the test script: a private sound server with a null sink, whose monitor is a real
# loopback from the card's output to its input, for the tests labelled real-audio.
#   start_sound_server [pulseaudio|pipewire [FOLDER]]
#     (default kind: $OSC_SERVER_KIND, else pulseaudio; default folder: a new one in /tmp)
# PipeWire runs as pipewire, wireplumber and pipewire-pulse under a D-Bus session bus of their
# own; either way the instrument reaches the server through the ALSA pulse plugin. Once the
# server answers, OSC_SOUND_SERVER names it (pulseaudio or pipewire), so that the tests know
# which one they are on. Where no server can run, those tests skip and say why.

start_sound_server() {
    local kind=${1:-${OSC_SERVER_KIND:-pulseaudio}}
    unset OSC_SOUND_SERVER
    export PULSE_RUNTIME_PATH
    PULSE_RUNTIME_PATH=${2:-$(mktemp -d /tmp/osc-pulse.XXXXXX)}
    export PULSE_STATE_PATH="$PULSE_RUNTIME_PATH" PULSE_CONFIG_PATH="$PULSE_RUNTIME_PATH"
    export PULSE_SERVER="unix:$PULSE_RUNTIME_PATH/native"
    OSC_SOUND_SERVER_PIDS=()
    case "$kind" in
    pulseaudio) start_pulseaudio_daemon || return 0 ;;
    pipewire) start_pipewire_daemons || return 0 ;;
    *)
        echo "sound server: unknown server '$kind' (pulseaudio or pipewire)" >&2
        return 1
        ;;
    esac
    for _ in $(seq 100); do
        pactl info >/dev/null 2>&1 && break
        sleep 0.1
    done
    if pactl info >/dev/null 2>&1 && sound_server_null_sink; then
        export OSC_SOUND_SERVER=$kind
        echo "sound server: $kind with null sink osc_null is running"
    else
        echo "sound server: $kind did not start; real-audio tests will skip"
        tail -n 5 "$PULSE_RUNTIME_PATH"/*.log 2>/dev/null | sed 's/^/    /'
    fi
}

# PulseAudio loads its null sink on the command line.
start_pulseaudio_daemon() {
    if ! command -v pulseaudio >/dev/null; then
        echo "sound server: pulseaudio is not installed; real-audio tests will skip"
        return 1
    fi
    # norewinds=1 makes the null sink render in 50 ms blocks instead of 2 s ones, so that a
    # capture through its monitor starts within a block rather than after two seconds.
    pulseaudio --daemonize=no --exit-idle-time=-1 --system=false --disallow-exit \
        -n --load="module-native-protocol-unix socket=$PULSE_RUNTIME_PATH/native auth-anonymous=1" \
        --load="module-null-sink sink_name=osc_null rate=44100 channels=2 norewinds=1" \
        --load="module-always-sink" \
        >"$PULSE_RUNTIME_PATH/daemon.log" 2>&1 &
    OSC_SOUND_SERVER_PIDS+=($!)
}

# PipeWire's three daemons share a runtime folder (their sockets) and a session bus; neither
# needs systemd, a login session or a user other than root.
start_pipewire_daemons() {
    local program
    for program in pipewire wireplumber pipewire-pulse dbus-daemon; do
        if ! command -v "$program" >/dev/null; then
            echo "sound server: $program is not installed; real-audio tests will skip"
            return 1
        fi
    done
    local runtime="$PULSE_RUNTIME_PATH"
    chmod 700 "$runtime"
    # The bus stays a child of this shell, so that it shares the daemons' process group.
    dbus-daemon --session --nofork --nopidfile --address="unix:path=$runtime/bus" \
        >"$runtime/dbus.log" 2>&1 &
    OSC_SOUND_SERVER_PIDS+=($!)
    wait_for_socket "$runtime/bus" || return 1
    local environment=(XDG_RUNTIME_DIR="$runtime" PIPEWIRE_RUNTIME_DIR="$runtime"
        DBUS_SESSION_BUS_ADDRESS="unix:path=$runtime/bus"
        PULSE_RUNTIME_PATH="$runtime" XDG_CONFIG_HOME="$runtime/config"
        XDG_STATE_HOME="$runtime/state")
    # No Bluetooth on a test server: its monitor asks logind for the seat, and where logind has
    # never run (a container, a bare root) the session manager then quits.
    mkdir -p "$runtime/config/wireplumber/bluetooth.lua.d"
    echo 'bluez_monitor.enabled = false' \
        >"$runtime/config/wireplumber/bluetooth.lua.d/80-no-bluetooth.lua"
    # The null sink belongs to the server from its start, as a card does; a sink loaded later
    # would leave a moment in which clients find the server but not the card.
    mkdir -p "$runtime/config/pipewire/pipewire.conf.d"
    cat >"$runtime/config/pipewire/pipewire.conf.d/80-osc-null.conf" <<'CONF'
context.objects = [
    { factory = adapter
      args = { factory.name = support.null-audio-sink node.name = osc_null
               node.description = osc_null media.class = Audio/Sink
               audio.position = [ FL FR ] audio.rate = 44100 object.linger = true
               monitor.channel-volumes = true } }
]
CONF
    env "${environment[@]}" pipewire >"$runtime/pipewire.log" 2>&1 &
    OSC_SOUND_SERVER_PIDS+=($!)
    wait_for_socket "$runtime/pipewire-0"
    env "${environment[@]}" wireplumber >"$runtime/wireplumber.log" 2>&1 &
    OSC_SOUND_SERVER_PIDS+=($!)
    # pipewire-pulse serves the PulseAudio protocol on the socket PULSE_SERVER names.
    env "${environment[@]}" pipewire-pulse >"$runtime/pipewire-pulse.log" 2>&1 &
    OSC_SOUND_SERVER_PIDS+=($!)
}

wait_for_socket() {
    for _ in $(seq 50); do
        [[ -S "$1" ]] && return 0
        sleep 0.1
    done
    return 1
}

# The null sink the tests play into made the default sink, and its monitor the default source.
# A server that has just begun to answer may not take them yet (PipeWire's session manager
# links its nodes a moment later), so this tries for up to five seconds.
sound_server_null_sink() {
    for _ in $(seq 50); do
        pactl set-default-sink osc_null 2>/dev/null &&
            pactl set-default-source osc_null.monitor 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

stop_sound_server() {
    local i pid
    # The newest first: the PulseAudio front end and the session manager before the server,
    # the session bus last.
    for ((i = ${#OSC_SOUND_SERVER_PIDS[@]} - 1; i >= 0; --i)); do
        pid=${OSC_SOUND_SERVER_PIDS[i]}
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    OSC_SOUND_SERVER_PIDS=()
    unset OSC_SOUND_SERVER
    rm -rf "${PULSE_RUNTIME_PATH:-/nonexistent}"
}

# Run as a program, the script serves one server in the folder it is given until it is killed:
#   bash scripts/sound-server.sh serve pulseaudio|pipewire FOLDER
# A test that freezes, kills and restarts a server of its own runs it so, in a process group of
# its own, and knows from the file FOLDER/ready that the server answers. A server started again
# in the same folder answers at the same address, as a new server: PipeWire's memory of the
# volumes it had is wiped, so that its sink starts at its own level, as PulseAudio's does here.
if [[ "${BASH_SOURCE[0]}" == "$0" && "${1:-}" == serve ]]; then
    rm -rf "$3/ready" "$3/native" "$3/bus" "$3/state"
    start_sound_server "$2" "$3"
    [[ -n "${OSC_SOUND_SERVER:-}" ]] || exit 1
    touch "$3/ready"
    wait
fi
