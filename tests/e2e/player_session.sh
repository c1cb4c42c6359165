#!/usr/bin/env bash
# A whole session with the real player: start with a tone, press play, hear the tone on a private
# PulseAudio null sink, hand a second file over from a second start, close by the close box, and
# find the settings and the playlist written; then the command line's options, and the same close
# after a logout's SIGTERM.
#
# Usage: player_session.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
# Window coordinates of the boxes this session clicks.
PLAY_X=46 PLAY_Y=110
# The volume bar starts at 98, 160; its marker at x 14 stands for 10 %.
VOLUME_X=174 VOLUME_Y=102
EXIT_X=307 EXIT_Y=14

source "$(dirname "$0")/lib/headless.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
require_tools Xvfb xdotool pulseaudio pactl parec ffmpeg
begin_session vexo-e2e

# --- A display and a sound server of our own.
start_xvfb
start_pulse e2e

# --- Two tones and a home folder with a plug-in folder (so no warning box holds the start).
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=30" -ac 2 -ar 44100 "$WORK/tone.wav" ||
    fail "ffmpeg could not make the tone"
ffmpeg -v error -f lavfi -i "sine=frequency=880:duration=5" -ac 2 -ar 44100 "$WORK/second.wav" ||
    fail "ffmpeg could not make the second tone"
HOME_DIR="$WORK/home"
mkdir -p "$HOME_DIR/Plugins"
export VEXO_HOME="$HOME_DIR" VEXO_AUDIO=pulse QT_QPA_PLATFORM=xcb

# Relative on purpose: the running player must get it made absolute.
(cd "$WORK" && exec "$BIN" tone.wav) >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!

wait_for_main_window 320x135
echo "main window $WID is shown"
sleep 0.5

# --- A second start hands its file over and ends without writing anything.
(cd "$WORK" && exec "$BIN" second.wav) >"$WORK/second.out" 2>"$WORK/second.err" &
SECOND_PID=$!
for _ in $(seq 100); do
    kill -0 "$SECOND_PID" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$SECOND_PID" 2>/dev/null && { kill -KILL "$SECOND_PID"; fail "the second start did not end within 10 s"; }
wait "$SECOND_PID"
second_status=$?
[ "$second_status" -eq 0 ] || fail "the second start ended with status $second_status: $(tail -3 "$WORK/second.err")"
[ ! -e "$HOME_DIR/Data/Options.ini" ] || fail "the second start wrote Options.ini"
[ ! -e "$HOME_DIR/Data/Default.m3u" ] || fail "the second start wrote Default.m3u"
echo "second start handed over and ended"

# --- Press play and listen on the sink's monitor.
parec --device=e2e.monitor --format=s16le --rate=44100 --channels=2 --raw >"$WORK/heard.raw" 2>"$WORK/parec.err" &
PAREC_PID=$!
sleep 0.5
xdotool mousemove --window "$WID" "$PLAY_X" "$PLAY_Y" click 1
sleep 2.5
stop_pid "$PAREC_PID"
PAREC_PID=""
bytes=$(stat -c %s "$WORK/heard.raw")
[ "$bytes" -gt 100000 ] || fail "the monitor recorded only $bytes bytes"

# RMS level in dB of the recording, whole and through narrow band-passes around 440 and 1000 Hz.
rms_db() {
    ffmpeg -v info -f s16le -ar 44100 -ac 2 -i "$WORK/heard.raw" -af "$1astats=measure_perchannel=none" \
        -f null - 2>&1 | awk '/RMS level dB/ { v = $NF } END { print v }'
}
whole="$(rms_db "")"
at440="$(rms_db "bandpass=f=440:width_type=q:w=20,")"
at1000="$(rms_db "bandpass=f=1000:width_type=q:w=20,")"
echo "heard: whole ${whole} dB, 440 Hz band ${at440} dB, 1000 Hz band ${at1000} dB"
awk -v w="$whole" -v a="$at440" -v b="$at1000" 'BEGIN {
    if (w == "" || w == "-inf" || w + 0 < -30) exit 1   # something loud was heard
    if (a + 0 < w - 6) exit 1                           # and it was the 440 Hz tone
    if (b + 0 > a - 20) exit 1                          # not noise or another tone
}' || fail "the tone was not heard (whole ${whole} dB, 440 Hz ${at440} dB, 1000 Hz ${at1000} dB)"

# --- The title scrolls and the time runs on the screen itself: their pictures go straight to the
# window, the time's together with the window's ground beneath its letters.
eval "$(xdotool getwindowgeometry --shell "$WID")"
# Pixels darker than any part of the ground or the text.
black_pixels() { od -An -tu1 -v "$1" | tr -s ' ' '\n' | awk 'NF { c[n++ % 3] = $1 } n % 3 == 0 && n { if (c[0] + c[1] + c[2] < 60) k++ } END { print k + 0 }'; }
grab_box 64 8 209 14 "$WORK/ticker1.rgb"
grab_box 8 30 73 20 "$WORK/time1.rgb"
sleep 0.3
grab_box 64 8 209 14 "$WORK/ticker2.rgb"
[ "$(inked_pixels "$WORK/ticker1.rgb")" -gt 20 ] || fail "no title on the screen's ticker"
cmp -s "$WORK/ticker1.rgb" "$WORK/ticker2.rgb" && fail "the ticker on the screen stood still for 300 ms"
echo "the title scrolls on the screen"
sleep 1
grab_box 8 30 73 20 "$WORK/time2.rgb"
for f in time1 time2; do
    [ "$(inked_pixels "$WORK/$f.rgb")" -gt 20 ] || fail "no time text on the screen"
    [ "$(black_pixels "$WORK/$f.rgb")" -eq 0 ] || fail "the time text stands on black, not on the window's ground"
done
cmp -s "$WORK/time1.rgb" "$WORK/time2.rgb" && fail "the time on the screen stood still for 1.3 s"
echo "the time runs on the screen"

# --- A click on the volume bar turns the tone down: 10 % is 20 dB below full volume.
xdotool mousemove --window "$WID" "$VOLUME_X" "$VOLUME_Y" click 1
sleep 0.5
parec --device=e2e.monitor --format=s16le --rate=44100 --channels=2 --raw >"$WORK/heard.raw" 2>"$WORK/parec.err" &
PAREC_PID=$!
sleep 1.5
stop_pid "$PAREC_PID"
PAREC_PID=""
quiet="$(rms_db "")"
echo "heard after the volume click: ${quiet} dB"
awk -v w="$whole" -v q="$quiet" 'BEGIN { if (q == "" || q == "-inf" || q + 0 > w - 15 || q + 0 < w - 25) exit 1 }' ||
    fail "the volume click did not bring the tone about 20 dB down (${whole} dB before, ${quiet} dB after)"

# --- Close by the close box: the player ends by itself with status 0.
close_player "$EXIT_X" "$EXIT_Y"

# --- What the close left behind.
ini="$HOME_DIR/Data/Options.ini"
m3u="$HOME_DIR/Data/Default.m3u"
[ -f "$ini" ] || fail "no Data/Options.ini after the close"
[ -f "$m3u" ] || fail "no Data/Default.m3u after the close"
for line in "[VexoMP]" "Version=2.03" "[Main]" "Left=268" "Top=141" "Volume=14" "PlayMode=0" \
    "Color=14375437" "[EQ]" "[EQParams]" "10=15" "[PlayList]" "Height=210"; do
    tr -d '\r' <"$ini" | grep -qxF "$line" || fail "Options.ini lacks the line \"$line\""
done
tr -d '\r' <"$m3u" >"$WORK/m3u.txt"
head -1 "$WORK/m3u.txt" | grep -qx "#EXTM3U" || fail "Default.m3u does not start with #EXTM3U"
grep -v '^#' "$WORK/m3u.txt" >"$WORK/paths.txt"
printf '%s\n' "$WORK/tone.wav" "$WORK/second.wav" | cmp -s - "$WORK/paths.txt" ||
    fail "Default.m3u holds $(tr '\n' ' ' <"$WORK/paths.txt"), not the two tones in order"

# --- The command line: it speaks without a display, and refuses what it does not know.
[ "$(env -u DISPLAY "$BIN" --version)" = "vexo-mp 2.03" ] || fail "--version does not print the version"
env -u DISPLAY "$BIN" --help | grep -q "VEXO_AUDIO" || fail "--help does not tell the environment"
"$BIN" --no-such-option 2>"$WORK/option.err"
[ $? -eq 2 ] && [ "$(wc -l <"$WORK/option.err")" -eq 1 ] || fail "an unknown option is not one line and status 2"
env -u DISPLAY "$BIN" tone.wav 2>"$WORK/display.err"
[ $? -eq 1 ] && [ "$(wc -l <"$WORK/display.err")" -eq 1 ] || fail "no display: $(head -3 "$WORK/display.err")"

# --- --play plays the first given path, at a start and handed over; then a logout's SIGTERM
# closes the player as its close box does.
RATE=44100
rm "$ini"
(cd "$WORK" && exec "$BIN" --play -- second.wav) >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
wait_for_main_window 320x135
# The tone of $1 Hz is what the sink plays.
playing_tone() {
    listen
    local band="$AT440"
    [ "$1" = 880 ] && band="$AT880"
    awk -v a="$band" -v w="$HEARD" 'BEGIN { exit !(w > -40 && a > w - 6) }'
}
poll_seconds 10 playing_tone 880 || fail "--play at the start did not play the given file"
"$BIN" --play "$WORK/tone.wav" || fail "the --play hand-off ended with status $?"
poll_seconds 10 playing_tone 440 || fail "a handed-over --play did not play its file"
close_player TERM
[ -f "$ini" ] || fail "no Data/Options.ini after SIGTERM"
# The --play start kept the last session's list and added its file after it.
tr -d '\r' <"$m3u" | grep -v '^#' |
    cmp -s - <(printf '%s\n' "$WORK/tone.wav" "$WORK/second.wav" "$WORK/second.wav" "$WORK/tone.wav") ||
    fail "SIGTERM did not save the session's playlist: $(tr -d '\r' <"$m3u" | grep -v '^#' | tr '\n' ' ')"
echo "--play played at the start and handed over, and SIGTERM closed the player as its close box does"
echo "player_session: PASS"
