#!/usr/bin/env bash
# Measures the longest the real player's window's thread is busy in one go (window_longest_stall_ms)
# while it starts, plays through a list of 20 one-second tracks, its list scrolled up and down by the
# wheel meanwhile, and closes. Four of the tracks lie
# on slow media (each open, stat and read of them waits 300 ms) and one on a hung one (15 s at each
# call), made so by bench/slow_reads preloaded into the player. The player measures itself
# (VEXO_TRACE_STALLS): its stderr gets a line for each stall of 50 ms or more and, at the end, the
# longest and the five longest with the event that was being delivered. Under a private X server,
# PulseAudio server with a null sink, and session bus (the media-player client tells the track).
#
# Prints "figure window_longest_stall_ms VALUE ms", and the five longest stalls on stderr. Exits
# non-zero when the figure could not be measured, or the player did not reach the list's last track.
#
# Environment:
#   VEXO_BIN           the player (default: build/vexo-mp of this checkout)
#   VEXO_SLOW_READS_SO the slowing library (default: build/bench/libslow_reads.so)
#   VEXO_BENCH_KEEP    a folder to copy the player's stderr and the track log into
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BIN="${VEXO_BIN:-$ROOT/build/vexo-mp}"
SHIM="${VEXO_SLOW_READS_SO:-$ROOT/build/bench/libslow_reads.so}"
TRACKS=20
# Where the slow tracks and the hung one stand in the list (1-based).
SLOW_ROWS=" 3 6 9 12 " HUNG_ROW=17
# The longest the list may take: 20 s of sound, and up to 10 s for each track the player gives up on.
LIST_SECONDS=120
EXIT_X=307 EXIT_Y=14

fail() {
    echo "window_stall_bench: $*" >&2
    exit 1
}

[ -x "$BIN" ] || fail "player binary not found at $BIN (build it first: ./dev build, or set VEXO_BIN)"
[ -f "$SHIM" ] || fail "slowing library not found at $SHIM (build the slow_reads target)"

source "$(dirname "$0")/../tests/e2e/lib/headless.sh"
source "$(dirname "$0")/../tests/e2e/lib/playlist_window.sh"
require_tools Xvfb xdotool pulseaudio pactl ffmpeg dbus-daemon playerctl timeout
begin_session vexo-stall-bench
FOLLOW_PID=""
trap 'stop_pid "$FOLLOW_PID"; keep_logs; end_session' EXIT
keep_logs() {
    [ -n "${VEXO_BENCH_KEEP:-}" ] || return 0
    mkdir -p "$VEXO_BENCH_KEEP" && cp "$WORK/player.err" "$WORK/tracks.txt" "$VEXO_BENCH_KEEP/" 2>/dev/null
}

start_xvfb
start_pulse bench
start_session_bus

# --- The list: one-second tones in four formats, tagged so that the list's reader has titles to
# read; the slow and hung ones in folders the slowing library knows by name.
mkdir -p "$WORK/music/slow" "$WORK/music/hang"
formats=(mp3 ogg flac wav)
paths=()
for i in $(seq "$TRACKS"); do
    folder="$WORK/music"
    [[ "$SLOW_ROWS" == *" $i "* ]] && folder="$WORK/music/slow"
    [ "$i" -eq "$HUNG_ROW" ] && folder="$WORK/music/hang"
    file="$folder/$(printf 'track%02d' "$i").${formats[$((i % 4))]}"
    ffmpeg -v error -f lavfi -i "sine=frequency=$((300 + 20 * i)):duration=1" -ac 2 -ar 44100 \
        -metadata artist="Bench" -metadata title="Track $i" "$file" || fail "ffmpeg could not make $file"
    paths+=("$file")
done
LAST_URL="file://${paths[$((TRACKS - 1))]}"

# --- The player, in a home folder of its own that shows the playlist window; --play plays the
# first row.
HOME_DIR="$WORK/home"
mkdir -p "$HOME_DIR/Plugins" "$HOME_DIR/Data"
printf '[PlayList]\r\nShow=1\r\n' >"$HOME_DIR/Data/Options.ini"
env VEXO_HOME="$HOME_DIR" VEXO_AUDIO=pulse QT_QPA_PLATFORM=xcb VEXO_TRACE_STALLS=1 \
    LD_PRELOAD="$SHIM" VEXO_SLOW_READS="/slow/=300,/hang/=15000" \
    "$BIN" --play "${paths[@]}" >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
wait_for_main_window 320x
poll 100 find_list_window || fail "the main window did not show the playlist within 10 s"

# The client prints the status and track at each change, however late the player answers.
playerctl --player=vexo_mp --follow metadata --format '{{status}} {{xesam:url}}' >"$WORK/tracks.txt" 2>/dev/null &
FOLLOW_PID=$!

# --- Played through: the last track has started. Stopped for 5 s before it, the player gave up.
status=0
heard_last() { grep -qF "Playing $LAST_URL" "$WORK/tracks.txt"; }
gave_up() {
    grep -q '^Playing file://' "$WORK/tracks.txt" && grep -v '^$' "$WORK/tracks.txt" | tail -1 | grep -q '^Stopped' &&
        [ $(($(date +%s) - $(stat -c %Y "$WORK/tracks.txt"))) -ge 5 ]
}
started=$SECONDS
wheel=5
until heard_last; do
    kill -0 "$PLAYER_PID" 2>/dev/null || fail "the player ended while playing: $(tail -3 "$WORK/player.err")"
    gave_up && break
    [ $((SECONDS - started)) -lt "$LIST_SECONDS" ] || break
    # Three notches down, then three up: every row, the hung one too, comes into view now and then.
    list_pointer 100 60 click --repeat 3 --delay 50 "$wheel" 2>/dev/null
    wheel=$((9 - wheel))
    sleep 0.5
done
# The last track's second.
heard_last && sleep 2
list_seconds=$((SECONDS - started))
played="$(grep -c '^Playing file://' "$WORK/tracks.txt")"
if ! heard_last; then
    last="$(grep '^Playing file://' "$WORK/tracks.txt" | tail -1 | sed 's|.*/||')"
    echo "window_stall_bench: the player did not reach the list's last track within ${list_seconds} s" \
        "(the last it played: ${last:-none})" >&2
    status=1
fi
echo "window_stall_bench: $played track starts seen in ${list_seconds} s" >&2

# --- Close by the close box, as a user would; the meter writes its summary as the event loop ends.
xdotool mousemove --window "$WID" "$EXIT_X" "$EXIT_Y" click 1 2>/dev/null
for _ in $(seq 600); do
    kill -0 "$PLAYER_PID" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$PLAYER_PID" 2>/dev/null && { echo "window_stall_bench: the player did not end within 60 s of the close box" >&2; status=1; }

longest="$(awk '$1 == "stall-longest" { print $2 }' "$WORK/player.err")"
[ -n "$longest" ] || fail "the player printed no stall summary (VEXO_TRACE_STALLS=1 should give \"stall-longest MS\" on stderr)"
grep '^stall-top ' "$WORK/player.err" | sed 's/^/window_stall_bench: /' >&2
echo "figure window_longest_stall_ms $longest ms"
exit "$status"
