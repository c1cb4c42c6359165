#!/usr/bin/env bash
# Dragging under a real window manager (openbox): a drag of the main window by a free spot hides
# the shown playlist window while the button is held and brings it back docked under the window's
# new place; the window manager does the move, so a drag that would leave the window 10 px past
# the screen's left edge stops at the edge, as every window's move there does; a move the window
# manager makes of its own carries the docked playlist window along; a playlist window moved away
# is docked again by the next drag.
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
wait_for_main_window "${MAIN_W}x${MAIN_H}"
poll_seconds 20 find_list_window || fail "no visible window named \"PlayList\" appeared"

where() { xdotool getwindowgeometry "$1" | awk '/Position|Geometry/ { printf "%s ", $2 }'; }
# The playlist window is shown, as wide as the main window and right under it; the main window at
# ($1, $2) when given.
docked_at() {
    local mx my
    geometry_of "$WID"
    mx=$X my=$Y
    [ $# -eq 0 ] || { [ "$mx" -eq "$1" ] && [ "$my" -eq "$2" ]; } || return 1
    find_list_window || return 1
    geometry_of "$LIST_WID"
    [ "$WIDTH" -eq "$MAIN_W" ] && [ "$X" -eq "$mx" ] && [ "$Y" -eq $((my + MAIN_H)) ]
}
# $1 says when; the main window's place follows if the check needs one.
expect_docked() {
    local when="$1"
    shift
    poll_seconds 20 docked_at "$@" ||
        fail "$when: the playlist window is at $(where "$LIST_WID"), the main window at $(where "$WID")"
}
playlist_hidden() { ! xdotool search --onlyvisible --name '^PlayList' >/dev/null 2>&1; }

# Drags the main window by a free spot by ($1, $2) in steps of at most 20 px, checking that the
# playlist window is hidden while the button is held. The window manager takes the move over a
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
    poll_seconds 20 playlist_hidden || { xdotool mouseup 1; fail "the playlist window stayed on the screen during a drag"; }
    steps=$(((${dx#-} > ${dy#-} ? ${dx#-} : ${dy#-}) / 20 + 1))
    for ((i = 1; i <= steps; i++)); do
        sx=$((dx * i / steps - dx * (i - 1) / steps)) sy=$((dy * i / steps - dy * (i - 1) / steps))
        xdotool mousemove_relative -- "$sx" "$sy"
    done
    xdotool mouseup 1
}

expect_docked "at the start"
echo "main window at ($X, $Y), playlist window docked under it"

# --- A drag moves the window by the pointer's way and brings the playlist back under it.
drag_main 60 40
expect_docked "after a drag" "$DRAG_X" "$DRAG_Y"
echo "after a drag the playlist window is docked under the main window at ($DRAG_X, $DRAG_Y)"

# --- The window manager moves the window: it stops at the screen's left edge instead of going
# 10 px past it.
geometry_of "$WID"
drag_main $((-X - 11)) 0
expect_docked "after a drag past the left edge" 0 "$DRAG_Y"
echo "a drag 10 px past the left edge stops at the edge: the window manager moved the window"

# --- A move the window manager makes of its own carries the docked playlist window along.
xdotool windowmove "$WID" 200 150
expect_docked "after a move by the window manager" 200 150
echo "the playlist window follows the main window to (200, 150)"

# --- A playlist window moved away is docked again by the next drag.
xdotool windowmove "$LIST_WID" 600 500
moved_away() { geometry_of "$LIST_WID" && [ "$X" -eq 600 ] && [ "$Y" -eq 500 ]; }
poll_seconds 20 moved_away || fail "the playlist window could not be moved away: $(where "$LIST_WID")"
drag_main 30 20
expect_docked "after a drag with the playlist window moved away" "$DRAG_X" "$DRAG_Y"
echo "a playlist window moved away is docked again by the next drag"

close_player "$EXIT_X" "$EXIT_Y"
echo "window_manager_drag: PASS"
