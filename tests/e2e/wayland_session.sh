#!/usr/bin/env bash
# A user in a Wayland session starts the player without choosing a platform: it runs on the
# compositor itself (a Weston of the script's own, showing on an X server of its own, which also
# stands for the session's XWayland). There it is one surface, which grows by the playlist's height
# when the playlist is shown, with the playlist drawn below the main part; a press on the ground
# has the compositor move it; a second start hands it a track; the information window opens as a
# window of the player's; and the place saved by an X11 session stays in Options.ini. Where the
# toolkit cannot reach the compositor, the player starts on XWayland, at its saved place.
#
# Usage: wayland_session.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
# Window coordinates: the close box, a spot no box covers, the playlist label and the title.
EXIT_X=307 EXIT_Y=14 FREE_X=150 FREE_Y=40 PL_X=21 PL_Y=64 TITLE_X=150 TITLE_Y=14
MAIN_H=135 LIST_H=210 OUTPUT_W=800 OUTPUT_H=600
# The compositor's ground, which no part of the player shows.
GROUND="255 0 255"

source "$(dirname "$0")/lib/headless.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
require_tools Xvfb xdotool weston pulseaudio pactl ffmpeg python3
begin_session vexo-e2e

start_xvfb
start_pulse e2e
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=60" -ac 2 -ar 44100 "$WORK/tone.wav" ||
    fail "ffmpeg could not make the tone"
mkdir -p "$WORK/home/Plugins" "$WORK/home/Data"
printf '[Main]\r\nLeft=100\r\nTop=50\r\n' >"$WORK/home/Data/Options.ini"
export VEXO_HOME="$WORK/home" VEXO_AUDIO=pulse XDG_SESSION_TYPE=wayland XDG_RUNTIME_DIR="$WORK/runtime"
unset QT_QPA_PLATFORM

# --- A compositor the toolkit cannot reach: the player starts on XWayland, at its saved place.
WAYLAND_DISPLAY=vexo-nowhere "$BIN" >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
wait_for_main_window 320x135
at_saved_place() {
    eval "$(xdotool getwindowgeometry --shell "$WID" | grep -E '^(X|Y)=')"
    [ "$X,$Y" = "100,50" ]
}
poll 100 at_saved_place || fail "the main window stands at $X,$Y, not at its saved place 100,50"
close_player $EXIT_X $EXIT_Y
echo "with no compositor to reach the player starts on XWayland and its window takes its saved place"

# --- The compositor: a Weston in a window of the X server, its ground one colour and no panel.
export WAYLAND_DISPLAY=vexo-e2e
printf '[shell]\nbackground-color=0xffff00ff\npanel-position=none\n' >"$WORK/weston.ini"
weston --backend=x11-backend.so --use-pixman --width=$OUTPUT_W --height=$OUTPUT_H --config="$WORK/weston.ini" \
    --socket="$WAYLAND_DISPLAY" --idle-time=0 >"$WORK/weston.log" 2>&1 &
WESTON_PID=$!
trap 'stop_pid "$WESTON_PID"; end_session' EXIT
poll 100 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || fail "weston did not start: $(tail -3 "$WORK/weston.log")"
# The pointer waits in a corner of the compositor's output, away from the player and its hints.
park_pointer() { xdotool mousemove $((OUTPUT_W - 1)) $((OUTPUT_H - 1)); }
park_pointer

# A place an X11 session saved, off this compositor's output: the compositor places the surface,
# and the saved place must survive the session.
printf '[Main]\r\nLeft=700\r\nTop=620\r\n' >"$WORK/home/Data/Options.ini"
WAYLAND_DEBUG=client "$BIN" >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
LOG="$WORK/player.err"
# The protocol log tells what the player asks of the compositor.
main_height() { grep -o 'set_window_geometry(0, 0, 320, [0-9]*)' "$LOG" | tail -1 | grep -o '[0-9]*)$' | tr -d ')'; }
main_shown() { [ "$(main_height)" = "$MAIN_H" ]; }
poll 300 main_shown || fail "no main window on the compositor within 30 s: $(grep -v '^\[' "$LOG" | tail -3)"
grep -q "libqwayland" "/proc/$PLAYER_PID/maps" || fail "the player is not on the compositor"

# --- One surface, which grows by the playlist's height when the playlist is shown.
toplevels() {
    echo $(($(grep -c 'get_toplevel(new id' "$LOG") - $(grep -cE -- '-> xdg_toplevel@[0-9]+\.destroy\(\)' "$LOG")))
}
# Sets SX, SY, SW and SH to the box of the rows and columns that the compositor's output shows
# mostly other than its ground in (so not the pointer's arrow).
shown_box() {
    ffmpeg -v error -y -f x11grab -draw_mouse 0 -video_size ${OUTPUT_W}x$OUTPUT_H -i "$DISPLAY+0,0" -frames:v 1 \
        -f rawvideo -pix_fmt rgb24 "$WORK/screen.rgb" || fail "ffmpeg could not grab the screen"
    read -r SX SY SW SH < <(python3 - "$WORK/screen.rgb" $OUTPUT_W $OUTPUT_H "$GROUND" <<'EOF'
import sys
data, w, h = open(sys.argv[1], "rb").read(), int(sys.argv[2]), int(sys.argv[3])
ground = bytes(int(c) for c in sys.argv[4].split())
shown = [[data[i:i + 3] != ground for i in range(y * w * 3, (y + 1) * w * 3, 3)] for y in range(h)]
rows = [y for y in range(h) if sum(shown[y]) >= 100]
cols = [x for x in range(w) if sum(shown[y][x] for y in rows) >= 100]
print(*((cols[0], rows[0], cols[-1] - cols[0] + 1, rows[-1] - rows[0] + 1) if cols else (0, 0, 0, 0)))
EOF
    )
}
shown_sized() {
    shown_box
    [ "$SW,$SH" = "$1" ]
}
poll_seconds 20 shown_sized "320,$MAIN_H" || fail "the output shows ${SW}x$SH, not the 320x$MAIN_H main window"
click_at() { xdotool mousemove $((SX + $1)) $((SY + $2)) click "${3:-1}"; }
click_at $PL_X $PL_Y
park_pointer
list_shown() { [ "$(main_height)" = $((MAIN_H + LIST_H)) ]; }
poll 100 list_shown || fail "the surface is 320x$(main_height) with the playlist shown, not 320x$((MAIN_H + LIST_H))"
[ "$(toplevels)" = 1 ] || fail "the player shows $(toplevels) top-level surfaces, not one"
# Below the main part, the playlist: the whole box is the player's, no ground shows through it.
poll_seconds 20 shown_sized "320,$((MAIN_H + LIST_H))" ||
    fail "the output shows ${SW}x$SH, not the main window with the playlist below it"
echo "the player is one surface on the compositor, 320x$MAIN_H, and the playlist grows it by $LIST_H"

# --- A press on the ground asks the compositor to move the surface.
xdotool mousemove $((SX + FREE_X)) $((SY + FREE_Y)) mousedown 1
moved() { grep -qE 'xdg_toplevel@[0-9]+\.move\(' "$LOG"; }
poll 50 moved || fail "a press on the ground asked the compositor for no move"
xdotool mouseup 1
echo "a press on the ground has the compositor move the surface"

# --- A second start hands its track over, and the player plays it.
timeout 20 "$BIN" --play "$WORK/tone.wav" >"$WORK/second.out" 2>"$WORK/second.err" ||
    fail "a second start did not hand the track over: $(tail -3 "$WORK/second.err")"
playing() { [ -n "$(pactl list short sink-inputs 2>/dev/null)" ]; }
poll 100 playing || fail "the player did not play the track a second start handed over"

# --- The information window opens over the player, as its own window.
info_open() { grep -qE 'set_parent\(xdg_toplevel@[0-9]+\)' "$LOG" && grep -q 'set_window_geometry(0, 0, 322, 129)' "$LOG"; }
opened() { click_at $TITLE_X $TITLE_Y 2 && poll 20 info_open; }
poll_seconds 20 opened || fail "a middle click on the playing title opened no information window over the player"
echo "a second start hands its track over, and the information window opens over the player"

# --- Closed, the player keeps the place an X11 session saved.
click_at $EXIT_X $EXIT_Y
ended() { ! kill -0 "$PLAYER_PID" 2>/dev/null; }
poll 100 ended || fail "the player did not end at a click on the close box"
wait "$PLAYER_PID" || fail "the player ended with status $?: $(grep -v '^\[' "$LOG" | tail -3)"
PLAYER_PID=""
saved_place() { tr -d '\r' <"$WORK/home/Data/Options.ini" | awk -F= '/^\[/ { s = $0 } s == "[Main]" && ($1 == "Left" || $1 == "Top") { printf "%s ", $2 }'; }
[ "$(saved_place)" = "700 620 " ] || fail "the saved place 700,620 became $(saved_place)"
echo "wayland_session: PASS"
