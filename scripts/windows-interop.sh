#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The container format is the same on both systems: kelvane-cli built for Linux and kelvane-cli.exe
# under wine encrypt the same files into byte-identical containers with every method, and each
# decrypts the other's back to the original bytes.
# Usage: windows-interop.sh LINUX_CLI WINDOWS_CLI_EXE   (WINEPREFIX as the tests use it)
set -euo pipefail
linux=$(realpath "$1")
windows=$(realpath "$2")
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" # no offer to install .NET or HTML engines
work=$(mktemp -d "${TMPDIR:-/tmp}/kelvane-interop.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# A password outside ASCII, read as bytes from a file by both.
printf 'p\xc3\xa4ssw\xc3\xb6rt\n' > password
sizes=(0 7 8 10235 10240 100003)
failures=0
for method in 0 1 2 3 4; do
    mkdir -p "lin$method" "win$method"
    files=()
    for size in "${sizes[@]}"; do
        name="f$size"
        head -c "$size" /dev/urandom > "orig-$method-$name"
        cp "orig-$method-$name" "lin$method/$name"
        cp "orig-$method-$name" "win$method/$name"
        files+=("$name")
    done
    (cd "lin$method" && "$linux" encrypt --method "$method" --password-file ../password "${files[@]}")
    (cd "win$method" && wine "$windows" encrypt --method "$method" --password-file ../password "${files[@]}")
    for name in "${files[@]}"; do
        if ! cmp -s "lin$method/$name.cry" "win$method/$name.cry"; then
            echo "method $method, $name: the containers differ" >&2
            failures=$((failures + 1))
        fi
    done
    # Each decrypts the other's containers.
    for name in "${files[@]}"; do
        mv "lin$method/$name.cry" "swap-$name.cry"
        mv "win$method/$name.cry" "lin$method/$name.cry"
        mv "swap-$name.cry" "win$method/$name.cry"
    done
    (cd "lin$method" && "$linux" decrypt --password-file ../password "${files[@]/%/.cry}")
    (cd "win$method" && wine "$windows" decrypt --password-file ../password "${files[@]/%/.cry}")
    for name in "${files[@]}"; do
        for side in lin win; do
            if ! cmp -s "orig-$method-$name" "$side$method/$name"; then
                echo "method $method, $name: decrypted on $side differs from the original" >&2
                failures=$((failures + 1))
            fi
        done
    done
done
count=$((5 * ${#sizes[@]}))
echo "Windows interop: $((count * 3 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
