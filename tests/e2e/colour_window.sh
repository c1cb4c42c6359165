#!/usr/bin/env bash
# The colour window with the real player: a right click on a free spot of the main window shows
# it; dragging the blue slider with the mouse and then the arrow keys paint the main window and the
# playlist window on the screen in the sliders' colour, with nothing left in the old one; a free
# spot drags it, Esc hides it; the colour is written at exit and is there again at the next start.
#
# Usage: colour_window.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
FREE_X=150 FREE_Y=40 EXIT_X=307 EXIT_Y=14
# The colour window: the blue slider's thumb at the skin's 219, a spot past its end, a free spot below.
BLUE_X=99 BLUE_Y=36 BLUE_END_X=140 FREE_COLOUR_X=100 FREE_COLOUR_Y=47
OLD="13 90 219" DRAGGED="13 90 255" KEYED="13 90 252" KEYED_REF=16538125

source "$(dirname "$0")/lib/headless.sh"
source "$(dirname "$0")/lib/playlist_window.sh"
source "$(dirname "$0")/lib/screen_colours.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
require_tools Xvfb xdotool xwininfo pulseaudio pactl ffmpeg od awk
begin_session vexo-e2e

start_xvfb
start_pulse e2e
home_showing_playlist

start_player() {
    (cd "$WORK" && exec "$BIN") >"$WORK/player.out" 2>"$WORK/player.err" &
    PLAYER_PID=$!
    wait_for_main_window 320x
}

# The main part's title and the whole playlist as they stand on the screen.
grab_both() {
    eval "$(xdotool getwindowgeometry --shell "$WID")"
    grab_box 0 0 320 135 "$WORK/main.rgb"
    find_list_window || return 1
    list_geometry
    ffmpeg -v error -y -f x11grab -draw_mouse 0 -video_size "${WIDTH}x${HEIGHT}" -i "$DISPLAY+$X,$Y" \
        -frames:v 1 -f rawvideo -pix_fmt rgb24 "$WORK/list.rgb" || fail "ffmpeg could not grab the playlist"
}
# Both windows show colour $1 and none of the colour $2.
show_alone() {
    grab_both || return 1
    [ "$(count "$WORK/main.rgb" "$1")" -gt 20 ] && [ "$(count "$WORK/list.rgb" "$1")" -gt 30 ] &&
        [ "$(count "$WORK/main.rgb" "$2")" -eq 0 ] && [ "$(count "$WORK/list.rgb" "$2")" -eq 0 ]
}
report() {
    echo "main window $(count "$WORK/main.rgb" "$1") and playlist $(count "$WORK/list.rgb" "$1") pixels of $1," \
        "$(count "$WORK/main.rgb" "$2") and $(count "$WORK/list.rgb" "$2") of $2"
}

# Sets COLOUR_WID to the player's visible colour window, and X and Y to its place.
find_colour() { find_window_sized 188x52 && COLOUR_WID="$FOUND_WID"; }
colour_hidden() { ! xwininfo -id "$COLOUR_WID" 2>/dev/null | grep -q "Map State: IsViewable"; }

start_player
poll_seconds 20 show_alone "$OLD" "$DRAGGED" || fail "the windows do not start in the default colour: $(report "$OLD" "$DRAGGED")"

# --- A right click on a free spot shows the window.
xdotool mousemove --window "$WID" "$FREE_X" "$FREE_Y" click 3
poll_seconds 20 find_colour || fail "no 188x52 window appeared after a right click on the main window"
echo "the colour window $COLOUR_WID is shown at $X,$Y"

# --- The blue slider dragged from the skin's blue to its end by the mouse: red and green kept.
xdotool mousemove --window "$COLOUR_WID" "$BLUE_X" "$BLUE_Y" mousedown 1
xdotool mousemove --window "$COLOUR_WID" $((BLUE_X + 40)) "$BLUE_Y" mousemove --window "$COLOUR_WID" "$BLUE_END_X" "$BLUE_Y" mouseup 1
poll_seconds 20 show_alone "$DRAGGED" "$OLD" || fail "after dragging the blue slider: $(report "$DRAGGED" "$OLD")"
echo "a drag of the blue slider paints both windows blue"

# --- Three presses of the left arrow key on the slider the mouse left it on.
timeout 3 xdotool windowfocus --sync "$COLOUR_WID" || fail "the colour window did not take the keyboard focus"
xdotool key Left Left Left
poll_seconds 20 show_alone "$KEYED" "$DRAGGED" || fail "after three left arrows: $(report "$KEYED" "$DRAGGED")"
echo "the arrow keys move the slider and the colour with it"

# --- A free spot drags the window; Esc hides it.
find_colour || fail "the colour window went away"
FIRST_X="$X" FIRST_Y="$Y"
xdotool mousemove --window "$COLOUR_WID" "$FREE_COLOUR_X" "$FREE_COLOUR_Y" mousedown 1
xdotool mousemove_relative 20 10 mousemove_relative 20 10 mouseup 1
moved() { find_colour && [ "$X" -eq $((FIRST_X + 40)) ] && [ "$Y" -eq $((FIRST_Y + 20)) ]; }
poll_seconds 10 moved || fail "a drag by 40,20 moved the window from $FIRST_X,$FIRST_Y to $X,$Y"
timeout 3 xdotool windowfocus --sync "$COLOUR_WID" || fail "the colour window did not take the keyboard focus"
xdotool key Escape
poll_seconds 10 colour_hidden || fail "Esc did not hide the colour window"
echo "dragged by a free spot, hidden by Esc"

# --- Written at exit, there again at the next start.
close_player "$EXIT_X" "$EXIT_Y"
tr -d '\r' <"$HOME_DIR/Data/Options.ini" | grep -qxF "Color=$KEYED_REF" || fail "the colour was not written: $(grep -i color "$HOME_DIR/Data/Options.ini")"
start_player
poll_seconds 20 show_alone "$KEYED" "$OLD" || fail "after a new start: $(report "$KEYED" "$OLD")"
close_player "$EXIT_X" "$EXIT_Y"
echo "colour_window: PASS"
