#!/usr/bin/env bash
# Checks a built Debian package before anyone installs it: its dependencies were computed from
# the program's libraries and name the font and the Qt platform plugin the window needs, lintian
# finds no error and nothing wrong with the description, every file an installation promises is
# in it, and the unpacked program answers --version and --help.
#   scripts/package-check.sh DEB
set -euo pipefail
deb=$(realpath "$1")
fail() {
    echo "package check: $*" >&2
    exit 1
}

depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
for needed in libc6 libqt6widgets6 libportaudio2 libpulse0 libsndfile1 fonts-liberation2 qt6-qpa-plugins; do
    [[ ", $depends," == *", $needed "* || ", $depends," == *", $needed,"* ]] ||
        fail "Depends lacks $needed"
done

# Errors of any kind, and every warning about the synopsis or the extended description.
report=$(lintian --tag-display-limit 0 "$deb" 2>&1) || true
[[ -z "$report" ]] || echo "$report"
if grep -E '^E: |^W: .*(description|synopsis)' <<<"$report" >/dev/null; then
    fail "lintian reports the lines above"
fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb --extract "$deb" "$root"
for f in usr/bin/osciloskop usr/share/applications/osciloskop.desktop \
    usr/share/man/man1/osciloskop.1.gz usr/share/icons/hicolor/scalable/apps/osciloskop.svg \
    usr/share/metainfo/osciloskop.metainfo.xml usr/share/doc/osciloskop/copyright \
    usr/share/doc/osciloskop/changelog.gz; do
    [[ -s "$root/$f" ]] || fail "missing in the package: $f"
done
# The FFT library comes in through shlibdeps as soon as the program links the analysis layer.
if readelf --dynamic "$root/usr/bin/osciloskop" | grep -q 'libkissfft-float'; then
    [[ ", $depends," == *", libkissfft-float131 "* || ", $depends," == *", libkissfft-float131,"* ]] ||
        fail "Depends lacks libkissfft-float131"
fi
"$root/usr/bin/osciloskop" --version
"$root/usr/bin/osciloskop" --help >/dev/null
echo "package OK: $(basename "$deb")"
