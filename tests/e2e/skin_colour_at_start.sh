#!/usr/bin/env bash
# A user whose settings hold a colour of their own starts the player and plays a track: both
# windows show that colour, on a real X screen, in the boxes whose pictures go straight to the X
# server (the seek bar's line, the time) as in the rest (the frame's title, the playlist window's
# ground and buttons), and no pixel keeps the colour the player starts with before it reads them.
#
# Usage: skin_colour_at_start.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
PLAY_X=46 BUTTON_Y=110 EXIT_X=307 EXIT_Y=14
# (200, 30, 120) as the settings file stores it: red in the low byte.
COLOUR_REF=7872200 COLOUR="200 30 120"
# The colours the player paints in before its settings are read, and the settings' own default.
STARTING="0 255 0" DEFAULT="13 90 219"

source "$(dirname "$0")/lib/headless.sh"
source "$(dirname "$0")/lib/playlist_window.sh"
source "$(dirname "$0")/lib/screen_colours.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
require_tools Xvfb xdotool pulseaudio pactl ffmpeg od awk
begin_session vexo-e2e

start_xvfb
start_pulse e2e

ffmpeg -v error -f lavfi -i anullsrc=r=8000:cl=mono -t 20 -c:a libmp3lame -b:a 8k \
    -metadata artist="artist" -metadata title="title" "$WORK/track.mp3" || fail "ffmpeg could not make the track"
home_showing_playlist
printf '[Main]\r\nColor=%s\r\n' "$COLOUR_REF" >>"$HOME_DIR/Data/Options.ini"

(cd "$WORK" && exec "$BIN" track.mp3) >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
wait_for_main_window 320x
xdotool mousemove --window "$WID" "$PLAY_X" "$BUTTON_Y" click 1

# The main part (320 x 135) and the playlist under it as they stand on the screen.
grab_both() {
    eval "$(xdotool getwindowgeometry --shell "$WID")"
    grab_box 0 0 320 135 "$WORK/main.rgb"
    grab_box 0 0 320 30 "$WORK/title.rgb"
    grab_box 10 76 302 10 "$WORK/seek.rgb"
    grab_box 8 30 73 20 "$WORK/time.rgb"
    find_list_window || return 1
    list_geometry
    ffmpeg -v error -y -f x11grab -draw_mouse 0 -video_size "${WIDTH}x${HEIGHT}" -i "$DISPLAY+$X,$Y" \
        -frames:v 1 -f rawvideo -pix_fmt rgb24 "$WORK/list.rgb" || fail "ffmpeg could not grab the playlist"
}

shows_the_colour() {
    grab_both || return 1
    [ "$(count "$WORK/title.rgb" "$COLOUR")" -gt 20 ] && [ "$(count "$WORK/seek.rgb" "$COLOUR")" -gt 20 ] &&
        [ "$(count "$WORK/time.rgb" "$COLOUR")" -gt 20 ] && [ "$(count "$WORK/list.rgb" "$COLOUR")" -gt 30 ] &&
        [ "$(count "$WORK/main.rgb" "$STARTING")" -eq 0 ] && [ "$(count "$WORK/main.rgb" "$DEFAULT")" -eq 0 ] &&
        [ "$(count "$WORK/list.rgb" "$STARTING")" -eq 0 ] && [ "$(count "$WORK/list.rgb" "$DEFAULT")" -eq 0 ]
}

poll_seconds 20 shows_the_colour || fail "the windows do not show the settings' colour alone: title $(count "$WORK/title.rgb" "$COLOUR"), \
seek bar $(count "$WORK/seek.rgb" "$COLOUR"), time $(count "$WORK/time.rgb" "$COLOUR"), playlist $(count "$WORK/list.rgb" "$COLOUR") pixels of it; \
$(count "$WORK/main.rgb" "$STARTING") + $(count "$WORK/list.rgb" "$STARTING") of the starting colour, \
$(count "$WORK/main.rgb" "$DEFAULT") + $(count "$WORK/list.rgb" "$DEFAULT") of the default one"

close_player "$EXIT_X" "$EXIT_Y"
tr -d '\r' <"$HOME_DIR/Data/Options.ini" | grep -qxF "Color=$COLOUR_REF" || fail "the colour was not written back"
echo "skin_colour_at_start: PASS"
