#!/usr/bin/env bash
# A user in a Wayland session starts the player without choosing a platform. It runs on the compositor,
# XWayland or not, as one surface the playlist grows below, moved by the compositor, taking a second
# start's track, opening the information window over itself and keeping the saved place. Where the
# compositor cannot be reached, the main window opens on XWayland at its saved place.
#
# Usage: wayland_session.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
EXIT_X=307 EXIT_Y=14

source "$(dirname "$0")/lib/headless.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
require_tools Xvfb xdotool weston pulseaudio pactl ffmpeg python3
begin_session vexo-e2e

start_xvfb
start_pulse e2e

# A compositor of the script's own in an X window that takes the input, its ground a colour the player lacks.
export XDG_RUNTIME_DIR="$WORK/runtime" WAYLAND_DISPLAY=vexo-e2e XDG_SESSION_TYPE=wayland
printf '[shell]\nbackground-color=0xffff00ff\npanel-position=none\n' >"$WORK/weston.ini"
weston --backend=x11-backend.so --use-pixman --width=800 --height=600 --config="$WORK/weston.ini" \
    --socket="$WAYLAND_DISPLAY" --idle-time=0 >"$WORK/weston.log" 2>&1 &
WESTON_PID=$!
trap 'stop_pid "$WESTON_PID"; end_session' EXIT
poll 100 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || fail "weston did not start: $(tail -3 "$WORK/weston.log")"

ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=60" -ac 2 -ar 44100 "$WORK/tone.wav" ||
    fail "ffmpeg could not make the tone"
mkdir -p "$WORK/home/Plugins" "$WORK/home/Data"
printf '[Main]\r\nLeft=100\r\nTop=50\r\n' >"$WORK/home/Data/Options.ini"
export VEXO_HOME="$WORK/home" VEXO_AUDIO=pulse
unset QT_QPA_PLATFORM

# --- With no compositor to reach: the main window is an X11 window at its saved place.
WAYLAND_DISPLAY=vexo-nowhere "$BIN" >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
wait_for_main_window 320x135
at_saved_place() {
    eval "$(xdotool getwindowgeometry --shell "$WID" | grep -E '^(X|Y)=')"
    [ "$X,$Y" = "100,50" ]
}
poll 100 at_saved_place || fail "the main window stands at $X,$Y, not at its saved place 100,50"
close_player $EXIT_X $EXIT_Y
echo "with XWayland the player starts on X11 and its window takes its saved place"

# --- On the compositor, with XWayland at hand; the protocol log tells what the player asks of it.
printf '[Main]\r\nLeft=700\r\nTop=620\r\n' >"$WORK/home/Data/Options.ini"
WAYLAND_DEBUG=client "$BIN" >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
height_is() { grep -o 'set_window_geometry(0, 0, 320, [0-9]*' "$WORK/player.err" | tail -1 | grep -q " $1\$"; }
poll 300 height_is 135 || fail "no main window on the compositor within 30 s: $(grep -v '^\[' "$WORK/player.err" | tail -3)"
grep -q "libqwayland" "/proc/$PLAYER_PID/maps" || fail "the player is not on the compositor"
shown_is() { # sets SX SY SW SH to the box of rows and columns mostly not ground (so not the arrow)
    ffmpeg -v error -y -f x11grab -video_size 800x600 -i "$DISPLAY+0,0" -frames:v 1 -f rawvideo -pix_fmt rgb24 "$WORK/s.rgb"
    read -r SX SY SW SH < <(python3 -c 'import sys; d = open(sys.argv[1], "rb").read()
on = [[d[i:i + 3] != b"\xff\x00\xff" for i in range(y * 2400, y * 2400 + 2400, 3)] for y in range(600)]
r = [y for y in range(600) if sum(on[y]) > 99] or [0]; c = [x for x in range(800) if sum(on[y][x] for y in r) > 99] or [0]
print(c[0], r[0], c[-1] - c[0] + 1, r[-1] - r[0] + 1)' "$WORK/s.rgb")
    [ "$SW,$SH" = "$1" ]
}
xdotool mousemove 799 599
poll_seconds 20 shown_is 320,135 || fail "the output shows ${SW}x$SH, not the 320x135 main window"
at() { xdotool mousemove $((SX + $1)) $((SY + $2)) "${@:3}"; }
at 21 64 click 1 mousemove 799 599
poll 100 height_is 345 || fail "with the playlist shown the surface did not grow to 320x345"
[ $(($(grep -c 'get_toplevel(new' "$WORK/player.err") - $(grep -c 'xdg_toplevel@[0-9]*\.destroy' "$WORK/player.err"))) = 1 ] || fail "not one top-level surface"
poll_seconds 20 shown_is 320,345 || fail "the output shows ${SW}x$SH, not the playlist below the main window"
at 150 40 mousedown 1
poll 50 grep -qE 'xdg_toplevel@[0-9]+\.move\(' "$WORK/player.err" || fail "a press on the ground asked for no move"
xdotool mouseup 1
timeout 20 "$BIN" --play "$WORK/tone.wav" >"$WORK/second.out" 2>"$WORK/second.err" ||
    fail "a second start did not hand the track over: $(tail -3 "$WORK/second.err")"
kill -0 "$PLAYER_PID" 2>/dev/null || fail "the player ended: $(grep -v '^\[' "$WORK/player.err" | tail -3)"
opened() { at 150 14 click 2 && poll 20 grep -q 'set_parent(xdg_toplevel@' "$WORK/player.err"; }
poll_seconds 20 opened || fail "a middle click on the title opened no information window over the player"
at $EXIT_X $EXIT_Y click 1
poll 100 bash -c "! kill -0 $PLAYER_PID 2>/dev/null" || fail "the player did not end at a click on the close box"
grep -qz $'Left=700\r\nTop=620' "$WORK/home/Data/Options.ini" || fail "the saved place 700,620 was overwritten"
echo "wayland_session: PASS"
