#!/usr/bin/env bash
# Installs the Debian packages of the named sets that are missing (as root):
#   scripts/install-deps.sh SET...
#     program   build and run the instrument
#     headless  a virtual X display for a machine without one
#     test      build and run the tests and benchmarks
#     package   build and check the Debian package
# Only missing packages are fetched, so a prepared machine pays nothing. A package the program
# needs belongs in `program` even when a test set happens to pull it in too.
set -euo pipefail
declare -A sets=(
    [program]="cmake g++ make pkg-config
               qt6-base-dev qt6-qpa-plugins qt6-charts-dev qt6-svg-dev libqt6opengl6-dev
               portaudio19-dev libasound2-dev libpulse-dev libsndfile1-dev libkissfft-dev
               fonts-liberation2"
    [headless]="xvfb xauth"
    [test]="libgtest-dev libbenchmark-dev
            pulseaudio pulseaudio-utils libasound2-plugins
            pipewire pipewire-bin pipewire-pulse wireplumber dbus-daemon
            desktop-file-utils appstream groff-base
            python3-pyvisa python3-pyvisa-py"
    [package]="dpkg-dev file lintian"
)
(($#)) || { echo "usage: install-deps.sh SET... (sets: ${!sets[*]})" >&2; exit 2; }
packages=()
for set in "$@"; do
    [[ -n "${sets[$set]:-}" ]] || { echo "install-deps: no package set '$set'" >&2; exit 2; }
    read -r -d '' -a members <<<"${sets[$set]}" || true
    packages+=("${members[@]}")
done
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
