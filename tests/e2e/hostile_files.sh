#!/usr/bin/env bash
# Named pipes under audio and playlist names do not freeze the player: with a pipe "x.mp3" in the
# default playlist and the playlist shown, the window comes up, Play passes over the pipe,
# and the close box ends the player, which keeps the pipe's row in Default.m3u; a pipe "y.m3u"
# given on the command line is reported in an error box, which closes with Enter, and the player
# again ends by its close box. A WAV with a valid header and a 2 GB tail of zeros, which takes a
# demuxer many seconds to search, neither holds the shown playlist nor Play: each time the close
# box ends the player within 3 s.
#
# Usage: hostile_files.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
# The main window with the playlist shown under its main part, at the playlist's default height.
MAIN_GEOMETRY=320x345
EXIT_X=307 EXIT_Y=14
PLAY_X=46 PLAY_Y=110

source "$(dirname "$0")/lib/headless.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
source "$(dirname "$0")/lib/playlist_window.sh"
require_tools Xvfb xdotool xwininfo pulseaudio pactl ffmpeg
begin_session vexo-hostile

start_xvfb
start_pulse e2e
home_showing_playlist
ffmpeg -v error -f lavfi -i "sine=f=440:d=2" -ac 2 "$WORK/tone.wav" || fail "ffmpeg could not make a tone"
mkfifo "$WORK/x.mp3" "$WORK/y.m3u" || fail "cannot make named pipes"

start_player() {
    (cd "$WORK" && exec "$BIN" "$@") >"$WORK/player.out" 2>"$WORK/player.err" &
    PLAYER_PID=$!
}

# --- A pipe in the default playlist, painted in the shown playlist, then played.
printf '#EXTM3U\r\n#EXTINF:206,\r\n%s\r\n#EXTINF:206,\r\n%s\r\n' "$WORK/x.mp3" "$WORK/tone.wav" \
    >"$HOME_DIR/Data/Default.m3u"
start_player
wait_for_main_window "$MAIN_GEOMETRY"
poll 100 find_list_window || fail "the playlist did not appear within 10 s"
echo "main window $WID is shown with the playlist"
xdotool mousemove --window "$WID" "$PLAY_X" "$PLAY_Y" click 1
close_player "$EXIT_X" "$EXIT_Y"
m3u_paths "$HOME_DIR/Data/Default.m3u" >"$WORK/paths.txt"
printf '%s\n' "$WORK/x.mp3" "$WORK/tone.wav" | cmp -s - "$WORK/paths.txt" ||
    fail "Default.m3u holds $(tr '\n' ' ' <"$WORK/paths.txt"), not the pipe and the tone"
echo "the player with a pipe in its playlist closed by its close box and kept both rows"

# --- A pipe named like a playlist on the command line: an error box, not a freeze.
# Sets BOX to a visible window of the player titled "Vexo MP" that is not the main window.
find_error_box() {
    local wid
    BOX=""
    for wid in $(xdotool search --onlyvisible --pid "$PLAYER_PID" 2>/dev/null); do
        [ "$(xdotool getwindowname "$wid" 2>/dev/null)" = "Vexo MP" ] || continue
        xdotool getwindowgeometry "$wid" 2>/dev/null | grep -q "Geometry: $MAIN_GEOMETRY" && continue
        BOX="$wid"
        return 0
    done
    return 1
}
box_gone() { ! xwininfo -id "$BOX" 2>/dev/null | grep -q "Map State: IsViewable"; }
start_player y.m3u tone.wav
poll 150 find_error_box || fail "no error box for the pipe named y.m3u within 15 s"
echo "error box $BOX reports the pipe"
poll 50 eval 'xdotool windowfocus "$BOX" key Return 2>/dev/null; poll 10 box_gone' ||
    fail "the error box did not close with Enter"
wait_for_main_window "$MAIN_GEOMETRY"
close_player "$EXIT_X" "$EXIT_Y"
m3u_paths "$HOME_DIR/Data/Default.m3u" >"$WORK/paths.txt"
printf '%s\n' "$WORK/tone.wav" | cmp -s - "$WORK/paths.txt" ||
    fail "after the refused pipe Default.m3u holds $(tr '\n' ' ' <"$WORK/paths.txt"), not the tone alone"

# --- A zero-tailed WAV in the shown playlist, then played: the window stays responsive.
# Clicks the close box and fails unless the player has ended within 3 s.
close_promptly() {
    local started=$SECONDS
    close_player "$EXIT_X" "$EXIT_Y"
    [ $((SECONDS - started)) -le 3 ] || fail "$1: the player took $((SECONDS - started)) s to close"
}
ffmpeg -v error -f lavfi -i "sine=f=440:d=1" -ac 2 -ar 44100 "$WORK/zero.wav" || fail "ffmpeg could not make a WAV"
truncate -s 2G "$WORK/zero.wav" || fail "cannot grow the WAV"
printf '#EXTM3U\r\n%s\r\n%s\r\n' "$WORK/zero.wav" "$WORK/tone.wav" >"$HOME_DIR/Data/Default.m3u"
start_player
wait_for_main_window "$MAIN_GEOMETRY"
poll 100 find_list_window || fail "the playlist did not appear within 10 s"
close_promptly "with the zero-tailed WAV in the shown playlist"
echo "the shown playlist with a zero-tailed WAV did not hold the window"
start_player
wait_for_main_window "$MAIN_GEOMETRY"
poll 100 find_list_window || fail "the playlist did not appear within 10 s"
xdotool mousemove --window "$WID" "$PLAY_X" "$PLAY_Y" click 1
close_promptly "after Play on the zero-tailed WAV"
echo "Play on a zero-tailed WAV did not hold the window"
# --- Half a plug-in in Plugins/ (a copy cut short): the player starts and names it, in a box and
# on standard error, instead of dying inside the loader.
head -c 100000 "$(dirname "$BIN")/vexo-ffmpeg.so" >"$HOME_DIR/Plugins/half.so" || fail "cannot cut a plug-in"
start_player
poll 150 find_error_box || fail "no box named the plug-in cut short within 15 s"
grep -q 'vexo-mp: the plug-in .*/half.so is refused: it is cut short' "$WORK/player.err" ||
    fail "standard error does not name the plug-in cut short: $(tail -3 "$WORK/player.err")"
poll 50 eval 'xdotool windowfocus "$BOX" key Return 2>/dev/null; poll 10 box_gone' || fail "the box did not close with Enter"
wait_for_main_window "$MAIN_GEOMETRY"
close_promptly "after the plug-in cut short"
rm "$HOME_DIR/Plugins/half.so"
echo "the plug-in cut short was named and the player ran"
echo "hostile_files: PASS"
