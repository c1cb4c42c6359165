#!/usr/bin/env bash
# The player's home on a small file system that is full: a settings file that no longer fits is
# kept as it was and the close shows an error instead of wiping it; a playlist height as large as
# an int goes opens a playlist that fits the screen with the main window. Skipped where no file system can be
# mounted (not root, or in a container that forbids it).
#
# Usage: full_disk.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
VOLUME_X=220 VOLUME_Y=102
EXIT_X=307 EXIT_Y=14
SCREEN_HEIGHT=768

source "$(dirname "$0")/lib/headless.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
require_tools Xvfb xdotool pulseaudio pactl
begin_session vexo-full-disk

HOME_DIR="$WORK/home"
mkdir -p "$HOME_DIR"
if ! mount -t tmpfs -o size=256k tmpfs "$HOME_DIR" 2>"$WORK/mount.err"; then
    echo "full_disk: skipped: cannot mount a small file system ($(cat "$WORK/mount.err"))"
    exit 0
fi
# The player ends before the file system is unmounted, and that before the work folder goes.
cleanup() {
    stop_pid "$PLAYER_PID"
    PLAYER_PID=""
    umount -l "$HOME_DIR"
    end_session
}
trap cleanup EXIT

start_xvfb
start_pulse e2e

mkdir -p "$HOME_DIR/Plugins" "$HOME_DIR/Data"
# Over one page of the file system, so that a new copy needs two pages where one is left free:
# the playlist (one page) still fits, the settings do not.
{
    printf '; %s\r\n' $(seq -f 'a-note-the-user-keeps-%04g' 200)
    printf '[Main]\r\nVolume=30\r\n[PlayList]\r\nShow=1\r\nHeight=2147483647\r\n'
} >"$HOME_DIR/Data/Options.ini"
cp "$HOME_DIR/Data/Options.ini" "$WORK/options.before"
[ "$(stat -c %s "$WORK/options.before")" -gt 4096 ] || fail "the settings file is too small for the check"

# The single-instance lock a run before this one left, holding its note.
printf 'vexo-mp 1\n%s/socket\n' "$WORK" >"$HOME_DIR/Data/vexo-mp.lock"

# Fill the file system, then free exactly one page.
dd if=/dev/zero of="$HOME_DIR/filler" bs=4096 2>/dev/null
truncate -s -4096 "$HOME_DIR/filler" || fail "could not free a page"

export VEXO_HOME="$HOME_DIR" VEXO_AUDIO=pulse QT_QPA_PLATFORM=xcb
"$BIN" >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
wait_for_main_window 320x
echo "main window $WID is shown"

# --- The playlist opens shown, under the main part, the two within the screen.
# The visible window of the player whose title starts with $1, other than the main window. Sets FOUND.
window_titled() {
    local wid
    for wid in $(xdotool search --onlyvisible --pid "$PLAYER_PID" 2>/dev/null); do
        [ "$wid" != "$WID" ] && [[ "$(xdotool getwindowname "$wid" 2>/dev/null)" == "$1"* ]] && { FOUND="$wid"; return 0; }
    done
    kill -0 "$PLAYER_PID" 2>/dev/null || fail "the player ended: $(tail -3 "$WORK/player.err")"
    return 1
}
eval "$(xdotool getwindowgeometry --shell "$WID")"
echo "main window with the playlist at ${X},${Y} size ${WIDTH}x${HEIGHT}"
[ "$HEIGHT" -ge $((135 + 200)) ] || fail "the playlist did not show: the window is ${WIDTH}x${HEIGHT}"
[ "$HEIGHT" -le "$SCREEN_HEIGHT" ] && [ $((Y + HEIGHT)) -le "$SCREEN_HEIGHT" ] && [ "$Y" -ge 0 ] ||
    fail "the window with the playlist (${WIDTH}x${HEIGHT} at ${X},${Y}) does not fit the ${SCREEN_HEIGHT}-pixel screen"

# --- Change a setting and close by the close box: an error box reports the settings.
xdotool mousemove --window "$WID" "$VOLUME_X" "$VOLUME_Y" click 1
xdotool mousemove --window "$WID" "$EXIT_X" "$EXIT_Y" click 1
poll_seconds 20 window_titled "Vexo MP" || fail "no error box appeared after the close"
BOX="$FOUND"
echo "error box $BOX is shown: $(xdotool getwindowgeometry "$BOX" | tr -s '\n ' ' ')"
xdotool windowfocus --sync "$BOX" key Return
poll_seconds 20 eval '! kill -0 "$PLAYER_PID" 2>/dev/null' || fail "the player did not end after the error box"
wait "$PLAYER_PID"
status=$?
PLAYER_PID=""
[ "$status" -eq 0 ] || fail "the player ended with status $status: $(tail -3 "$WORK/player.err")"

cmp -s "$WORK/options.before" "$HOME_DIR/Data/Options.ini" ||
    fail "Options.ini changed on the full disk ($(stat -c %s "$HOME_DIR/Data/Options.ini") bytes now)"
[ -s "$HOME_DIR/Data/Default.m3u" ] || fail "the playlist, which fitted, was not saved"
[ -z "$(ls -A "$HOME_DIR/Data" | grep vexo-save)" ] || fail "temporary files were left in Data/"
# --- A recording whose file system fills while it plays: the player says why, on standard error
# and in a box, and the recording keeps a header that matches what it holds.
REC_DIR="$WORK/recording"
mkdir -p "$REC_DIR"
mount -t tmpfs -o size=64k tmpfs "$REC_DIR" || fail "cannot mount the recording's file system"
trap 'stop_pid "$PLAYER_PID"; umount -l "$REC_DIR"; cleanup' EXIT
ffmpeg -v error -f lavfi -i "sine=f=440:d=5" -ac 2 "$WORK/tone.wav" || fail "ffmpeg could not make a tone"
VEXO_AUDIO="wav:$REC_DIR/rec.wav" "$BIN" "$WORK/tone.wav" >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
wait_for_main_window 320x
xdotool mousemove --window "$WID" 46 110 click 1
poll_seconds 20 window_titled "Vexo MP" || fail "no box said that the recording could not be written"
grep -qi 'vexo-mp: cannot write the recording ".*rec.wav": No space left on device' "$WORK/player.err" ||
    fail "standard error does not tell of the full disk: $(tail -3 "$WORK/player.err")"
rec_bytes=$(stat -c %s "$REC_DIR/rec.wav")
header_bytes=$(od -An -tu4 -j40 -N4 "$REC_DIR/rec.wav" | tr -d ' ')
[ $((header_bytes + 44)) -eq "$rec_bytes" ] ||
    fail "the recording's header counts $header_bytes bytes of audio in a file of $rec_bytes"
echo "the full recording was reported, and its header matches its $rec_bytes bytes"
echo "full_disk: PASS"
