#!/usr/bin/env bash
# Builds the Debian packages, installs them with apt-get as a user would, runs
# the installed programs, checks the installed manual pages, desktop entries,
# metadata and user service with Debian's validators, installs them without
# recommended packages on a minimal Debian root and runs them there, then
# purges both packages and checks that nothing of them is left on disk.
#
# Needs root (or sudo). Leaves the packages purged, also when a check fails.
#   BUILD_DIR      build folder, as for scripts/package.sh (the test build is reused)
#   MINROOT_CACHE  folder that keeps the minimal root between clones (default
#                  /var/cache/chatlog-minroot; empty: only the build folder)
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

mounted=()  # what the minimal root's check mounted, unmounted in reverse
unmount_root() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" || true; done
    mounted=()
}

work=$(mktemp -d)
trap 'unmount_root; purge; rm -rf --one-file-system "$work"' EXIT

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
# The viewer's windows come from their module: started offscreen, the viewer
# still runs them after three seconds (timeout's 124), with no load failure.
windows_run() {  # windows_run RUNNER...: runs "RUNNER... timeout 3 chatscope EXAMPLE"
    local status=0
    "$@" timeout 3 chatscope "$example" || status=$?
    echo "exit status $status"
    [ "$status" -eq 124 ]
}
check "the installed chatscope opens its windows" windows_run as_user env PATH=/usr/bin
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

# A minimal Debian system (debootstrap's minbase, from the mirror apt uses
# here) that installs the packages without recommended packages: its Japanese
# font, its icons and the programs. The bare root is kept as a tarball in the
# build folder and in $MINROOT_CACHE (empty: none), named after what it holds;
# downloaded packages are kept beside it.
MINROOT_CACHE="${MINROOT_CACHE-/var/cache/chatlog-minroot}"
apt_sources() {  # the Debian archives apt uses here, as sources.list lines
    apt-cache policy | awk '
        /^ *[0-9]+ (https?|file):/ { url = $2; split($3, sc, "/"); suite = sc[1]; comp = sc[2]; next }
        / release .*o=Debian,/ && url != "" { print "deb " url " " suite " " comp } { url = "" }' | sort -u
}
minimal_root() {
    local sources key name cache="$BUILD_DIR/minroot" shared=$MINROOT_CACHE tarball
    sources=$(apt_sources)
    local mirror
    mirror=$(awk '$3 == "bookworm" { print $2; exit }' <<<"$sources")
    [ -n "$mirror" ] || { echo "no Debian bookworm archive in apt's sources"; return 1; }
    key=$(printf '%s\n' minbase bookworm "$(dpkg --print-architecture)" "$mirror" | sha256sum | cut -c1-16)
    name="minbase-bookworm-$key.tar"
    mkdir -p "$cache/archives"
    if [ -n "$shared" ] && mkdir -p "$shared/archives" 2>/dev/null; then :; else shared=""; fi
    tarball="$cache/$name"
    if [ ! -f "$tarball" ] && [ -n "$shared" ] && [ -f "$shared/$name" ]; then
        ln -f "$shared/$name" "$tarball" 2>/dev/null || cp "$shared/$name" "$tarball"
    fi
    if [ ! -f "$tarball" ]; then
        rm -rf --one-file-system "$cache/bootstrap"
        debootstrap --variant=minbase bookworm "$cache/bootstrap" "$mirror" >"$work/debootstrap.log" 2>&1 ||
            { tail -20 "$work/debootstrap.log"; return 1; }
        tar -C "$cache/bootstrap" --numeric-owner -cf "$tarball.new" . && mv "$tarball.new" "$tarball"
        rm -rf --one-file-system "$cache/bootstrap"
        if [ -n "$shared" ]; then
            ln -f "$tarball" "$shared/$name.new" 2>/dev/null || cp "$tarball" "$shared/$name.new"
            mv "$shared/$name.new" "$shared/$name"
        fi
    fi
    root="$work/minroot"
    mkdir -p "$root"
    tar -C "$root" --numeric-owner -xpf "$tarball"
    printf '%s\n' "$sources" >"$root/etc/apt/sources.list"
    cp -L /etc/resolv.conf "$root/etc/resolv.conf"
    printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
    chmod 755 "$root/usr/sbin/policy-rc.d"
    mount -t proc proc "$root/proc"
    mounted+=("$root/proc")
    local archives=${shared:-$cache}/archives
    mkdir -p "$archives/partial"
    mount --bind "$archives" "$root/var/cache/apt/archives"
    mounted+=("$root/var/cache/apt/archives")
    mkdir -p "$root/tmp/debs"
    cp "${debs[@]}" "$root/tmp/debs/"
    local inside=("${debs[@]##*/}")
    if ! { in_root apt-get update -qq &&
        in_root apt-get install -y -qq --no-install-recommends "${inside[@]/#//tmp/debs/}"; } >"$work/minroot-apt.log" 2>&1; then
        cat "$work/minroot-apt.log"
        return 1
    fi
    in_root apt-get autoclean -qq >/dev/null 2>&1 || true
    root_ready=1
}
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive QT_QPA_PLATFORM=offscreen "$@"; }
has_icons() {  # has_icons NAME: every theme size as PNG
    local size
    for size in 16 22 24 32 48 64 128 256; do
        test -s "$root/usr/share/icons/hicolor/${size}x$size/apps/$1.png" || { echo "no ${size}x$size/apps/$1.png"; return 1; }
    done
}
root=""
root_ready=0
started=$SECONDS
check "a minimal Debian root installs both packages without recommended ones" minimal_root
if [ "$root_ready" -eq 1 ]; then
    check "a Japanese font on the minimal root" grep -q . <(in_root fc-list :lang=ja)
    for p in "${PACKAGES[@]}"; do
        check "$p icons as PNG on the minimal root" has_icons "$p"
        check "$p --version on the minimal root" grep -qx "$p $version" <(in_root "$p" --version)
    done
    check "chatscope --stats on the minimal root prints what the built program prints" \
        cmp <(in_root chatscope --stats "$example") <(expected_stats)
    check "chatscope opens its windows on the minimal root" windows_run in_root
fi
unmount_root
rm -rf --one-file-system "$work/minroot"
echo "minimal root: $((SECONDS - started)) s"

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
