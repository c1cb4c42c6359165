#!/usr/bin/env bash
# A start on a desktop that is not quite in order, then the analyser under a real sound server:
# something that is not a socket stands where the hand-off socket goes, yet the player
# starts, says why on standard error and opens the file it was given as "link/../noise.wav" through a link to
# another folder; Play sends sound through a private PulseAudio server, the analyser's bars rise on
# the screen although the server queues half a second of sound, and the seek bar's line grows; a
# drag from a free spot moves the window; the close saves the path as given.
#
# Usage: start_and_analyser.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
PLAY_X=46 PLAY_Y=110
EXIT_X=307 EXIT_Y=14
# The analyser box and the seek bar, in window coordinates; a spot no box covers.
VIS_X=208 VIS_Y=28 VIS_W=104 VIS_H=40
SEEK_X=10 SEEK_Y=76 SEEK_W=302 SEEK_H=10
FREE_X=150 FREE_Y=40

source "$(dirname "$0")/lib/headless.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
require_tools Xvfb xdotool pulseaudio pactl ffmpeg od awk
begin_session vexo-e2e

start_xvfb
start_pulse e2e

# "link" leads into real/sub, so "link/../noise.wav" is real/noise.wav; the working folder has no
# noise.wav of its own, which is what the path would name if its ".." were taken as text.
mkdir -p "$WORK/real/sub"
ln -s real/sub "$WORK/link"
# Pink noise: every bar of the analyser has something to show.
ffmpeg -v error -f lavfi -i "anoisesrc=color=pink:amplitude=0.5:r=44100:d=30" -ac 2 "$WORK/real/noise.wav" ||
    fail "ffmpeg could not make the noise"
HOME_DIR="$WORK/home"
mkdir -p "$HOME_DIR/Plugins"
export VEXO_HOME="$HOME_DIR" VEXO_AUDIO=pulse QT_QPA_PLATFORM=xcb

# The socket lives in the session's private runtime folder; its name: the user's id and the start of
# the SHA-1 of the home folder's path.
export XDG_RUNTIME_DIR="$WORK/xdg-runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkdir -p "$XDG_RUNTIME_DIR/vexo-mp-$(id -u)-$(printf %s "$HOME_DIR" | sha1sum | cut -c1-16)"
(cd "$WORK" && exec "$BIN" link/../noise.wav) >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
wait_for_main_window 320x135
grep -q "cannot listen" "$WORK/player.err" || fail "the player did not say on standard error why it takes no hand-offs"
echo "the player started without its socket and said why"

eval "$(xdotool getwindowgeometry --shell "$WID")"
# The equalizer panel opened, each row of the analyser's ground keeps the grey of the window's beside it.
grab_box $((VIS_X - 1)) "$VIS_Y" 2 30 "$WORK/ground0.rgb"
xdotool mousemove --window "$WID" 47 64 click 1
ground_goes_on() {
    grab_box $((VIS_X - 1)) "$VIS_Y" 2 30 "$WORK/ground.rgb"
    ! cmp -s "$WORK/ground0.rgb" "$WORK/ground.rgb" &&
        od -An -tu1 -v "$WORK/ground.rgb" | awk '{ for (i = 1; i <= NF; i++) v[n++] = $i } END { for (r = 0; r < 30; r++) if (v[6 * r] != v[6 * r + 3]) exit 1 }'
}
poll_seconds 10 ground_goes_on || fail "with the equalizer panel open the analyser's ground is a block of another grey"
# Pixels of the analyser's stems, the light grey that neither its ground nor its caps use.
stem_pixels() {
    grab_box "$VIS_X" "$VIS_Y" "$VIS_W" "$VIS_H" "$WORK/vis.rgb"
    od -An -tu1 -v "$WORK/vis.rgb" | tr -s ' ' '\n' |
        awk 'NF { c[n++ % 3] = $1 } n % 3 == 0 && n { if (c[0] == 217 && c[1] == 217 && c[2] == 217) k++ } END { print k + 0 }'
}
idle="$(stem_pixels)"

xdotool mousemove --window "$WID" "$PLAY_X" "$PLAY_Y" click 1
# The sink's state shows that sound flows; then the bars must rise within a few frames.
sink_running() { pactl list short sinks | grep -q RUNNING; }
poll 100 sink_running || fail "nothing played through the sound server"
bars_risen() {
    now="$(stem_pixels)"
    [ "$now" -gt $((idle + 50)) ]
}
poll_seconds 15 bars_risen || fail "the analyser's bars did not rise while the noise played ($idle idle, $now playing)"
echo "the analyser shows the sound being heard"

# The seek bar's dotted line grows as the noise plays.
grab_box "$SEEK_X" "$SEEK_Y" "$SEEK_W" "$SEEK_H" "$WORK/seek1.rgb"
seek_bar_moved() {
    grab_box "$SEEK_X" "$SEEK_Y" "$SEEK_W" "$SEEK_H" "$WORK/seek2.rgb"
    ! cmp -s "$WORK/seek1.rgb" "$WORK/seek2.rgb"
}
poll_seconds 10 seek_bar_moved || fail "the seek bar on the screen stood still while playing"
echo "the seek bar moves on the screen"

# A drag from a free spot carries the window along with the pointer.
x0=$X y0=$Y
xdotool mousemove --window "$WID" "$FREE_X" "$FREE_Y" mousedown 1
for step in 1 2 3 4 5; do xdotool mousemove_relative -- 8 6; done
xdotool mouseup 1
window_moved() {
    eval "$(xdotool getwindowgeometry --shell "$WID")"
    [ "$X" -eq $((x0 + 40)) ] && [ "$Y" -eq $((y0 + 30)) ]
}
poll 50 window_moved ||
    fail "a drag by (40, 30) moved the window from ($x0, $y0) to ($X, $Y)"
echo "a drag moves the window"

close_player "$EXIT_X" "$EXIT_Y"
m3u="$HOME_DIR/Data/Default.m3u"
[ -f "$m3u" ] || fail "no Data/Default.m3u after the close"
tr -d '\r' <"$m3u" | grep -v '^#' >"$WORK/paths.txt"
printf '%s\n' "$WORK/link/../noise.wav" | cmp -s - "$WORK/paths.txt" ||
    fail "Default.m3u holds \"$(tr '\n' ' ' <"$WORK/paths.txt")\", not the path as given"
echo "start_and_analyser: PASS"
