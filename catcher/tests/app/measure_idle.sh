#!/usr/bin/env bash
# Idle cost of the real chatkeeper binary: CPU per capture tick and resident
# memory. Not a unit test; run by hand, e.g.
#   catcher/tests/app/measure_idle.sh build/catcher/app/chatkeeper headless 60
#   DISPLAY=:98 catcher/tests/app/measure_idle.sh build/catcher/app/chatkeeper window 60
# Phase 1 runs with the real 10 s tick for SECONDS and reports VmRSS/VmHWM.
# Phase 2 shortens the tick to 10 ms (CHATKEEPER_TICK_MS test hook) for
# SECONDS/2 so that thousands of idle ticks give a measurable CPU figure.
# The game log folder holds 20 unchanged game log files: every tick stamps all 20.
set -euo pipefail

binary=${1:?usage: measure_idle.sh BINARY [headless|window] [SECONDS]}
mode=${2:-headless}
seconds=${3:-60}
hz=$(getconf CLK_TCK)

work=$(mktemp -d)
pid=
trap '[[ -n $pid ]] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/game" "$work/archive" "$work/run"
chmod 700 "$work/run"
for i in $(seq 0 19); do head -c 3000 /dev/zero > "$work/game/$i.log"; done
python3 - "$work" <<'PY'
import struct, sys
w = sys.argv[1]
rec = bytearray(3088)
for off, text in ((0, w + "/game"), (1024, w + "/archive"), (2048, "TARQ#YY#MM#DD_#HH#MN_#SS.log")):
    rec[off:off + len(text)] = text.encode()
struct.pack_into("<iiHHH", rec, 3072, 3, 100, 2, 0, 0)
open(w + "/catcher.cnf", "wb").write(rec)
PY

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

run() {  # run TICK_MS DURATION -> prints "cpu_seconds rss_kb hwm_kb"
    local tick=$1 duration=$2 args=(--cnf "$work/catcher.cnf")
    [[ $mode == headless ]] && args=(--headless "${args[@]}")
    XDG_RUNTIME_DIR="$work/run" CHATKEEPER_TICK_MS=$tick "$binary" "${args[@]}" &
    pid=$!
    sleep 2  # start-up done
    local before; before=$(cpu_ticks "$pid")
    sleep "$duration"
    local after; after=$(cpu_ticks "$pid")
    local rss hwm
    rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
    hwm=$(awk '/^VmHWM/ {print $2}' "/proc/$pid/status")
    kill -TERM "$pid"; wait "$pid" || true
    pid=
    echo "$(( after - before )) $rss $hwm"
}

read -r c1 rss1 hwm1 < <(run 10000 "$seconds")
echo "mode=$mode real tick 10000 ms, ${seconds}s idle: cpu=$(awk -v t="$c1" -v hz="$hz" 'BEGIN{printf "%.3f", t/hz}')s VmRSS=${rss1}kB VmHWM=${hwm1}kB"

half=$(( seconds / 2 ))
read -r c2 rss2 _ < <(run 10 "$half")
ticks=$(( half * 100 ))
echo "mode=$mode test tick 10 ms, ${half}s (~$ticks ticks): cpu=$(awk -v t="$c2" -v hz="$hz" 'BEGIN{printf "%.3f", t/hz}')s" \
     "=> $(awk -v t="$c2" -v hz="$hz" -v n="$ticks" 'BEGIN{printf "%.1f", t/hz/n*1e6}') us per idle tick, VmRSS=${rss2}kB"
