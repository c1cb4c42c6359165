#!/usr/bin/env bash
# FFmpeg's libraries are loaded only for a file that needs them: with an MP3 and then a WMA in the
# list, Play is pressed; while the MP3's tone is heard (long before the WMA is opened to follow it)
# no libavcodec is mapped into the player, and when the list moves on the WMA's tone is heard,
# through FFmpeg loaded for it. Sound goes to the
# sound server, so ALSA's library is never mapped either.
#
# Usage: decoder_libraries.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
PLAY_X=46 PLAY_Y=110
EXIT_X=307 EXIT_Y=14

source "$(dirname "$0")/lib/headless.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
require_tools Xvfb xdotool pulseaudio pactl parec ffmpeg
begin_session vexo-decoders

start_xvfb
start_pulse e2e
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=16" -ac 2 -ar 44100 -c:a libmp3lame "$WORK/first.mp3" ||
    fail "ffmpeg could not make the MP3"
ffmpeg -v error -f lavfi -i "sine=frequency=1000:duration=30" -ac 2 -ar 44100 -c:a wmav2 "$WORK/second.wma" ||
    fail "ffmpeg could not make the WMA"
mkdir -p "$WORK/home/Plugins"
export VEXO_HOME="$WORK/home" VEXO_AUDIO=pulse QT_QPA_PLATFORM=xcb

(cd "$WORK" && exec "$BIN" first.mp3 second.wma) >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
wait_for_main_window 320x135

ffmpeg_mapped() { grep -q "libavcodec" "/proc/$PLAYER_PID/maps"; }
# Records half a second of the sink's monitor and succeeds when the tone at $1 Hz stands out.
hear_tone() {
    local bytes=0 whole band
    parec --device=e2e.monitor --format=s16le --rate=44100 --channels=2 --raw >"$WORK/heard.raw" 2>"$WORK/parec.err" &
    PAREC_PID=$!
    poll 100 eval '[ "$(stat -c %s "$WORK/heard.raw")" -ge 88200 ]'
    stop_pid "$PAREC_PID"
    PAREC_PID=""
    whole="$(ffmpeg -v info -f s16le -ar 44100 -ac 2 -i "$WORK/heard.raw" -af astats=measure_perchannel=none \
        -f null - 2>&1 | awk '/RMS level dB/ { v = $NF } END { print v }')"
    band="$(ffmpeg -v info -f s16le -ar 44100 -ac 2 -i "$WORK/heard.raw" \
        -af "bandpass=f=$1:width_type=q:w=20,astats=measure_perchannel=none" -f null - 2>&1 |
        awk '/RMS level dB/ { v = $NF } END { print v }')"
    awk -v w="$whole" -v b="$band" 'BEGIN { exit !(w != "-inf" && w + 0 > -30 && b + 0 > w - 6) }'
}

xdotool mousemove --window "$WID" "$PLAY_X" "$PLAY_Y" click 1
poll 100 eval '[ -n "$(pactl list short sink-inputs 2>/dev/null)" ]' ||
    fail "no stream reached the sound server within 10 s of the click on the play box"
poll_seconds 4 hear_tone 440 || fail "the MP3's 440 Hz tone was not heard"
ffmpeg_mapped && fail "libavcodec is mapped into the player while it plays an MP3"
grep -q "libasound" "/proc/$PLAYER_PID/maps" && fail "libasound is mapped though the sound server plays"
echo "the MP3 plays without FFmpeg's or ALSA's libraries"

poll_seconds 30 hear_tone 1000 || fail "the WMA's 1000 Hz tone was not heard after the MP3"
ffmpeg_mapped || fail "the WMA played but libavcodec is not mapped: which decoder played it?"
echo "the WMA after it plays through FFmpeg, loaded then"

close_player "$EXIT_X" "$EXIT_Y"
