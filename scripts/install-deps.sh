#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the build, tests and benchmarks need, only those still missing; the
# arguments name more packages for one target (make package). --windows: only what the Windows build
# and its tests under wine need (make windows).
set -euo pipefail

if [ "${1:-}" = "--windows" ]; then
    # The posix thread model's compiler, whose libstdc++ has std::thread; googletest for its source,
    # built for Windows in the tree; wine to run the test programs.
    packages=(cmake ninja-build make g++-mingw-w64-x86-64-posix googletest wine wine64)
else
    packages=(
        g++ cmake ninja-build make pkg-config python3 time clang-format git
        libgtest-dev libgmock-dev libbenchmark-dev libssl-dev openssl
        qt6-base-dev libgl-dev
        desktop-file-utils # desktop-file-validate, for the test of the desktop files
        clang libclang-rt-dev # the fuzz targets (libFuzzer)
        groff-base appstream # the checks of the manual pages and of the software-centre metadata
        "$@"
    )
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}. Run as root or install them with apt-get." >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
