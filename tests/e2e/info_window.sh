#!/usr/bin/env bash
# The information window with the real player: a middle click on the scrolling title of a playing
# tagged track shows the window with the track's tags and its green codec line; it is dragged from
# any spot; Next starts a track without tags and the same window shows empty values; Stop leaves
# only the neutral sample rate; pressing the close box and sliding off keeps it, a click on it
# closes it; shown again it stands where it was left, Esc closes it, and the player still closes
# by its own close box while the window is open.
#
# Usage: info_window.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
# Main window: the title ticker, Play, Stop and Next, the close box.
TITLE_X=150 TITLE_Y=14
PLAY_X=46 STOP_X=94 NEXT_X=118 BUTTON_Y=110
EXIT_X=307 EXIT_Y=14
# Information window: the artist line, the green line, the close box.
ARTIST_Y=20 LINE_Y=110 LINE_H=15 CLOSE_X=311 CLOSE_Y=9

source "$(dirname "$0")/lib/headless.sh"
source "$(dirname "$0")/lib/screen_colours.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
require_tools Xvfb xdotool xwininfo pulseaudio pactl ffmpeg od awk
begin_session vexo-e2e

start_xvfb
start_pulse e2e
tone() { echo "-f lavfi -i sine=frequency=$1:sample_rate=44100:duration=30 -ac 2"; }
# shellcheck disable=SC2046
ffmpeg -v error $(tone 440) -metadata artist="Very Long Artist Name Of The First Track" \
    -metadata title="First" -c:a flac "$WORK/first.flac" || fail "ffmpeg could not make the tagged track"
# shellcheck disable=SC2046
ffmpeg -v error $(tone 660) -map_metadata -1 -fflags +bitexact -c:a pcm_s16le "$WORK/second.wav" ||
    fail "ffmpeg could not make the bare track"
HOME_DIR="$WORK/home"
mkdir -p "$HOME_DIR/Plugins"
export VEXO_HOME="$HOME_DIR" VEXO_AUDIO=pulse QT_QPA_PLATFORM=xcb

(cd "$WORK" && exec "$BIN" first.flac second.wav) >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
wait_for_main_window 320x135
MAIN_WID="$WID"
click_main() { xdotool mousemove --window "$MAIN_WID" "$1" "$2" click "${3:-1}"; }

# Sets INFO_WID to the player's visible 322 x 129 window, and X and Y to its place.
find_info() { find_window_sized 322x129 && INFO_WID="$FOUND_WID"; }
info_hidden() { ! xwininfo -id "$INFO_WID" 2>/dev/null | grep -q "Map State: IsViewable"; }

# White pixels of the artist line right of its label: the tag's letters (the ground there is darker).
artist_ink() {
    grab_box 70 "$ARTIST_Y" 240 14 "$WORK/artist.rgb"
    count "$WORK/artist.rgb" "255 255 255"
}
# Green (0, 128, 0) pixels of the codec line from x $1, $2 wide.
green_ink() {
    grab_box "$1" "$LINE_Y" "$2" "$LINE_H" "$WORK/line.rgb"
    count "$WORK/line.rgb" "0 128 0"
}
# Red pixels of the close box's "x".
red_ink() {
    grab_box 306 4 11 12 "$WORK/close.rgb"
    count "$WORK/close.rgb" "255 0 0"
}

# --- Play the tagged track, then a middle click on the title (again while the stream is still opening).
click_main "$PLAY_X" "$BUTTON_Y"
opened() { click_main "$TITLE_X" "$TITLE_Y" 2 && find_info; }
poll_seconds 20 opened || fail "no 322x129 window appeared after a middle click on the playing title"
echo "the information window $INFO_WID is shown at $X,$Y"
tagged() { [ "$(artist_ink)" -gt 60 ] && [ "$(green_ink 5 40)" -gt 20 ]; }
poll_seconds 15 tagged ||
    fail "the window does not show the artist tag and the codec line ($(artist_ink) white, $(green_ink 5 40) green pixels)"
echo "it shows the artist ($(artist_ink) white pixels) and the codec line"

# --- A left press on a free spot drags the window.
FIRST_X="$X" FIRST_Y="$Y"
xdotool mousemove --window "$INFO_WID" 150 70 mousedown 1
xdotool mousemove_relative 20 10 mousemove_relative 20 10 mouseup 1
moved() { find_info && [ "$X" -eq $((FIRST_X + 40)) ] && [ "$Y" -eq $((FIRST_Y + 20)) ]; }
poll_seconds 10 moved || fail "a drag by 40,20 moved the window from $FIRST_X,$FIRST_Y to $X,$Y"
DRAGGED_X="$X" DRAGGED_Y="$Y"
echo "dragged to $X,$Y"

# --- A second middle click changes nothing; Next starts the bare track: the artist goes, the codec stays.
click_main "$TITLE_X" "$TITLE_Y" 2
click_main "$NEXT_X" "$BUTTON_Y"
bare() { ! info_hidden && [ "$(artist_ink)" -eq 0 ] && [ "$(green_ink 5 18)" -gt 10 ]; }
poll_seconds 15 bare || fail "after Next the window still shows $(artist_ink) white pixels of an artist"
echo "after Next the artist line is empty and the codec line names the new track"

# --- Stop: no codec and no bit rate, only the neutral rate after the six spaces.
click_main "$STOP_X" "$BUTTON_Y"
stopped() { [ "$(green_ink 5 18)" -eq 0 ] && [ "$(green_ink 20 60)" -gt 5 ]; }
poll_seconds 15 stopped || fail "after Stop the green line still starts with a codec ($(green_ink 5 18) pixels)"
echo "after Stop the green line holds only the neutral rate"

# --- Pressing the close box turns its "x" grey; sliding off and letting go turns it red again and
# keeps the window; a click on the box hides it.
no_red() { [ "$(red_ink)" -eq 0 ]; }
some_red() { [ "$(red_ink)" -gt 3 ]; }
some_red || fail "the close box shows no red x"
xdotool mousemove --window "$INFO_WID" "$CLOSE_X" "$CLOSE_Y" mousedown 1
poll_seconds 10 no_red || fail "the x of the pressed close box is still red"
xdotool mousemove --window "$INFO_WID" $((CLOSE_X + 3)) $((CLOSE_Y + 20)) mouseup 1
poll_seconds 10 some_red || fail "the x did not turn red again after the release off the box"
info_hidden && fail "a press on the close box released off it closed the window"
xdotool mousemove --window "$INFO_WID" "$CLOSE_X" "$CLOSE_Y" click 1
poll_seconds 10 info_hidden || fail "a click on the close box did not close the window"
echo "the close box closes the window only on a release inside it"

# --- Shown again it stands where it was dragged; Esc closes it; the player closes with it open.
reopen() {
    click_main "$PLAY_X" "$BUTTON_Y"
    poll_seconds 20 opened || fail "the window did not open again on a middle click"
}
reopen
[ "$X" -eq "$DRAGGED_X" ] && [ "$Y" -eq "$DRAGGED_Y" ] ||
    fail "shown again at $X,$Y, not where it was dragged ($DRAGGED_X,$DRAGGED_Y)"
timeout 3 xdotool windowfocus --sync "$INFO_WID" || fail "the window did not take the keyboard focus"
xdotool key Escape
poll_seconds 10 info_hidden || fail "Esc did not close the window"
echo "shown again where it was left; Esc closes it"
reopen
close_player "$EXIT_X" "$EXIT_Y"
echo "info_window: PASS"
