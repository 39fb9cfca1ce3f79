#!/usr/bin/env bash
# Builds the Debian package as users install it: installs what is missing, makes a Release build
# of the program in build-release/, packs it with CPack and checks the package (see
# package-check.sh). Extra arguments go to CMake, e.g. -DOSC_WERROR=ON in CI.
#   scripts/package.sh [CMAKE_OPTION...]
# The last line names the .deb; a package that fails a check is removed, not left behind.
set -euo pipefail
cd "$(dirname "$0")/.."
build="build-release"

bash scripts/install-deps.sh program package
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DOSC_TESTS=OFF -DOSC_BENCHMARKS=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON "$@" >/dev/null
cmake --build "$build" --target osciloskop -j"$(nproc)"
rm -f "$build"/osciloskop_*.deb
if ! log=$(cd "$build" && cpack -G DEB 2>&1); then
    echo "$log" >&2
    exit 1
fi
deb=$(realpath "$build"/osciloskop_*_amd64.deb)
bash scripts/package-check.sh "$deb" || { rm -f "$deb"; exit 1; }
echo "$deb"
