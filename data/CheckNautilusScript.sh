#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Nautilus script hands exactly the selected paths to kelvane, one argument each, whatever the
# names hold (blanks, quotes, wildcards, a leading dash), and starts nothing for an empty selection.
# Usage: CheckNautilusScript.sh SCRIPT
set -u
script=$(realpath "$1")
status=0
fail() {
    echo "FAIL: $*" >&2
    status=1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
# A kelvane that records its arguments, each ended by a NUL byte.
cat >"$work/bin/kelvane" <<FAKE
#!/bin/sh
printf '%s\\0' "\$@" >"$work/args"
FAKE
chmod +x "$work/bin/kelvane"
# A file the wildcard in one name would match if it were expanded.
: >"$work/a.txt"

paths=(
    "$work/my notes.txt"
    "$work/it's \"quoted\".txt"
    "$work/*.txt"
    "$work/-n"
    "$work/\$HOME and \`date\`"
    "$work/tab	inside"
)
selection=$(printf '%s\n' "${paths[@]}")
(cd "$work" && PATH="$work/bin:$PATH" NAUTILUS_SCRIPT_SELECTED_FILE_PATHS="$selection"$'\n' sh "$script") ||
    fail "the script failed"
if [ -f "$work/args" ]; then
    mapfile -d '' recorded <"$work/args"
    [ "${#recorded[@]}" -eq "${#paths[@]}" ] || fail "${#recorded[@]} arguments for ${#paths[@]} paths: ${recorded[*]}"
    for i in "${!paths[@]}"; do
        [ "${recorded[$i]-}" = "${paths[$i]}" ] || fail "argument $i is '${recorded[$i]-}', expected '${paths[$i]}'"
    done
else
    fail "kelvane was not started"
fi

rm -f "$work/args"
(PATH="$work/bin:$PATH" NAUTILUS_SCRIPT_SELECTED_FILE_PATHS="" sh "$script") || fail "the script failed without a selection"
[ ! -e "$work/args" ] || fail "kelvane was started without a selection"

[ $status -eq 0 ] && echo "Nautilus script: OK"
exit $status
