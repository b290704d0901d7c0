#!/usr/bin/env bash
# Regenerates the bundled sample archive samples/sample.log (40 blocks, 2000
# lines, seed 1) with our own generator. Usage: scripts/make-sample.sh [BUILD_DIR]
# Uses BUILD_DIR/bench/chatlog-generate when it exists, else compiles the
# generator (standard library only) into a temporary folder.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
gen=""
if [ $# -ge 1 ] && [ -x "$1/bench/chatlog-generate" ]; then
    gen="$1/bench/chatlog-generate"
else
    tmp="$(mktemp -d)"
    trap 'rm -rf "$tmp"' EXIT
    "${CXX:-c++}" -std=c++20 -O2 -o "$tmp/chatlog-generate" "$root/bench/generate_archive.cpp"
    gen="$tmp/chatlog-generate"
fi
"$gen" --blocks 40 --seed 1 "$root/samples/sample.log"
echo "wrote $root/samples/sample.log ($(stat -c %s "$root/samples/sample.log") bytes)"
