#!/usr/bin/env bash
# The desktop's media-player client (playerctl) drives the real player over a private session bus
# while its sound goes to a private PulseAudio null sink: the status follows play, pause and stop;
# play, next, previous and pause are heard (three tracks of three pitches); the tagged track's title,
# artist and album are offered, and the cover it carries as a file of its own that goes with the
# track, on the next track, Stop and Quit; a volume set by the client moves the marker on the
# screen, and a click on the volume bar reaches a following client; loop and shuffle set by the
# client are the mode the player saves; a file opened by the client is added and plays; and Quit closes the player
# normally, writing the settings and the playlist. A screen reader on the same bus reads every box of
# the main window by name, the bars with their values, the playlist's rows by their titles, and its
# press on Play starts the track.
#
# Usage: mpris_playerctl.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
RATE=44100
# The volume bar's place in the main window; its marker is drawn one pixel right of VolPos.
VOLUME_X=160 VOLUME_Y=98 VOLUME_W=115 VOLUME_H=8

source "$(dirname "$0")/lib/headless.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
BIN="$(realpath "$BIN")"
require_tools Xvfb xdotool pulseaudio pactl parec ffmpeg dbus-daemon dbus-send playerctl awk timeout
PYTHON=/usr/bin/python3 A11Y_LAUNCHER=/usr/libexec/at-spi-bus-launcher
"$PYTHON" -c "import pyatspi" 2>/dev/null && [ -x "$A11Y_LAUNCHER" ] || fail "python3-pyatspi or at-spi2-core is missing (run ./dev setup)"
begin_session vexo-e2e-mpris
FOLLOW_PID="" A11Y_PID=""
trap 'stop_pid "$FOLLOW_PID"; stop_pid "$A11Y_PID"; end_session' EXIT

start_xvfb
start_pulse e2e
start_session_bus
# The accessibility bus a desktop starts for its screen reader.
XDG_RUNTIME_DIR="$WORK/runtime" "$A11Y_LAUNCHER" --launch-immediately >"$WORK/a11y.log" 2>&1 &
A11Y_PID=$!

# Three minute-long tracks of their own pitch, the first tagged; a fourth opened by the client later.
tone() {
    ffmpeg -v error -f lavfi -i "sine=frequency=$2:sample_rate=$RATE:duration=60" -ac 2 "${@:3}" "$WORK/$1" ||
        fail "ffmpeg could not make $1"
}
tone one.flac 440 -metadata title="First Tone" -metadata artist="Vexo Tester" -metadata album="Test Tones"
tone two.flac 660
tone three.flac 990
tone opened.flac 1485
# The first and the opened track carry a cover picture.
ffmpeg -v error -f lavfi -i color=c=red:s=16x16 -frames:v 1 "$WORK/cover.png" || fail "ffmpeg could not make cover.png"
for covered in one.flac opened.flac; do
    ffmpeg -v error -i "$WORK/$covered" -i "$WORK/cover.png" -map 0 -map 1 -c copy -disposition:v attached_pic \
        "$WORK/covered.flac" && mv "$WORK/covered.flac" "$WORK/$covered" || fail "ffmpeg could not put a cover into $covered"
done
HOME_DIR="$WORK/home"
mkdir -p "$HOME_DIR/Plugins"
export VEXO_HOME="$HOME_DIR" VEXO_AUDIO=pulse QT_QPA_PLATFORM=xcb

(cd "$WORK" && QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 exec "$BIN" one.flac two.flac three.flac) >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
wait_for_main_window 320x135
eval "$(xdotool getwindowgeometry --shell "$WID" | grep -E '^(X|Y)=')"

ctl() { playerctl --player=vexo_mp "$@" 2>/dev/null; }
status_is() { [ "$(ctl status)" = "$1" ]; }
poll_seconds 20 status_is Stopped || fail "the player did not appear on the bus as stopped (status \"$(ctl status)\")"

# The pitch the sink plays now: 440, 660, 990 or 1485 when one band stands 15 dB above the others and
# the whole is clearly audible, "silence" below -60 dB, else "unclear".
PITCH=""
pitch_heard() {
    listen
    local levels="$HEARD"
    for f in 440 660 990 1485; do levels="$levels $(heard_level "$f")"; done
    LEVELS="$levels"
    PITCH="$(awk -v l="$levels" 'BEGIN {
        split(l, v, " "); split("440 660 990 1485", f, " ")
        if (v[1] < -60) { print "silence"; exit }
        best = 2; for (i = 3; i <= 5; i++) if (v[i] > v[best]) best = i
        for (i = 2; i <= 5; i++) if (i != best && v[i] > v[best] - 15) { print "unclear"; exit }
        print (v[1] > -40) ? f[best - 1] : "unclear" }')"
}
hearing() { pitch_heard && [ "$PITCH" = "$1" ]; }
expect_heard() { poll_seconds 20 hearing "$1" || fail "$2: heard $PITCH ($LEVELS dB), not $1"; }

# --- The screen reader: named boxes, the volume a slider at 100 %, the rows by their titles (the tagged
# one by its tags), and Play pressed through it plays.
reader() { "$PYTHON" "$(dirname "$0")/lib/screen_reader.py" "$@" 2>"$WORK/reader.err"; }
poll_seconds 20 eval 'reader boxes >"$WORK/boxes.txt"' || fail "the screen reader: $(cat "$WORK/reader.err")"
echo "the screen reader reads the main window as:" && cat "$WORK/boxes.txt"
grep -qx "push button|Воспроизведение|" "$WORK/boxes.txt" && grep -qx "slider|Громкость|100" "$WORK/boxes.txt" ||
    fail "the screen reader finds no Play button or no volume slider at 100"
reader press "Плейлист (скрыть/показать)" || fail "the screen reader could not press the playlist button"
titled_rows() { reader rows >"$WORK/rows.txt" && [ "$(tr '\n' '|' <"$WORK/rows.txt")" = "Vexo Tester - First Tone|two|three|" ]; }
poll_seconds 20 titled_rows || fail "the screen reader reads the rows as: $(tr '\n' '|' <"$WORK/rows.txt") $(cat "$WORK/reader.err")"
reader press "Воспроизведение" || fail "the screen reader could not press Play"
poll_seconds 20 status_is Playing || fail "Play pressed by the screen reader: the status is \"$(ctl status)\""
expect_heard 440 "Play pressed by the screen reader"
ctl stop
poll_seconds 20 status_is Stopped || fail "stop after the screen reader's Play: the status is \"$(ctl status)\""
echo "the screen reader reads the rows by their titles and its Play plays"

# --- Transport.
# The playing track's cover: a file only its user may read, holding the picture the track carries.
cover_shown() {
    local art="$(ctl metadata mpris:artUrl)"
    COVER="${art#file://}"
    [ "$art" != "$COVER" ] && cmp -s "$COVER" "$WORK/cover.png" && [ "$(stat -c %a "$COVER")" = 600 ]
}
cover_gone() { [ ! -e "$COVER" ] && [ -z "$(ctl metadata mpris:artUrl)" ]; }
ctl play
poll_seconds 20 status_is Playing || fail "play: the status is \"$(ctl status)\""
expect_heard 440 "play"
metadata="$(ctl metadata --format '{{title}}|{{artist}}|{{album}}|{{mpris:length}}')"
[ "$metadata" = "First Tone|Vexo Tester|Test Tones|60000000" ] || fail "the first track's metadata reads \"$metadata\""
poll_seconds 20 cover_shown || fail "the first track's cover is \"$(ctl metadata mpris:artUrl)\", not its picture"
ctl next
expect_heard 660 "next"
cover_gone || fail "the first track's cover $COVER stayed on the next track"
[ "$(ctl metadata xesam:url)" = "file://$WORK/two.flac" ] || fail "after next the url is \"$(ctl metadata xesam:url)\""
ctl next
expect_heard 990 "next again"
ctl previous
expect_heard 660 "previous"
ctl pause
poll_seconds 20 status_is Paused || fail "pause: the status is \"$(ctl status)\""
expect_heard silence "pause"
ctl play-pause
poll_seconds 20 status_is Playing || fail "play-pause: the status is \"$(ctl status)\""
expect_heard 660 "play-pause after pause"
echo "play, next, previous, pause and play-pause were heard"

# --- Volume both ways: the client moves the bar on the screen, the mouse on the bar reaches the client.
marker_x() {
    grab_box "$VOLUME_X" "$VOLUME_Y" "$VOLUME_W" "$VOLUME_H" "$WORK/volume.rgb"
    od -An -tu1 -v "$WORK/volume.rgb" | tr -s ' ' '\n' | awk -v w="$VOLUME_W" '
        NF { c[n++ % 3] = $1 } n % 3 == 0 && n { p = n / 3 - 1; x = p % w; if (c[2] > c[0] + 60 && (min == "" || x < min)) min = x }
        END { print (min == "" ? -1 : min) }'
}
marker_at() { [ "$(marker_x)" = "$1" ]; }
ctl volume 0.5
# 50 % is VolPos 54; the marker's box starts one pixel right of it.
poll_seconds 20 marker_at 55 || fail "volume 0.5 over the bus left the marker at x $(marker_x), not 55"
[ "$(ctl volume)" = "0.500000" ] || fail "the volume reads $(ctl volume) after setting 0.5"
playerctl --player=vexo_mp --follow volume >"$WORK/follow.txt" 2>/dev/null &
FOLLOW_PID=$!
poll_seconds 20 grep -q "0.5" "$WORK/follow.txt" || fail "the following client never printed the volume"
xdotool mousemove --window "$WID" $((VOLUME_X + 74)) $((VOLUME_Y + 4)) click 1
poll_seconds 20 grep -q "^0.70" "$WORK/follow.txt" ||
    fail "a click on the volume bar at 70 % did not reach the client: $(tr '\n' ' ' <"$WORK/follow.txt")"
echo "the volume went from the client to the bar and from the bar to the client"

# --- Play modes, as the player saves them.
ctl loop Track
[ "$(ctl loop)" = "Track" ] || fail "loop Track reads back as \"$(ctl loop)\""
ctl shuffle On
[ "$(ctl shuffle)" = "On" ] || fail "shuffle On reads back as \"$(ctl shuffle)\""

# --- A file opened by the client is added and plays.
ctl open "file://$WORK/opened.flac"
expect_heard 1485 "open"
poll_seconds 20 cover_shown || fail "the opened track's cover is \"$(ctl metadata mpris:artUrl)\", not its picture"

# --- Stop, then Quit through the normal close.
ctl stop
poll_seconds 20 status_is Stopped || fail "stop: the status is \"$(ctl status)\""
expect_heard silence "stop"
cover_gone || fail "the cover $COVER stayed after stop"
ctl play
poll_seconds 20 cover_shown || fail "the cover of the track played again is \"$(ctl metadata mpris:artUrl)\""
rm -f "$HOME_DIR/Data/Options.ini" "$HOME_DIR/Data/Default.m3u"
dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.vexo_mp /org/mpris/MediaPlayer2 \
    org.mpris.MediaPlayer2.Quit || fail "Quit could not be sent"
poll_seconds 20 bash -c "! kill -0 $PLAYER_PID 2>/dev/null" || fail "the player did not end after Quit"
wait "$PLAYER_PID"
status=$?
PLAYER_PID=""
[ "$status" -eq 0 ] || fail "the player ended with status $status: $(tail -3 "$WORK/player.err")"
[ ! -e "$COVER" ] || fail "the cover $COVER stayed after Quit"
options="$(tr -d '\r' <"$HOME_DIR/Data/Options.ini" 2>/dev/null)"
grep -qx "PlayMode=2" <<<"$options" || fail "the saved settings hold no PlayMode=2 (shuffle): $(grep -i playmode <<<"$options")"
grep -qx "Volume=74" <<<"$options" || fail "the saved settings hold no Volume=74: $(grep -i volume <<<"$options")"
saved="$(tr -d '\r' <"$HOME_DIR/Data/Default.m3u" 2>/dev/null | grep -c '\.flac$')"
[ "$saved" = 4 ] || fail "the saved playlist holds $saved tracks, not 4"
echo "Quit saved the settings (shuffle, volume) and the playlist of 4 tracks"
