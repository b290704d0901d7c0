#!/bin/sh
# Builds the reader's libFuzzer target with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer, the whole core instrumented) and runs it.
#   scripts/fuzz.sh [SECONDS] [BUILD_DIR]
set -eu
seconds=${1:-180}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-"$root/build-fuzz"}
jobs=${FUZZ_BUILD_JOBS:-2}

cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ \
  -DCHATLOG_BUILD_APPS=OFF -DCHATLOG_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake --build "$build" --target reader_fuzz -j"$jobs"

corpus="$build/reader_fuzz_corpus"
mkdir -p "$corpus"
# Seed: a small archive of two blocks with records, escapes and a long line.
if [ -z "$(ls -A "$corpus")" ]; then
  python3 - "$corpus/seed" <<'PY' || true
import sys
def rec(t, text): return b"%02x,00,00,00ffffff,00000000,00000000,0000,00,00,00,00," % t + text
lines = [rec(1, b"Alice : hi"), rec(127, b"Bob\x81\x41Potion\x82\xF0\x8E\xE8"), rec(36, b"Orc\x82\xCD\x93\x7C\x82\xEA\x82\xBD"),
         rec(131, b"gain 12 x"), rec(4, b">Zed \x1E\x01x"), b"", rec(20, b"A" * 1100)]
block = b"\0" * 100 + b"".join(l + b"\0" for l in (lines + [b""] * 50)[:50])
open(sys.argv[1], "wb").write(b"\x05\x00" + block + block[:300])
PY
fi
"$build/viewer/tests/fuzz/reader_fuzz" -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 "$corpus"
