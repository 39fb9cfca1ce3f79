#!/usr/bin/env bash
# Builds the Debian package from a configured build folder, unpacks it into a fresh root and
# checks that the unpacked program answers --version and --help and starts on the simulated
# card under Xvfb, writing a screenshot.
#   scripts/package-check.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/osciloskop_*_amd64.deb)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
program=$root/usr/bin/osciloskop
"$program" --version
"$program" --help >/dev/null
for f in usr/share/applications/osciloskop.desktop usr/share/man/man1/osciloskop.1.gz \
    usr/share/icons/hicolor/scalable/apps/osciloskop.svg \
    usr/share/metainfo/osciloskop.metainfo.xml; do
    [[ -s "$root/$f" ]] || { echo "missing in the package: $f" >&2; exit 1; }
done
xvfb-run -a "$program" --audio sim --quit-after 3000 --screenshot "$root/screen.png"
[[ -s "$root/screen.png" ]] || { echo "no screenshot from the installed program" >&2; exit 1; }
echo "package OK: $(basename "$deb")"
