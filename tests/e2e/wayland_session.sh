#!/usr/bin/env bash
# A user in a Wayland session starts the player without choosing a platform. With XWayland there
# (DISPLAY set) the windows go to X11, where they can place themselves: the main window appears at
# its saved place. Without it the player starts on the compositor itself and keeps working: its
# main window shows there, and a second start hands it a track.
#
# Usage: wayland_session.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
EXIT_X=307 EXIT_Y=14

source "$(dirname "$0")/lib/headless.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
require_tools Xvfb xdotool weston pulseaudio pactl ffmpeg
begin_session vexo-e2e

start_xvfb
start_pulse e2e

# A compositor of the script's own, drawing nowhere, ended with the session.
export XDG_RUNTIME_DIR="$WORK/runtime" WAYLAND_DISPLAY=vexo-e2e XDG_SESSION_TYPE=wayland
weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --idle-time=0 >"$WORK/weston.log" 2>&1 &
WESTON_PID=$!
trap 'stop_pid "$WESTON_PID"; end_session' EXIT
poll 100 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || fail "weston did not start: $(tail -3 "$WORK/weston.log")"

ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=2" -ac 2 -ar 44100 "$WORK/tone.wav" ||
    fail "ffmpeg could not make the tone"
mkdir -p "$WORK/home/Plugins" "$WORK/home/Data"
printf '[Main]\r\nLeft=100\r\nTop=50\r\n' >"$WORK/home/Data/Options.ini"
export VEXO_HOME="$WORK/home" VEXO_AUDIO=pulse
unset QT_QPA_PLATFORM

# --- With XWayland: the main window is an X11 window at its saved place.
"$BIN" >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
wait_for_main_window 320x135
at_saved_place() {
    eval "$(xdotool getwindowgeometry --shell "$WID" | grep -E '^(X|Y)=')"
    [ "$X,$Y" = "100,50" ]
}
poll 100 at_saved_place || fail "the main window stands at $X,$Y, not at its saved place 100,50"
close_player $EXIT_X $EXIT_Y
echo "with XWayland the player starts on X11 and its window takes its saved place"

# --- Without XWayland: the player runs on the compositor, shows its main window there and takes
# the track a second start hands it. (The protocol log tells what the player asks of the compositor.)
unset DISPLAY
WAYLAND_DEBUG=client "$BIN" >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
# The start window comes first; the main window is the one of 320 x 135.
main_window_shown() { grep -q 'set_window_geometry(0, 0, 320, 135)' "$WORK/player.err"; }
poll 300 main_window_shown || fail "no main window on the compositor within 30 s: $(grep -v '^\[' "$WORK/player.err" | tail -3)"
grep -q "libqwayland" "/proc/$PLAYER_PID/maps" || fail "the player is not on the compositor"
timeout 20 "$BIN" "$WORK/tone.wav" >"$WORK/second.out" 2>"$WORK/second.err" ||
    fail "a second start did not hand the track over: $(tail -3 "$WORK/second.err")"
kill -0 "$PLAYER_PID" 2>/dev/null || fail "the player ended: $(grep -v '^\[' "$WORK/player.err" | tail -3)"
echo "without XWayland the player shows its window on the compositor and takes a second start's track"
echo "wayland_session: PASS"
