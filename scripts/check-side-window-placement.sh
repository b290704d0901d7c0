#!/usr/bin/env bash
# Checks where chatscope's side windows (the statistics window and the settings
# dialog) appear under a real window manager: openbox on a virtual X screen.
# Each side window's frame must stand beside the main window's frame (left edge
# on the main window's right edge, tops equal), or flush with the screen's right
# edge when it would reach it; on its first showing as well as later ones.
#
# Usage: check-side-window-placement.sh PATH/TO/chatscope
# Exits 0 when every placement is right, 1 when one is off, 77 when a tool is
# missing (Xvfb, openbox, xdotool, xwininfo, xprop).
set -uo pipefail

readonly SKIP=77
readonly SCREEN_W=1024 SCREEN_H=768
readonly MAIN_TITLE='^Tarq Log Viewer' STATS_TITLE='^chatscope Data$' SETTINGS_TITLE='^chatscope Config$'
# Keys that choose an item of the display's context menu, counted from its end:
# "終了" is last, then "オプション", then "データ".
readonly STATS_KEYS='Up Up Up Return' SETTINGS_KEYS='Up Up Return'

binary="${1:?usage: $0 PATH/TO/chatscope}"
module="$(cd "$(dirname "$binary")" && pwd)/chatscope-window.so"
for tool in Xvfb openbox xdotool xwininfo xprop; do
    if ! command -v "$tool" >/dev/null; then
        echo "skipped: $tool is not installed"
        exit $SKIP
    fi
done

work="$(mktemp -d)"
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null && wait "${pids[i]}" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Polls COMMAND until it succeeds, for at most 10 seconds.
wait_for() {
    local i
    for ((i = 0; i < 100; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# Prints "left top width height" of WINDOW's outer frame; fails until the
# window manager has framed the window.
outer_geometry() {
    local info extents re
    info="$(xwininfo -id "$1")" || return 1
    extents="$(xprop -id "$1" _NET_FRAME_EXTENTS)" || return 1
    re='= ([0-9]+), ([0-9]+), ([0-9]+), ([0-9]+)'
    [[ $extents =~ $re ]] || return 1
    local l=${BASH_REMATCH[1]} r=${BASH_REMATCH[2]} t=${BASH_REMATCH[3]} b=${BASH_REMATCH[4]}
    re='Absolute upper-left X: +(-?[0-9]+).*Absolute upper-left Y: +(-?[0-9]+).*Width: ([0-9]+).*Height: ([0-9]+)'
    [[ $info =~ $re ]] || return 1
    echo "$((BASH_REMATCH[1] - l)) $((BASH_REMATCH[2] - t)) $((BASH_REMATCH[3] + l + r)) $((BASH_REMATCH[4] + t + b))"
}

is_viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; }
is_hidden() { ! is_viewable "$1"; }

# Waits until WINDOW is shown, framed, and its outer geometry holds still.
settled_geometry() {
    local before after i
    wait_for is_viewable "$1" || return 1
    wait_for outer_geometry "$1" >/dev/null || return 1
    before="$(outer_geometry "$1")"
    for ((i = 0; i < 20; i++)); do
        sleep 0.1
        after="$(outer_geometry "$1")"
        [ "$after" = "$before" ] && break
        before="$after"
    done
    echo "$after"
}

find_window() { timeout "${2:-10}" xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n1; }

# Chooses a context-menu item of the main window's display.
choose() {
    local left top height
    read -r left top _ height <<<"$main_geometry"
    xdotool mousemove $((left + 40)) $((top + height / 2)) click 3
    sleep 0.2
    # shellcheck disable=SC2086
    xdotool key $1
}

move_main() {
    xdotool windowmove --sync "$main" "$1" "$2"
    main_geometry="$(settled_geometry "$main")"
}

# Shows a side window with KEYS, checks its place against the main window's, hides it again.
check_showing() {
    local what="$1" title="$2" keys="$3" side ml mt mw sl st sw expected
    # A busy machine may open the popup menu after the keys were sent: try again.
    for _ in 1 2 3; do
        choose "$keys"
        side="$(find_window "$title" 4)"
        [ -n "$side" ] && break
        xdotool key Escape
    done
    if [ -z "$side" ]; then
        fail "$what did not appear"
        return
    fi
    read -r ml mt mw _ <<<"$main_geometry"
    read -r sl st sw _ <<<"$(settled_geometry "$side")"
    expected=$((ml + mw))
    if ((expected + sw >= SCREEN_W)); then expected=$((SCREEN_W - sw)); fi
    echo "$what: main frame at ${ml},${mt} width ${mw}; frame at ${sl},${st} width ${sw}, expected ${expected},${mt}"
    if [ "$sl" -ne "$expected" ] || [ "$st" -ne "$mt" ]; then
        fail "$what placed at ${sl},${st}, expected ${expected},${mt}"
    fi
    choose "$keys"
    wait_for is_hidden "$side" || fail "$what did not hide"
}

# One run of the viewer: FIRST is shown first beside the main window, then
# SECOND first near the right edge, then FIRST again near the right edge.
run_viewer() {
    local first_name="$1" first_title="$2" first_keys="$3" second_name="$4" second_title="$5" second_keys="$6"
    local run="$work/run-$first_name"
    mkdir -p "$run/home"
    cp "$binary" "$run/chatscope"  # settings files are written beside the program
    ln -s "$module" "$run/chatscope-window.so"  # and its windows are found there
    HOME="$run/home" XDG_CONFIG_HOME="$run/home/.config" QT_QPA_PLATFORM=xcb "$run/chatscope" >"$run/log" 2>&1 &
    pids+=($!)
    main="$(find_window "$MAIN_TITLE")"
    if [ -z "$main" ]; then
        fail "the main window did not appear"
        cat "$run/log"
        return
    fi
    move_main 20 40
    check_showing "$first_name (first showing, beside)" "$first_title" "$first_keys"
    move_main 600 100
    check_showing "$second_name (first showing, near the right edge)" "$second_title" "$second_keys"
    [ "$first_name" = statistics ] && check_showing "$first_name (shown again, near the right edge)" "$first_title" "$first_keys"
    kill "${pids[-1]}" 2>/dev/null
    wait "${pids[-1]}" 2>/dev/null
    unset 'pids[-1]'
}

Xvfb -displayfd 3 -screen 0 ${SCREEN_W}x${SCREEN_H}x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
wait_for test -s "$work/display" || {
    echo "Xvfb did not start"
    cat "$work/xvfb.log"
    exit 1
}
DISPLAY=":$(head -n1 "$work/display")"
export DISPLAY
HOME="$work" openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_for sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' || {
    echo "openbox did not start"
    cat "$work/openbox.log"
    exit 1
}

run_viewer statistics "$STATS_TITLE" "$STATS_KEYS" settings "$SETTINGS_TITLE" "$SETTINGS_KEYS"
run_viewer settings "$SETTINGS_TITLE" "$SETTINGS_KEYS" statistics "$STATS_TITLE" "$STATS_KEYS"

if ((failures > 0)); then
    echo "$failures placement check(s) failed"
    exit 1
fi
echo "all side window placements right"
