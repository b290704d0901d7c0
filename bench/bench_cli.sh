#!/usr/bin/env bash
# Whole-process timings of the real chatscope binary against plain tools, on a
# generated archive of about 100 MB read from the page cache, on two cores and
# on one (taskset -c 0 on both commands of each pair).
#   bench/bench_cli.sh BUILD_DIR [MEGABYTES]     (env: RUNS, TMPDIR, OUT_DIR, WINDOW=0)
# BUILD_DIR must hold viewer/app/chatscope and bench/chatlog-generate (this
# script builds nothing). Targets, in wall time and in CPU time (user + system):
#   --stats        <= 2x   wc -l            (CPU <= 2.5x)
#   --export-html  <= 3x   cat FILE         (CPU <= 3.5x)
#   peak memory of --stats < 64 MB
#   loading the archive into the window (on Xvfb, start-up included):
#                  <= 0.15 s CPU per 1,000,000 records
# The start-up of the executable alone (`chatscope --version`) is shown too:
# it is part of every command-line run.
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
json2="$(mktemp)"
json1="$(mktemp)"
trap 'rm -f "$json2" "$json1" "$out"' EXIT
if [ ! -s "$log" ]; then
    echo "generating $log ..."
    "$gen" --megabytes "$mb" --seed 7 "$log"
fi
size=$(stat -c %s "$log")
# Defaults for the settings: nothing hidden, so the export writes every record.
noset="--cnf $work/chatscope-bench-none.cnf --flt $work/chatscope-bench-none.flt"
rm -f "$work/chatscope-bench-none.cnf" "$work/chatscope-bench-none.flt"
records=$("$viewer" --stats $noset "$log" | sed -n 's/.*All:\([0-9]*\).*/\1/p' | head -1)

echo "archive: $log ($size bytes, $records records)"
cat "$log" > /dev/null  # into the page cache
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"

# Each export writes a new file: removing the previous run's 77 MB output is not
# part of the export's work, so it happens in the prepare step (for every command alike).
run_pairs() {  # JSON_FILE PREFIX...
    local json="$1"
    shift
    hyperfine -N --warmup 3 --runs "${RUNS:-15}" --export-json "$json" --style none \
        --prepare "rm -f $out" --prepare "rm -f $out" --prepare "rm -f $out" --prepare "rm -f $out" \
        --prepare "rm -f $out" \
        -n "wc -l" "$* wc -l $log" \
        -n "chatscope --stats" "$* $viewer --stats $noset $log" \
        -n "cat" "$* cat $log" \
        -n "chatscope --export-html" "$* $viewer --export-html $out $noset $log" \
        -n "chatscope --version" "$* $viewer --version" >/dev/null
}
run_pairs "$json2"
run_pairs "$json1" taskset -c 0

rss_kb=$(/usr/bin/time -f %M "$viewer" --stats $noset "$log" 2>&1 >/dev/null | tail -1)
"$viewer" --export-html "$out" $noset "$log"
html_size=$(stat -c %s "$out")

# The window: CPU time of the process from its start until it has been idle for a second.
window_cpu=""
if [ "${WINDOW:-1}" != 0 ] && command -v Xvfb >/dev/null; then
    display=":$((90 + RANDOM % 9))"
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    sleep 1
    config="$(mktemp -d)"
    DISPLAY="$display" QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$config" "$viewer" "$log" >/dev/null 2>&1 &
    pid=$!
    ticks=$(getconf CLK_TCK)
    last=-1
    same=0
    for _ in $(seq 240); do
        sleep 0.25
        now=$(awk '{print $14 + $15}' "/proc/$pid/stat" 2>/dev/null) || break
        if [ "$now" = "$last" ]; then
            same=$((same + 1))
            [ "$same" -ge 4 ] && break
        else
            same=0
        fi
        last=$now
    done
    window_cpu=$(awk -v t="$last" -v hz="$ticks" 'BEGIN { printf "%.3f", t / hz }')
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    rm -rf "$config"
fi

python3 - "$json2" "$json1" "$rss_kb" "$size" "$html_size" "$records" "$window_cpu" <<'PY'
import json, sys
def load(path): return {r["command"]: r for r in json.load(open(path))["results"]}
runs = {"2 cores": load(sys.argv[1]), "1 core (taskset -c 0)": load(sys.argv[2])}
rss_mb = int(sys.argv[3]) / 1024
size, html, records = int(sys.argv[4]), int(sys.argv[5]), int(sys.argv[6])
window_cpu = float(sys.argv[7]) if sys.argv[7] else None
def verdict(ok): return "met" if ok else "MISSED"
ok = True
print(f"\ninput {size/1e6:.1f} MB, {records} records; HTML output {html/1e6:.1f} MB")
for cores, res in runs.items():
    def wall(n): return res[n]["mean"] * 1000
    def cpu(n): return (res[n]["user"] + res[n]["system"]) * 1000
    print(f"\n{cores}:")
    for n in ("wc -l", "chatscope --stats", "cat", "chatscope --export-html", "chatscope --version"):
        print(f"  {n:24s} wall {wall(n):7.1f} ms (sd {res[n]['stddev']*1000:5.1f})  cpu {cpu(n):7.1f} ms")
    for name, base, wall_target, cpu_target in (("--stats", "wc -l", 2.0, 2.5),
                                                ("--export-html", "cat", 3.0, 3.5)):
        w = wall("chatscope " + name) / wall(base)
        c = cpu("chatscope " + name) / cpu(base)
        ok &= w <= wall_target and c <= cpu_target
        print(f"  {name:14s} / {base:5s}  wall {w:5.2f}x (target <= {wall_target}x: {verdict(w <= wall_target)})"
              f"   cpu {c:5.2f}x (target <= {cpu_target}x: {verdict(c <= cpu_target)})")
print(f"\n--stats peak RSS = {rss_mb:5.1f} MB (target < 64 MB: {verdict(rss_mb < 64)})")
ok &= rss_mb < 64
if window_cpu is not None:
    per_million = window_cpu / records * 1e6
    ok &= per_million <= 0.15
    print(f"window load on Xvfb, start-up included: {window_cpu:.2f} s CPU = {per_million:.3f} s per 1,000,000 "
          f"records (target <= 0.15: {verdict(per_million <= 0.15)})")
else:
    print("window load: not measured (WINDOW=0 or no Xvfb)")
sys.exit(0 if ok else 1)
PY
