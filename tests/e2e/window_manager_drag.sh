#!/usr/bin/env bash
# Dragging under a real window manager (openbox): a drag of the main window by a free spot moves it
# with the playlist shown under its main part all the while, one window; the window manager does the
# move, so a drag that would leave the window 10 px past the screen's left edge stops at the edge,
# as every window's move there does.
#
# Usage: window_manager_drag.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
MAIN_W=320 MAIN_H=135
# The close box and a spot no box covers, in window coordinates.
EXIT_X=307 EXIT_Y=14
FREE_X=150 FREE_Y=40

source "$(dirname "$0")/lib/headless.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
source "$(dirname "$0")/lib/playlist_window.sh"
require_tools Xvfb xdotool xprop openbox
begin_session vexo-e2e
WM_PID=""
trap 'stop_pid "$WM_PID"; end_session' EXIT

start_xvfb
openbox --sm-disable --config-file /dev/null >"$WORK/openbox.log" 2>&1 &
WM_PID=$!
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
poll_seconds 20 wm_running || fail "openbox did not take the display: $(tail -3 "$WORK/openbox.log")"

home_showing_playlist
# Moving windows needs no sound.
export VEXO_AUDIO=null
"$BIN" >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
wait_for_main_window "${MAIN_W}x"
poll_seconds 20 find_list_window || fail "the main window did not show the playlist"
geometry_of "$WID"
WHOLE_H=$HEIGHT

where() { xdotool getwindowgeometry "$1" | awk '/Position|Geometry/ { printf "%s ", $2 }'; }
# The main window shows the playlist, as tall as at the start; at ($1, $2) when given.
docked_at() {
    geometry_of "$WID"
    [ $# -eq 0 ] || { [ "$X" -eq "$1" ] && [ "$Y" -eq "$2" ]; } || return 1
    [ "$WIDTH" -eq "$MAIN_W" ] && [ "$HEIGHT" -eq "$WHOLE_H" ] && [ "$HEIGHT" -gt "$MAIN_H" ]
}
# $1 says when; the main window's place follows if the check needs one.
expect_docked() {
    local when="$1"
    shift
    poll_seconds 20 docked_at "$@" || fail "$when: the main window is $(where "$WID")"
}

# Drags the main window by a free spot by ($1, $2) in steps of at most 20 px, checking that the
# playlist stays shown while the button is held. The window manager takes the move over a
# moment after the press, and pointer moves before that are not the window's: the pointer is first
# nudged by single pixels until the window follows it, and the drag counts from there. Sets
# DRAG_X and DRAG_Y to where the window must end.
drag_main() {
    local dx="$1" dy="$2" x0 sx sy steps i
    geometry_of "$WID"
    x0=$X
    left_start() { geometry_of "$WID" && [ "$X" -ne "$x0" ]; }
    xdotool mousemove --window "$WID" "$FREE_X" "$FREE_Y" mousedown 1
    for ((i = 0; i < 100; i++)); do
        xdotool mousemove_relative -- 1 0
        poll 5 left_start && break
    done
    left_start || { xdotool mouseup 1; fail "the window did not follow the pointer after a press on a free spot"; }
    DRAG_X=$((X + dx)) DRAG_Y=$((Y + dy))
    docked_at || { xdotool mouseup 1; fail "the playlist left the window during a drag: $(where "$WID")"; }
    steps=$(((${dx#-} > ${dy#-} ? ${dx#-} : ${dy#-}) / 20 + 1))
    for ((i = 1; i <= steps; i++)); do
        sx=$((dx * i / steps - dx * (i - 1) / steps)) sy=$((dy * i / steps - dy * (i - 1) / steps))
        xdotool mousemove_relative -- "$sx" "$sy"
    done
    xdotool mouseup 1
}

expect_docked "at the start"
echo "main window at ($X, $Y), ${WIDTH}x$HEIGHT with the playlist"

# --- A drag moves the window, the playlist with it, by the pointer's way.
drag_main 60 40
expect_docked "after a drag" "$DRAG_X" "$DRAG_Y"
echo "after a drag the main window with its playlist is at ($DRAG_X, $DRAG_Y)"

# --- The window manager moves the window: it stops at the screen's left edge instead of going
# 10 px past it.
geometry_of "$WID"
drag_main $((-X - 11)) 0
expect_docked "after a drag past the left edge" 0 "$DRAG_Y"
echo "a drag 10 px past the left edge stops at the edge: the window manager moved the window"

close_player "$EXIT_X" "$EXIT_Y"
echo "window_manager_drag: PASS"
