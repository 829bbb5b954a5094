#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every fuzz target for FUZZ_SECONDS (default 60) from seeds made by kelvane-cli of the same
# build and the test fixtures; fails on the first finding, which is left in the artifacts folder.
# Usage: fuzz/run.sh BUILD_DIR
set -euo pipefail
build=$1
seconds=${FUZZ_SECONDS:-60}
here=$(cd "$(dirname "$0")" && pwd)
work=$build/fuzz-work
mkdir -p "$work/artifacts"
cli=$build/bin/kelvane-cli

seeds() { # target -> seed folder, made once
    local dir=$work/seeds-$1
    [ -d "$dir" ] && { echo "$dir"; return; }
    mkdir -p "$dir"
    local tmp; tmp=$(mktemp -d)
    case $1 in
    fuzz_container)
        printf 'fuzzpass\n' > "$tmp/pw"
        for method in 0 1 2 3 4; do
            for size in 0 1 8 100 10241; do
                head -c "$size" /dev/urandom > "$tmp/f$method-$size"
                "$cli" encrypt --method "$method" --password-file "$tmp/pw" "$tmp/f$method-$size" >/dev/null
                mv "$tmp/f$method-$size.cry" "$dir/"
            done
        done
        find "$here/../tests/data" -name '*.cry' -size -64k -exec cp {} "$dir/" \; ;;
    fuzz_pwdb)
        printf 'fuzzpass\n' > "$tmp/pw"; printf 'fuzzmaster\n' > "$tmp/master"
        for count in 1 3; do
            for i in $(seq "$count"); do echo "$i" > "$tmp/file$count-$i"; done
            "$cli" encrypt --password-file "$tmp/pw" --keyfile "$tmp/db$count" --master-password-file "$tmp/master" \
                "$tmp"/file"$count"-* >/dev/null
            cp "$tmp/db$count" "$dir/"
        done
        cp "$here"/../tests/data/pwdb_*.key "$dir/" ;;
    fuzz_cli_args)
        printf 'encrypt\0--method=3xdes\0--keep\0a.txt' > "$dir/encrypt"
        printf 'decrypt\0-r\0--jobs=2\0--keyfile=db\0--master-password-file\0-\0dir' > "$dir/decrypt"
        printf 'info\0--\0-x.cry' > "$dir/info"
        printf 'verify\0--keyfile\0db\0a.cry' > "$dir/verify"
        printf 'rekey\0--method\0des\0--password-file\0-\0--new-password-file=new\0a.cry' > "$dir/rekey"
        printf 'keys\0remove\0--keyfile=db\0--master-password-file\0-\0--\0-name' > "$dir/keys"
        # Found by the fuzzer when rekey came: the harness did not know the command yet.
        printf 'rekey\0-\0\0--\0\0\0oxry' > "$dir/rekey-stdin" ;;
    fuzz_settings)
        cp "$here/../data/crypt file.ini.in" "$dir/default.ini"
        find "$here/../tests/data" -name '*.ini' -exec cp {} "$dir/" \; ;;
    esac
    rm -rf "$tmp"
    echo "$dir"
}

status=0
for target in fuzz_container fuzz_pwdb fuzz_settings fuzz_cli_args; do
    dict=$here/${target#fuzz_}.dict
    corpus=$work/corpus-$target
    mkdir -p "$corpus"
    echo "== $target, $seconds s"
    if ! "$build/bin/$target" "$corpus" "$(seeds "$target")" -dict="$dict" -max_total_time="$seconds" \
        -timeout=30 -rss_limit_mb=2048 -max_len=12000 -print_final_stats=1 -artifact_prefix="$work/artifacts/$target-" \
        >"$work/$target.log" 2>&1; then
        tail -40 "$work/$target.log"
        status=1
    else
        grep -E "^stat::number_of_executed_units|^stat::average_exec_per_sec" "$work/$target.log" || true
    fi
done
exit $status
