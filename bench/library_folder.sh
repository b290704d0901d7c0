#!/usr/bin/env bash
# The archive library's benchmark: a folder of daily archives cut from the
# generated benchmark archive at block boundaries (365 files of about 700 MB in
# all by default), each file dated a day after the one before; then
# library_bench on it and `chatscope --stats DIR` on the same folder.
#   bench/library_folder.sh BUILD_DIR [MB] [FILES]      (env: TMPDIR, RUNS)
set -euo pipefail
build="$(cd "${1:?usage: library_folder.sh BUILD_DIR [MB] [FILES]}" && pwd)"
mb="${2:-700}"
files="${3:-365}"
viewer="$build/viewer/app/chatscope"
gen="$build/bench/chatlog-generate"
bench="$build/bench/library_bench"
for f in "$viewer" "$gen" "$bench"; do
    [ -x "$f" ] || { echo "library_folder.sh: missing $f (build it first)" >&2; exit 2; }
done
work="${TMPDIR:-/tmp}"
log="$work/chatscope-bench-${mb}mb.log"
dir="$work/chatscope-library-${mb}mb-${files}days"
[ -s "$log" ] || "$gen" --megabytes "$mb" --seed 7 "$log"
if [ ! -d "$dir" ]; then
    python3 - "$log" "$dir.tmp" "$files" <<'PY'
import datetime, os, sys
data = open(sys.argv[1], 'rb').read()
out, count = sys.argv[2], int(sys.argv[3])
os.makedirs(out, exist_ok=True)
share = len(data) // count
start = pos = n = 0
first = datetime.datetime(2025, 1, 1, 23, 30)
while pos < len(data):
    # A block: a 100-byte header and 50 NUL-ended lines.
    pos += 100
    for _ in range(50):
        nul = data.find(b'\0', pos)
        pos = len(data) if nul < 0 else nul + 1
    if pos - start >= share and n < count - 1 or pos >= len(data):
        day = first + datetime.timedelta(days=n)
        path = os.path.join(out, day.strftime('TARQ%y%m%d_0000_00.log'))
        with open(path, 'wb') as f:
            f.write(data[start:pos])
        stamp = day.timestamp()
        os.utime(path, (stamp, stamp))
        start = pos
        n += 1
PY
    mv "$dir.tmp" "$dir"
fi
cat "$dir"/*.log >/dev/null  # into the page cache
echo "folder: $dir ($(ls "$dir" | wc -l) files, $(du -sb "$dir" | cut -f1) bytes)"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
noset="--cnf $work/chatscope-bench-none.cnf --flt $work/chatscope-bench-none.flt"
rm -f "$work/chatscope-bench-none.cnf" "$work/chatscope-bench-none.flt"
if command -v hyperfine >/dev/null; then
    hyperfine -N --warmup 1 --runs "${RUNS:-3}" "$viewer --stats $noset $dir" 2>&1 | grep -E 'Time|Range'
fi
QT_QPA_PLATFORM=offscreen "$bench" --dir "$dir"
