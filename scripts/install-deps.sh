#!/usr/bin/env bash
# Installs the Debian packages the instrument needs to build, run and test (as root).
# Only missing packages are fetched, so a prepared machine pays nothing.
set -euo pipefail
packages=(
    cmake g++ make pkg-config
    qt6-base-dev
    portaudio19-dev libasound2-dev libsndfile1-dev
    googletest libbenchmark-dev
    pulseaudio pulseaudio-utils libasound2-plugins
    xvfb xauth
    fonts-liberation2
    desktop-file-utils appstream groff-base
    qt6-charts-dev qt6-svg-dev libqt6opengl6-dev
    pipewire pipewire-bin pipewire-pulse wireplumber dbus-daemon
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
