#!/usr/bin/env bash
# Installs what is missing, builds and runs every test through ctest.
#   scripts/test.sh             normal build in build/
#   scripts/test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh program test

build=build
options=(-DOSC_WERROR=ON -DOSC_TESTS=ON -DOSC_BENCHMARKS=ON)
if [[ "${1:-}" == "--sanitize" ]]; then
    build=build-asan
    options+=(-DOSC_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi
cmake -S . -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"

export QT_QPA_PLATFORM=offscreen
source scripts/sound-server.sh
trap stop_sound_server EXIT
status=0
start_sound_server pulseaudio
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" || status=1
stop_sound_server
# The tests on the real sound path once more on PipeWire, the sound server of most desktops.
start_sound_server pipewire
ctest --test-dir "$build" --output-on-failure -L real-audio || status=1
exit "$status"
