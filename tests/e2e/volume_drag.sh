#!/usr/bin/env bash
# A user drags the volume bar to and fro for eight seconds while a tone plays through a private
# PulseAudio null sink: the level the drag was let go at is what stays, and the track neither
# skips ahead nor ends early: its change of tone at 20 s is heard 20 s after Play.
#
# Usage: volume_drag.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
RATE=44100
PLAY_X=46 BUTTON_Y=110
# The volume bar's row; x 174 stands for 10 %, and the drag stays between 20 % and 80 %.
VOLUME_Y=102 DRAG_FROM_X=180 DRAG_TO_X=210

source "$(dirname "$0")/lib/headless.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
require_tools Xvfb xdotool pulseaudio pactl parec ffmpeg awk timeout
begin_session vexo-e2e

start_xvfb
start_pulse e2e

# 440 Hz for the first 20 s, 880 Hz for the last 10: what is heard tells where the track stands.
ffmpeg -v error -f lavfi -i "aevalsrc=0.5*sin(2*PI*if(lt(t\,20)\,440\,880)*t):s=$RATE:d=30" -ac 2 \
    "$WORK/tone.wav" || fail "ffmpeg could not make the tone"
mkdir -p "$WORK/home/Plugins"
export VEXO_HOME="$WORK/home" VEXO_AUDIO=pulse QT_QPA_PLATFORM=xcb

(cd "$WORK" && exec "$BIN" tone.wav) >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
wait_for_main_window 320x135

hearing_440() { listen && awk -v a="$AT440" -v b="$AT880" -v h="$HEARD" 'BEGIN { exit !(h > -40 && a > b + 20) }'; }
hearing_880() { listen && awk -v a="$AT440" -v b="$AT880" -v h="$HEARD" 'BEGIN { exit !(h > -40 && b > a + 20) }'; }
now() { date +%s.%N; }

PLAYED_AT="$(now)"
xdotool mousemove --window "$WID" "$PLAY_X" "$BUTTON_Y" click 1
poll 100 hearing_440 || fail "the tone was not heard after Play (${HEARD} dB)"
START_SECONDS=$SECONDS

# --- Eight seconds of dragging, a pointer move every 10 ms, let go at the far end.
moves=()
for step in $(seq 800); do
    x=$((DRAG_FROM_X + (step % 30 < 15 ? step % 15 : 15 - step % 15) * (DRAG_TO_X - DRAG_FROM_X) / 15))
    moves+=(mousemove --window "$WID" "$x" "$VOLUME_Y" sleep 0.01)
done
xdotool mousemove --window "$WID" "$DRAG_FROM_X" "$VOLUME_Y" mousedown 1 "${moves[@]}" \
    mousemove --window "$WID" "$DRAG_TO_X" "$VOLUME_Y" mouseup 1
DRAG_SECONDS=$((SECONDS - START_SECONDS))

# The drag's last value stays.
hearing_440 || fail "the tone is not heard after the drag: ${AT440} dB at 440 Hz, ${AT880} dB at 880 Hz"
LET_GO="$HEARD"
hearing_440 || fail "the tone is not heard a moment after the drag: ${AT440} dB at 440 Hz, ${AT880} dB at 880 Hz"
awk -v a="$LET_GO" -v b="$HEARD" 'BEGIN { d = a - b; exit !(d < 0.5 && d > -0.5) }' ||
    fail "the level moved after the drag was let go: ${LET_GO} dB, then ${HEARD} dB"

# The track's 20th second comes 20 s after Play (a second of listening late at the most), not earlier.
poll_seconds 40 hearing_880 || fail "the track's second tone never came: it ended early or stopped (${HEARD} dB)"
AFTER="$(awk -v a="$PLAYED_AT" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }')"
awk -v t="$AFTER" 'BEGIN { exit !(t > 19.5) }' ||
    fail "the track's 20th second came ${AFTER} s after Play: the drag skipped ahead"
echo "after a ${DRAG_SECONDS} s drag at ${LET_GO} dB, the track's 20th second came ${AFTER} s after Play"
