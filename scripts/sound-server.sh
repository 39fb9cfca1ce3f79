# Sourced by the test script: a private PulseAudio daemon with a null sink, whose monitor is a
# real loopback from the card's output to its input, for the tests labelled real-audio.
# Where no daemon can run, those tests skip and say why.

start_sound_server() {
    export PULSE_RUNTIME_PATH
    PULSE_RUNTIME_PATH=$(mktemp -d /tmp/osc-pulse.XXXXXX)
    export PULSE_STATE_PATH="$PULSE_RUNTIME_PATH" PULSE_CONFIG_PATH="$PULSE_RUNTIME_PATH"
    export PULSE_SERVER="unix:$PULSE_RUNTIME_PATH/native"
    if ! command -v pulseaudio >/dev/null; then
        echo "sound server: pulseaudio is not installed; real-audio tests will skip"
        return 0
    fi
    # norewinds=1 makes the null sink render in 50 ms blocks instead of 2 s ones, so that a
    # capture through its monitor starts within a block rather than after two seconds.
    pulseaudio --daemonize=no --exit-idle-time=-1 --system=false --disallow-exit \
        -n --load="module-native-protocol-unix socket=$PULSE_RUNTIME_PATH/native auth-anonymous=1" \
        --load="module-null-sink sink_name=osc_null rate=44100 channels=2 norewinds=1" \
        --load="module-always-sink" \
        >"$PULSE_RUNTIME_PATH/daemon.log" 2>&1 &
    OSC_PULSE_PID=$!
    for _ in $(seq 50); do
        pactl info >/dev/null 2>&1 && break
        sleep 0.1
    done
    if pactl info >/dev/null 2>&1; then
        pactl set-default-sink osc_null
        pactl set-default-source osc_null.monitor
        export OSC_SOUND_SERVER=1
        echo "sound server: PulseAudio with null sink osc_null is running"
    else
        echo "sound server: PulseAudio did not start; real-audio tests will skip"
        sed 's/^/    /' "$PULSE_RUNTIME_PATH/daemon.log" | tail -5
    fi
}

stop_sound_server() {
    if [[ -n "${OSC_PULSE_PID:-}" ]]; then
        kill "$OSC_PULSE_PID" 2>/dev/null || true
        wait "$OSC_PULSE_PID" 2>/dev/null || true
    fi
    rm -rf "${PULSE_RUNTIME_PATH:-/nonexistent}"
}
