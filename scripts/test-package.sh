#!/usr/bin/env bash
# Builds the Debian packages, installs them with apt-get as a user would, runs
# the installed programs, checks the installed manual pages, desktop entries,
# metadata and user service with Debian's validators, then purges both
# packages and checks that nothing of them is left on disk.
#
# Needs root (or sudo). Leaves the packages purged, also when a check fails.
#   BUILD_DIR  build folder, as for scripts/package.sh (the test build is reused)
set -euo pipefail
cd "$(dirname "$0")/.."
export BUILD_DIR="${BUILD_DIR:-build-package}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
PACKAGES=(chatscope chatkeeper)

passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...: runs COMMAND, counts and reports the result
    local what=$1
    shift
    if "$@" >"$work/out" 2>&1; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $what" >&2
        sed 's/^/    /' "$work/out" >&2
    fi
}
# silent COMMAND...: succeeds when COMMAND succeeds and prints nothing at all.
silent() {
    local out
    out=$("$@" 2>&1) || { printf '%s\n' "$out"; return 1; }
    [ -z "$out" ] || { printf '%s\n' "$out"; return 1; }
}
installed() { dpkg-query -W -f='${db:Status-Status}\n' "$1" 2>/dev/null | grep -qx installed; }
purge() { $SUDO env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq "${PACKAGES[@]}" >/dev/null 2>&1 || true; }

work=$(mktemp -d)
trap 'purge; rm -rf "$work"' EXIT

mapfile -t debs < <(bash scripts/package.sh | grep '\.deb$')
for p in "${PACKAGES[@]}"; do
    if installed "$p"; then echo "test-package.sh: $p was installed before; it is replaced and purged" >&2; fi
done
purge
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${debs[@]/#/$PWD/}" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; exit 1; }
for p in "${PACKAGES[@]}"; do check "$p is installed" installed "$p"; done
dpkg -L "${PACKAGES[@]}" | sort -u >"$work/files"

# The installed programs.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD_DIR/CMakeCache.txt")
example=/usr/share/doc/chatscope/examples/sample.log
home="$work/home"
mkdir -p "$home" "$work/run"
chmod 700 "$work/run"
user_env=(env -u XDG_CONFIG_HOME HOME="$home" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen)
as_user() { "${user_env[@]}" "$@"; }
check "chatscope --version" grep -qx "chatscope $version" <(as_user /usr/bin/chatscope --version)
check "chatscope --stats on the installed example" as_user /usr/bin/chatscope --stats "$example"
# The same statistics as the built program with the default settings.
expected_stats() {
    "$BUILD_DIR/viewer/app/chatscope" --stats --cnf "$work/none.cnf" --flt "$work/none.flt" "$example"
}
check "chatscope --stats prints what the built program prints" \
    cmp <(as_user /usr/bin/chatscope --stats "$example") <(expected_stats)
check "chatscope --stats prints the statistics" grep -qx '\[counters\]' <(expected_stats)
check "chatkeeper --version" grep -qx "chatkeeper $version" <(as_user /usr/bin/chatkeeper --version)
check "chatkeeper --help" grep -q '^usage: chatkeeper' <(as_user /usr/bin/chatkeeper --help)

# The installed catcher keeps its settings in the user's folder, never in /usr/bin.
settings_of_a_run() {
    "${user_env[@]}" /usr/bin/chatkeeper &
    local pid=$! i mask status=0
    # SIGTERM ends it in order once its handler is installed (bit 15 of SigCgt).
    for i in $(seq 100); do
        mask=$(sed -n 's/^SigCgt:[[:space:]]*//p' "/proc/$pid/status" 2>/dev/null)
        [ -n "$mask" ] && (((16#$mask >> 14) & 1)) && break
        sleep 0.1
    done
    kill -TERM "$pid"
    wait "$pid" || status=$?
    echo "exit status $status"
    ls -R "$home"
    [ "$status" -eq 0 ] && [ -f "$home/.config/chatkeeper/chatkeeper.cnf" ] && [ ! -e /usr/bin/chatkeeper.cnf ]
}
check "the installed catcher writes ~/.config/chatkeeper/chatkeeper.cnf" settings_of_a_run

# Manual pages, desktop entries, metadata and the user service.
for p in "${PACKAGES[@]}"; do
    check "man $p renders without warnings" silent sh -c 'MANWIDTH=80 man -P cat --warnings "$1" >/dev/null' sh "$p"
    check "man $p has its sections" grep -q '^EXIT STATUS' <(MANWIDTH=80 man -P cat "$p" 2>/dev/null)
    check "desktop entry of $p" silent desktop-file-validate "/usr/share/applications/$p.desktop"
    check "metadata of $p" appstreamcli validate --no-net "/usr/share/metainfo/example.chatlogtools.$p.metainfo.xml"
done
check "user service" silent systemd-analyze verify /usr/lib/systemd/user/chatkeeper.service

# Purge: no package state, and every file and folder of the packages gone,
# except folders that other packages own.
purge
for p in "${PACKAGES[@]}"; do
    check "$p is purged" test -z "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null | grep -v not-installed)"
done
leftovers() {
    local path bad=0
    while read -r path; do
        [ "$path" = /. ] && continue
        if [ -d "$path" ] && [ ! -L "$path" ]; then
            dpkg -S "$path" >/dev/null 2>&1 && continue
        elif [ ! -e "$path" ] && [ ! -L "$path" ]; then
            continue
        fi
        echo "left on disk: $path"
        bad=1
    done <"$work/files"
    for path in /usr/bin/chatscope.cnf /usr/bin/chatscope.flt /usr/bin/chatkeeper.cnf; do
        [ -e "$path" ] && { echo "left on disk: $path"; bad=1; }
    done
    return $bad
}
check "nothing of the packages is left on disk" leftovers

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
