#!/usr/bin/env bash
# Second starts that hand a running player playlists it cannot open (one that does not exist, a
# folder named like a playlist), all at once: each start ends at once, the player shows one error
# box at a time, goes on running when they are dismissed with the keyboard, and writes its files at
# the close.
#
# Usage: bad_handoff.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
EXIT_X=307 EXIT_Y=14
STARTS=4

source "$(dirname "$0")/lib/headless.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
require_tools Xvfb xdotool pulseaudio pactl ffmpeg
begin_session vexo-e2e

start_xvfb
start_pulse e2e

ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=5" -ac 2 -ar 44100 "$WORK/tone.wav" ||
    fail "ffmpeg could not make the tone"
mkdir -p "$WORK/folder.m3u"
HOME_DIR="$WORK/home"
mkdir -p "$HOME_DIR/Plugins"
export VEXO_HOME="$HOME_DIR" VEXO_AUDIO=pulse QT_QPA_PLATFORM=xcb

"$BIN" "$WORK/tone.wav" >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
wait_for_main_window 320x135
echo "the player runs"

pids=()
for i in $(seq "$STARTS"); do
    if [ $((i % 2)) -eq 0 ]; then bad="$WORK/folder.m3u"; else bad="$WORK/missing-$i.m3u"; fi
    "$BIN" "$bad" >"$WORK/second-$i.out" 2>"$WORK/second-$i.err" &
    pids+=($!)
done
for pid in "${pids[@]}"; do
    for _ in $(seq 150); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && { kill -KILL "$pid"; fail "a second start did not end within 15 s"; }
    wait "$pid" || fail "a second start ended with status $?"
done
echo "the $STARTS second starts handed over and ended"

# The player's visible windows named "Vexo MP" besides the main window: its error boxes.
error_boxes() {
    xdotool search --onlyvisible --pid "$PLAYER_PID" --name '^Vexo MP$' 2>/dev/null | grep -vx "$WID"
}
one_box_shown() {
    kill -0 "$PLAYER_PID" 2>/dev/null || fail "the player died: $(tail -3 "$WORK/player.err")"
    BOXES="$(error_boxes)"
    [ -n "$BOXES" ]
}
no_box_shown() {
    kill -0 "$PLAYER_PID" 2>/dev/null || fail "the player died: $(tail -3 "$WORK/player.err")"
    [ -z "$(error_boxes)" ]
}
for i in $(seq "$STARTS"); do
    poll_seconds 20 one_box_shown || fail "error box $i of $STARTS did not appear"
    [ "$(printf '%s\n' "$BOXES" | wc -l)" -eq 1 ] || fail "error boxes stand on top of each other: $BOXES"
    box="$BOXES"
    xdotool windowfocus --sync "$box" 2>/dev/null
    xdotool key --clearmodifiers Return
    box_gone() { ! xdotool search --onlyvisible --pid "$PLAYER_PID" --name '^Vexo MP$' 2>/dev/null | grep -qx "$box"; }
    poll_seconds 10 box_gone || fail "error box $i did not close on Return"
done
echo "$STARTS error boxes were shown one at a time and dismissed"
# No further box comes: the main window is free again (a box would hold the close below).
no_box_shown || fail "more error boxes than bad hand-offs"

close_player "$EXIT_X" "$EXIT_Y"
[ -f "$HOME_DIR/Data/Options.ini" ] || fail "no Data/Options.ini after the close"
tr -d '\r' <"$HOME_DIR/Data/Default.m3u" | grep -v '^#' >"$WORK/paths.txt" || fail "no Data/Default.m3u after the close"
printf '%s\n' "$WORK/tone.wav" | cmp -s - "$WORK/paths.txt" ||
    fail "Default.m3u holds \"$(tr '\n' ' ' <"$WORK/paths.txt")\", not the tone alone"
echo "bad_handoff: PASS"
