#!/usr/bin/env bash
# Installs what is missing, builds the instrument and starts it. Every argument goes to the
# program (see `--help`), e.g.  bash scripts/run.sh --audio sim
# On a machine without a display the window opens on a virtual X display (xvfb-run). Only the
# program is built: neither the tests nor their packages are needed to run it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${OSC_BUILD_DIR:-build}
headless=false
[[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]] && headless=true

if $headless; then
    bash scripts/install-deps.sh program headless
else
    bash scripts/install-deps.sh program
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSC_TESTS=OFF -DOSC_BENCHMARKS=OFF \
    >/dev/null
cmake --build "$build" --target osciloskop -j"$(nproc)"

program=("$build/src/app/osciloskop" "$@")
if $headless; then
    echo "run: no display (\$DISPLAY and \$WAYLAND_DISPLAY are empty); starting the instrument" \
        "on a virtual X display with xvfb-run. Nothing is visible there: add" \
        "--screenshot FILE --quit-after MS to keep a picture, or run this on a desktop." >&2
    exec xvfb-run -a "${program[@]}"
fi
exec "${program[@]}"
