#!/usr/bin/env bash
# A new user's machine, proven: in a minimal Debian 12 root made with debootstrap, the README's
# run, test and package commands install what they need, build, start the program and pass
# every test; in a second pristine root the .deb alone is installed with apt-get and the
# installed program is looked at: --version, the manual page, and a window on the simulated
# card under xvfb-run that saves a screenshot and measures every control's text.
#   scripts/clean-machine-check.sh [OUT_DIR]     (as root; OUT_DIR defaults to out/clean-machine)
# OUT_DIR receives the .deb, the screenshot, the logs and the time of each step (times.txt).
# Only the pristine root is cached, as a tarball in $OSC_CI_CACHE (/var/cache/osciloskop-ci);
# every package the project needs is installed anew by its own scripts. Whatever is mounted is
# unmounted again, also when a step fails or the check is interrupted.
set -euo pipefail
cd "$(dirname "$0")/.."
checkout=$PWD
out=$(realpath -m "${1:-out/clean-machine}")
cache=${OSC_CI_CACHE:-/var/cache/osciloskop-ci}
base=$cache/bookworm-minbase.tar.gz
mirror=http://deb.debian.org/debian
rootPath=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin

work=$(mktemp -d /var/tmp/osc-clean-machine.XXXXXX)

# Processes still running inside a root (a sound server, a virtual display) keep its mounts busy.
stop_processes_in() {
    local proc
    for proc in /proc/[0-9]*; do
        [[ "$(readlink "$proc/root" 2>/dev/null)" == "$1"/* ]] && kill -9 "${proc#/proc/}" 2>/dev/null
    done
    return 0
}

# Every mount under the work folder, newest first: the roots' and any debootstrap left behind.
mounts_under_work() {
    awk -v prefix="$work/" 'index($2, prefix) == 1 { print $2 }' /proc/self/mounts | tac
}

cleanup() {
    local target
    stop_processes_in "$work"
    for target in $(mounts_under_work); do
        umount "$target" 2>/dev/null || umount --lazy "$target" ||
            echo "clean machine: cannot unmount $target" >&2
    done
    if [[ -n "$(mounts_under_work)" ]]; then
        echo "clean machine: something is still mounted under $work; it is left in place" >&2
        return 1
    fi
    rm -rf --one-file-system "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

mount_in() { # ROOT TARGET MOUNT-ARGUMENTS...
    mount "${@:3}" "$1/$2"
}

step() { # NAME COMMAND...: runs the command, then records how long it took
    local name=$1 started=$SECONDS
    shift
    echo "=== clean machine: $name"
    # In the background, so that a signal to this script runs the cleanup at once rather than
    # after the step.
    "$@" &
    wait $!
    printf '%-44s %5d s\n' "$name" $((SECONDS - started)) | tee -a "$out/times.txt"
}

make_base() {
    [[ -s "$base" ]] && return 0
    command -v debootstrap >/dev/null ||
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap
    mkdir -p "$cache"
    debootstrap --variant=minbase bookworm "$work/base" "$mirror" >"$out/debootstrap.log"
    tar -C "$work/base" --numeric-owner -czf "$base.part" . && mv "$base.part" "$base"
}

# A pristine machine in $work/NAME, with the Debian archive, the host's name servers and the
# kernel file systems a program expects; services are not started by package installs, as in
# any chroot.
new_root() {
    local root=$work/$1
    mkdir "$root"
    tar -C "$root" --numeric-owner -xzf "$base"
    printf 'deb %s bookworm main\ndeb %s bookworm-updates main\n' "$mirror" "$mirror" \
        >"$root/etc/apt/sources.list"
    echo "deb http://deb.debian.org/debian-security bookworm-security main" \
        >>"$root/etc/apt/sources.list"
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
    chmod +x "$root/usr/sbin/policy-rc.d"
    mount_in "$root" proc -t proc proc
    mount_in "$root" sys -t sysfs -o ro sysfs
    mount_in "$root" dev --bind /dev
    mount_in "$root" dev/pts -t devpts -o newinstance,ptmxmode=0666 devpts
    mount_in "$root" dev/shm -t tmpfs -o mode=1777 tmpfs
}

# Runs a command line in a root as a login shell of root would, with no input, as in CI.
in_root() { # NAME COMMAND-LINE
    env -i PATH="$rootPath" HOME=/root LANG=C.UTF-8 TERM=dumb CI=true \
        DEBIAN_FRONTEND=noninteractive chroot "$work/$1" /bin/bash -euo pipefail -c "$2" </dev/null
}

prepare_build_root() {
    new_root build
    mkdir -p "$work/build/root/osciloskop"
    git -C "$checkout" ls-files -z --cached --others --exclude-standard |
        tar -C "$checkout" --null -T - -cf - | tar -C "$work/build/root/osciloskop" -xf -
}

require() { # MESSAGE COMMAND...: fails the step with MESSAGE unless the command succeeds
    local message=$1
    shift
    "$@" || { echo "clean machine: $message" >&2; return 1; }
}

# What the installed program must show: its version, its manual page, a window of the client
# area's size saved as a PNG with every control's whole text, and no word about a missing font.
look_at_installed_program() {
    in_root user 'osciloskop --version'
    in_root user 'MANPAGER=cat MANWIDTH=80 man osciloskop' >"$out/manpage.txt"
    require "man osciloskop shows no manual page" grep -q '^NAME' "$out/manpage.txt"
    printf 'wait 1500\nchecktexts\n' >"$work/user/tmp/check.osc"
    in_root user 'cd /tmp && xvfb-run -a osciloskop --audio sim --script check.osc \
        --screenshot window.png --quit-after 4000' 2>&1 | tee "$out/installed-run.txt"
    cp "$work/user/tmp/window.png" "$out/window.png"
    require "the installed program did not measure its texts" \
        grep -q 'texts whole' "$out/installed-run.txt"
    require "the installed program misses its font" \
        test "$(grep -c font "$out/installed-run.txt")" = 0
    # A PNG's width and height are the big-endian words at bytes 16 and 20.
    require "the screenshot is not 800 x 526 pixels" \
        test "$(od -An -tx1 -j16 -N8 "$out/window.png" | tr -d ' \n')" = 000003200000020e
}

# The README's commands, as a new user types them in the checkout.
in_checkout() { # COMMAND-LINE
    in_root build "cd /root/osciloskop && $1"
}

mkdir -p "$out"
rm -f "$out/times.txt" "$out"/*.deb
started=$SECONDS
step "pristine Debian 12 root (cached)" make_base
step "build root: unpack, mount, copy checkout" prepare_build_root
step "README run: bash scripts/run.sh" in_checkout \
    'bash scripts/run.sh --audio sim --quit-after 3000 --screenshot /tmp/run.png && test -s /tmp/run.png'
step "README test: bash scripts/test.sh" in_checkout 'bash scripts/test.sh'
step "README package: bash scripts/package.sh" in_checkout 'bash scripts/package.sh -DOSC_WERROR=ON'
cp "$work"/build/root/osciloskop/build-release/osciloskop_*_amd64.deb "$out/"
step "user root: unpack, mount" new_root user
cp "$out"/osciloskop_*_amd64.deb "$work/user/tmp/"
step "install: apt-get install ./osciloskop_*.deb" in_root user \
    'apt-get update -qq && apt-get install -y -qq --no-install-recommends /tmp/osciloskop_*_amd64.deb'
step "viewing tools: xvfb xauth man-db" in_root user \
    'apt-get install -y -qq --no-install-recommends xvfb xauth man-db'
step "installed program: version, manual, window" look_at_installed_program
printf '%-44s %5d s\n' "clean machine check, all" $((SECONDS - started)) | tee -a "$out/times.txt"
