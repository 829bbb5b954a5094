#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The main job until the window exists: kelvane-cli encrypts a sample file, shows its header,
# decrypts it and compares the result with the original, saying what it does at each step.
set -euo pipefail
cli=${1:-build/bin/kelvane-cli}
work=$(mktemp -d "${TMPDIR:-/tmp}/kelvane-demo.XXXXXX")
trap 'rm -rf "$work"' EXIT

sample="$work/report.txt"
for i in $(seq 1 2000); do echo "Line $i of a sample report that Kelvane encrypts and decrypts."; done > "$sample"
cp "$sample" "$work/original.txt"
printf 'demo-pass\n' > "$work/password"

echo "1. Sample file: $sample ($(stat -c %s "$sample") bytes)"
echo "2. Encrypting it with IDEA:  kelvane-cli encrypt --password-file PASSWORD report.txt"
"$cli" encrypt --password-file "$work/password" "$sample"
echo "   -> $(basename "$sample").cry written ($(stat -c %s "$sample.cry") bytes); the plain file was wiped: $( [ -e "$sample" ] && echo 'NO, still there' || echo 'yes, gone')"
echo "3. Header of the container:  kelvane-cli info report.txt.cry"
echo "   $("$cli" info "$sample.cry")"
echo "4. Decrypting it:            kelvane-cli decrypt --password-file PASSWORD report.txt.cry"
"$cli" decrypt --password-file "$work/password" "$sample.cry"
echo "5. Comparing with the original:"
if cmp -s "$sample" "$work/original.txt"; then
    echo "   identical. The container was deleted: $( [ -e "$sample.cry" ] && echo 'NO' || echo 'yes')"
else
    echo "   DIFFERENT: something is wrong" >&2
    exit 1
fi
echo "Done. Try it yourself: $cli --help"
