#!/bin/sh
# The real chatkeeper --find-game-folders on a generated fake home folder:
# each kind of prefix, links to / and to the home folder, a loop, a text file
# named 0.log, a FIFO named 3.log; newest first. Usage: find_game_folders.sh CHATKEEPER
set -eu
binary=$1
home=$(mktemp -d "${TMPDIR:-/tmp}/chatkeeper-home-XXXXXX")
trap 'chmod -R u+rwx "$home"; rm -rf "$home"' EXIT

age=0
# log FOLDER [NAME]: a game log file (100 bytes beginning with a 0 word), each one newer.
log() {
    mkdir -p "$home/$1"
    head -c 120 /dev/zero >"$home/$1/${2:-0.log}"
    age=$((age + 1))
    touch -d "2026-01-01 00:00:$(printf %02d $age)" "$home/$1/${2:-0.log}"
}
log ".wine/drive_c/Program Files/Tarq/log" 19.log
log "prefix/drive_c/Tarq"
log ".local/share/Steam/steamapps/compatdata/123/pfx/drive_c/users/steamuser/Tarq"
log "library/steamapps/compatdata/456/pfx/drive_c/Tarq" 7.log
log ".var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/compatdata/789/pfx/drive_c/Tarq"
log "Games/tarq/drive_c/Tarq"
log "Games/Heroic/Prefixes/default/Tarq/drive_c/Tarq"
log ".local/share/bottles/bottles/Tarq/drive_c/Tarq"
log ".var/app/com.usebottles.bottles/data/bottles/bottles/Tarq/drive_c/Tarq"
log ".PlayOnLinux/wineprefix/Tarq/drive_c/Tarq"
log ".wine/drive_c/$(printf '\377')"

# What is not a game log folder, or not to be looked at.
log ".wine/drive_c/windows/Tarq"
log ".wine/drive_c/1/2/3/4/5/6/7/8/9/10/11"
log ".wine/dosdevices/c:"
log "Documents/Tarq"
mkdir -p "$home/.wine/drive_c/notes" "$home/.wine/drive_c/fifo" "$home/.steam" "$home/.wine/drive_c/users/me"
head -c 200 /dev/urandom | tr '\000' x >"$home/.wine/drive_c/notes/0.log"
mkfifo "$home/.wine/drive_c/fifo/3.log"
ln -s / "$home/.wine/dosdevices/z:"
ln -s "$home" "$home/.wine/drive_c/users/me/Documents"
ln -s .. "$home/.wine/drive_c/1/loop"
ln -s "$home/.local/share/Steam" "$home/.steam/steam"
printf '"libraryfolders"\n{\n\t"0" { "path" "%s" }\n\t"1" { "path" "/nonexistent" }\n\t"2" { "path" "%s' \
    "$home/library" "$home/unterminated" >"$home/.local/share/Steam/steamapps/libraryfolders.vdf"

expected=$(
    printf '%s\n' ".wine/drive_c/$(printf '\377')" ".PlayOnLinux/wineprefix/Tarq/drive_c/Tarq" \
        ".var/app/com.usebottles.bottles/data/bottles/bottles/Tarq/drive_c/Tarq" \
        ".local/share/bottles/bottles/Tarq/drive_c/Tarq" "Games/Heroic/Prefixes/default/Tarq/drive_c/Tarq" \
        "Games/tarq/drive_c/Tarq" \
        ".var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/compatdata/789/pfx/drive_c/Tarq" \
        "library/steamapps/compatdata/456/pfx/drive_c/Tarq" \
        ".local/share/Steam/steamapps/compatdata/123/pfx/drive_c/users/steamuser/Tarq" "prefix/drive_c/Tarq" \
        ".wine/drive_c/Program Files/Tarq/log" | sed "s|^|$home/|"
)
status=0
actual=$(HOME=$home WINEPREFIX=$home/prefix timeout 20 "$binary" --find-game-folders) || status=$?
if [ "$status" -ne 0 ] || [ "$actual" != "$expected" ]; then
    echo "FAIL: status $status, printed:"
    echo "$actual"
    echo "expected:"
    echo "$expected"
    exit 1
fi

# Nothing found: nothing printed, status 1.
status=0
actual=$(HOME=$home/Documents WINEPREFIX= timeout 20 "$binary" --find-game-folders) || status=$?
if [ "$status" -ne 1 ] || [ -n "$actual" ]; then
    echo "FAIL: with nothing to find: status $status, printed: $actual"
    exit 1
fi
echo "PASS"
