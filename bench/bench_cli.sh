#!/usr/bin/env bash
# Whole-process timings of the real chatscope binary against plain tools, on a
# generated archive of about 100 MB read from the page cache.
#   bench/bench_cli.sh BUILD_DIR [MEGABYTES]     (env: RUNS, TMPDIR, OUT_DIR)
# BUILD_DIR must hold viewer/app/chatscope and bench/chatlog-generate (this
# script builds nothing). Targets: --stats <= 4x wc -l, --export-html <= 6x
# cat FILE > /dev/null, peak memory of --stats < 64 MB.
set -euo pipefail
build="$(cd "${1:?usage: bench_cli.sh BUILD_DIR [MEGABYTES]}" && pwd)"
mb="${2:-100}"
viewer="$build/viewer/app/chatscope"
gen="$build/bench/chatlog-generate"
for f in "$viewer" "$gen"; do
    [ -x "$f" ] || { echo "bench_cli.sh: missing $f (build it first)" >&2; exit 2; }
done
command -v hyperfine >/dev/null || { echo "bench_cli.sh: hyperfine is needed" >&2; exit 2; }

work="${TMPDIR:-/tmp}"
log="$work/chatscope-bench-${mb}mb.log"
# OUT_DIR=/dev/shm keeps the disk's writeback (and other disk users) out of the export's time.
out="${OUT_DIR:-$work}/chatscope-bench-${mb}mb.html"
json="$(mktemp)"
trap 'rm -f "$json" "$out"' EXIT
if [ ! -s "$log" ]; then
    echo "generating $log ..."
    "$gen" --megabytes "$mb" --seed 7 "$log"
fi
size=$(stat -c %s "$log")
# Defaults for the settings: nothing hidden, so the export writes every record.
noset="--cnf $work/chatscope-bench-none.cnf --flt $work/chatscope-bench-none.flt"
rm -f "$work/chatscope-bench-none.cnf" "$work/chatscope-bench-none.flt"

echo "archive: $log ($size bytes, $(wc -l < "$log" | tr -d ' ') LF bytes)"
cat "$log" > /dev/null  # into the page cache

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
# Each export writes a new file: removing the previous run's 77 MB output is not
# part of the export's work, so it happens in the prepare step (for every command alike).
hyperfine -N --warmup 3 --runs "${RUNS:-15}" --export-json "$json" \
    --prepare "rm -f $out" --prepare "rm -f $out" --prepare "rm -f $out" --prepare "rm -f $out" \
    -n "wc -l" "wc -l $log" \
    -n "chatscope --stats" "$viewer --stats $noset $log" \
    -n "cat" "cat $log" \
    -n "chatscope --export-html" "$viewer --export-html $out $noset $log"

rss_kb=$(/usr/bin/time -f %M "$viewer" --stats $noset "$log" 2>&1 >/dev/null | tail -1)
html_size=$(stat -c %s "$out")

python3 - "$json" "$rss_kb" "$size" "$html_size" <<'PY'
import json, sys
res = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
rss_mb = int(sys.argv[2]) / 1024
size, html = int(sys.argv[3]), int(sys.argv[4])
def mean(name): return res[name]["mean"]
def cpu(name): return res[name]["user"] + res[name]["system"]
stats = mean("chatscope --stats") / mean("wc -l")
export = mean("chatscope --export-html") / mean("cat")
def verdict(ok): return "met" if ok else "MISSED"
print()
print(f"input {size/1e6:.1f} MB, HTML output {html/1e6:.1f} MB")
for n in ("wc -l", "chatscope --stats", "cat", "chatscope --export-html"):
    print(f"  {n:24s} wall {mean(n)*1000:7.1f} ms (sd {res[n]['stddev']*1000:5.1f})  cpu {cpu(n)*1000:7.1f} ms")
print(f"--stats / wc -l        = {stats:5.2f}x  (target <= 4x: {verdict(stats <= 4)})")
print(f"--export-html / cat    = {export:5.2f}x  (target <= 6x: {verdict(export <= 6)})")
# CPU time (user + system) ratios, for a machine busy with other work where
# the wall-clock figures above are inflated by waiting for a core.
print(f"cpu: --stats / wc -l = {cpu('chatscope --stats')/cpu('wc -l'):5.2f}x, "
      f"--export-html / cat = {cpu('chatscope --export-html')/cpu('cat'):5.2f}x")
print(f"--stats peak RSS       = {rss_mb:5.1f} MB (target < 64 MB: {verdict(rss_mb < 64)})")
sys.exit(0 if stats <= 4 and export <= 6 and rss_mb < 64 else 1)
PY
