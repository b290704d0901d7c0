#!/bin/sh
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer, the cores instrumented as a whole) and runs one
# of them, or each in turn, for SECONDS each from its seed corpus.
#   scripts/fuzz.sh [TARGET] [SECONDS]      (TARGET "all" or none: every target)
# FUZZ_BUILD_DIR (build-fuzz), FUZZ_BUILD_JOBS (2), FUZZ_RUNS (a number of
# executions instead of a time) and FUZZ_FORK (worker processes) tune it.
# A crash leaves its input in BUILD_DIR/artifacts; once fixed, it belongs in
# the target's seed corpus as a regression case.
set -eu
targets="reader_fuzz viewer_settings_fuzz filter_file_fuzz user_state_fuzz text_matcher_fuzz
         settings_record_fuzz capture_intent_fuzz"
target=${1:-all}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-"$root/build-fuzz"}
jobs=${FUZZ_BUILD_JOBS:-2}
[ "$target" = all ] || targets=$target

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DCHATLOG_BUILD_APPS=OFF -DCHATLOG_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
  >/dev/null
# shellcheck disable=SC2086
cmake --build "$build" -j"$jobs" --target $targets

mkdir -p "$build/artifacts"
failed=""
for t in $targets; do
  case $t in
    reader_fuzz | viewer_* | filter_* | user_* | text_*) seeds="$root/viewer/tests/fuzz/corpus/$t" ;;
    *) seeds="$root/catcher/tests/fuzz/corpus/$t" ;;
  esac
  bin=$(find "$build" -type f -name "$t" -perm -u+x | head -n 1)
  # New inputs go to the build's corpus; the seeds in the repository stay as they are.
  mkdir -p "$build/corpus/$t"
  limit="-max_total_time=$seconds"
  [ -z "${FUZZ_RUNS:-}" ] || limit="-runs=$FUZZ_RUNS"
  fork=""
  [ -z "${FUZZ_FORK:-}" ] || fork="-fork=$FUZZ_FORK -ignore_crashes=0"
  echo "== $t"
  # shellcheck disable=SC2086
  "$bin" $limit $fork -max_len=8192 -timeout=20 -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" \
    "$build/corpus/$t" "$seeds" || failed="$failed $t"
done
if [ -n "$failed" ]; then
  echo "fuzz.sh: failed:$failed (inputs in $build/artifacts)" >&2
  exit 1
fi
