#!/usr/bin/env bash
# A folder of archives as one log: the generated benchmark archive (about
# 100 MB) cut at block boundaries into daily files, read from the page cache.
#   bench/bench_folder.sh BUILD_DIR [FILES] [TEXT]     (env: RUNS, TMPDIR, MB)
# Targets (wall time, two cores):
#   chatscope --search TEXT DIR  <= 4x    LC_ALL=C grep -F -a -c TEXT DIR/*.log
#                                (TEXT in Windows-31J for grep)
#   chatscope --stats DIR        <= 1.15x chatscope --stats on the same bytes in one file
# and the peak memory of --search, which must stay a few files' worth.
set -euo pipefail
build="$(cd "${1:?usage: bench_folder.sh BUILD_DIR [FILES] [TEXT]}" && pwd)"
files="${2:-100}"
text="${3:-Aldo}"
mb="${MB:-100}"
viewer="$build/viewer/app/chatscope"
gen="$build/bench/chatlog-generate"
for f in "$viewer" "$gen"; do
    [ -x "$f" ] || { echo "bench_folder.sh: missing $f (build it first)" >&2; exit 2; }
done
command -v hyperfine >/dev/null || { echo "bench_folder.sh: hyperfine is needed" >&2; exit 2; }

work="${TMPDIR:-/tmp}"
log="$work/chatscope-bench-${mb}mb.log"
dir="$work/chatscope-bench-${mb}mb-${files}files"
[ -s "$log" ] || "$gen" --megabytes "$mb" --seed 7 "$log"
if [ ! -d "$dir" ]; then
    # A block is a 100-byte header and 50 NUL-ended lines; each file takes the
    # next whole blocks up to its share of the bytes, named by day.
    python3 - "$log" "$dir.tmp" "$files" <<'PY'
import os, sys
data = open(sys.argv[1], 'rb').read()
out, count = sys.argv[2], int(sys.argv[3])
os.makedirs(out, exist_ok=True)
share = len(data) // count
start = pos = 0
n = 0
while pos < len(data):
    pos += 100
    for _ in range(50):
        nul = data.find(b'\0', pos)
        pos = len(data) if nul < 0 else nul + 1
    if pos - start >= share and n < count - 1 or pos >= len(data):
        day = n
        name = 'TARQ25%02d%02d_1200_00.log' % (1 + day // 28, 1 + day % 28)
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data[start:pos])
        start = pos
        n += 1
PY
    mv "$dir.tmp" "$dir"
fi
noset="--cnf $work/chatscope-bench-none.cnf --flt $work/chatscope-bench-none.flt"
rm -f "$work/chatscope-bench-none.cnf" "$work/chatscope-bench-none.flt"
cat "$log" "$dir"/*.log >/dev/null  # into the page cache
echo "folder: $dir ($(ls "$dir" | wc -l) files, $(du -sb "$dir" | cut -f1) bytes), text \"$text\""
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
echo "lines found: $("$viewer" --search "$text" $noset "$dir" | wc -l) "

json="$(mktemp)"
trap 'rm -f "$json"' EXIT
# Output goes to a pipe: grep stops at its first match when it writes to /dev/null.
# grep looks for the text's Windows-31J bytes, from a file (hyperfine takes only
# UTF-8 commands); exit status 1 (nothing found) is no failure.
pattern="$work/chatscope-bench-pattern"
printf '%s\n' "$text" | iconv -f UTF-8 -t CP932 >"$pattern"
hyperfine --warmup 2 --runs "${RUNS:-10}" --export-json "$json" --style none --output=pipe -i \
    -n grep "LC_ALL=C grep -F -a -c -f $pattern $dir/*.log" \
    -n search "$viewer --search '$text' $noset $dir" \
    -n "stats file" "$viewer --stats $noset $log" \
    -n "stats folder" "$viewer --stats $noset $dir" >/dev/null
python3 - "$json" <<'PY'
import json, sys
r = {x['command']: x for x in json.load(open(sys.argv[1]))['results']}
def line(name, base, target):
    a, b = r[name], r[base]
    ratio = a['median'] / b['median']
    print(f"{name:13s} {a['median']*1000:8.1f} ms wall ({(a['user']+a['system'])*1000:7.1f} ms CPU)   "
          f"{ratio:5.2f}x {base} (target <= {target}x)")
print(f"{'grep':13s} {r['grep']['median']*1000:8.1f} ms wall ({(r['grep']['user']+r['grep']['system'])*1000:7.1f} ms CPU)")
line('search', 'grep', 4)
print(f"{'stats file':13s} {r['stats file']['median']*1000:8.1f} ms wall")
line('stats folder', 'stats file', 1.15)
PY
peak=$( { /usr/bin/time -f %M "$viewer" --search "$text" $noset "$dir" >/dev/null; } 2>&1 | tail -1)
echo "peak memory of --search: $((peak / 1024)) MB"
