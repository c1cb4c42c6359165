#!/usr/bin/env bash
# Measures the real player under a private X server and a private PulseAudio server with a null
# sink: CPU while idle and while playing an MP3, the sound server's CPU beside it, proportional and
# anonymous memory while playing, and the time from the start window's close to the main window
# shown.
#
# Prints "figure NAME VALUE UNIT" lines. Exits non-zero when something could not be measured.
#
# Environment:
#   VEXO_BIN                  the player (default: build/vexo-mp of this checkout)
#   VEXO_BENCH_SECONDS        shortens (or lengthens) both measuring periods, for a quick try
#   VEXO_BENCH_IDLE_SECONDS   idle period (default 30)
#   VEXO_BENCH_PLAY_SECONDS   playing period (default 60)
#   VEXO_BENCH_MPRIS_CLIENT   when 1, a session bus of the script's own with a media-player client
#                             (playerctl) following the player throughout, as on a desktop
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BIN="${VEXO_BIN:-$ROOT/build/vexo-mp}"
IDLE_SECONDS="${VEXO_BENCH_IDLE_SECONDS:-${VEXO_BENCH_SECONDS:-30}}"
PLAY_SECONDS="${VEXO_BENCH_PLAY_SECONDS:-${VEXO_BENCH_SECONDS:-60}}"
# Window coordinates of the play box and the close box.
PLAY_X=46 PLAY_Y=110
EXIT_X=307 EXIT_Y=14

fail() {
    echo "player_bench: $*" >&2
    exit 1
}

[ -x "$BIN" ] || fail "player binary not found at $BIN (build it first: ./dev build, or set VEXO_BIN)"
[[ "$IDLE_SECONDS" =~ ^[0-9]+$ && "$PLAY_SECONDS" =~ ^[0-9]+$ ]] || fail "measuring periods must be whole seconds"

source "$(dirname "$0")/../tests/e2e/lib/headless.sh"
require_tools Xvfb xdotool pulseaudio pactl ffmpeg
begin_session vexo-player-bench

now_ms() { date +%s%3N; }

# CPU seconds (user + system, all threads) of a process, in clock ticks.
cpu_ticks() {
    local stat
    stat="$(cat "/proc/$1/stat" 2>/dev/null)" || return 1
    # The command name may hold spaces; everything after its closing parenthesis is fixed fields.
    awk '{ print $12 + $13 }' <<<"${stat##*) }"
}

HZ="$(getconf CLK_TCK)"
# Nanoseconds run by all threads of a process, from the scheduler's own count; empty when the
# kernel keeps none.
run_ns() {
    local total=0 ns
    for f in /proc/"$1"/task/*/schedstat; do
        read -r ns _ <"$f" 2>/dev/null || continue
        total=$((total + ns))
    done
    [ -e "/proc/$1/schedstat" ] && echo "$total"
}
# Percent of one core from tick and wall-clock differences.
percent() { awk -v t="$1" -v ms="$2" -v hz="$HZ" 'BEGIN { printf "%.3f", (t / hz) / (ms / 1000) * 100 }'; }

# --- A display and a sound server of our own.
start_xvfb
start_pulse bench device
FOLLOW_PID=""
if [ "${VEXO_BENCH_MPRIS_CLIENT:-}" = 1 ]; then
    require_tools dbus-daemon playerctl
    trap 'stop_pid "$FOLLOW_PID"; end_session' EXIT
    start_session_bus
fi

# --- A tone that outlasts the playing period, so no end of track falls inside it.
TRACK_SECONDS=$((PLAY_SECONDS + 10 > 60 ? PLAY_SECONDS + 10 : 60))
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=$TRACK_SECONDS" -ac 2 -ar 44100 -b:a 192k \
    "$WORK/tone.mp3" || fail "ffmpeg could not make the test tone"

# --- The player, in a home folder of its own.
# An empty Plugins folder: without it the player asks about plug-ins in a modal box first.
mkdir -p "$WORK/home/Plugins"
env VEXO_HOME="$WORK/home" VEXO_AUDIO=pulse VEXO_TRACE_STARTUP=1 QT_QPA_PLATFORM=xcb \
    "$BIN" "$WORK/tone.mp3" >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!

# The start window may carry the same name; the main window is the one 320 pixels wide.
wait_for_main_window 320x
if [ -n "$BUS_PID" ]; then
    playerctl --player=vexo_mp --follow status >"$WORK/follow.txt" 2>&1 &
    FOLLOW_PID=$!
    poll 100 grep -q Stopped "$WORK/follow.txt" || fail "the media-player client did not find the player"
fi
# Let start-up work (default playlist, memory trim) finish before measuring.
sleep 2

status=0

# --- Idle.
t0="$(now_ms)" c0="$(cpu_ticks "$PLAYER_PID")"
sleep "$IDLE_SECONDS"
t1="$(now_ms)" c1="$(cpu_ticks "$PLAYER_PID")" || fail "the player ended while idle"
echo "figure player_idle_cpu_percent $(percent $((c1 - c0)) $((t1 - t0))) %"

# --- Playing.
xdotool mousemove --window "$WID" "$PLAY_X" "$PLAY_Y" click 1
playing=""
for _ in $(seq 50); do
    [ -n "$(pactl list short sink-inputs 2>/dev/null)" ] && { playing=yes; break; }
    sleep 0.1
done
if [ -z "$playing" ]; then
    echo "player_bench: no stream reached the sound server within 5 s of the click on the play box" >&2
    status=1
else
    t0="$(now_ms)" c0="$(cpu_ticks "$PLAYER_PID")" p0="$(cpu_ticks "$PULSE_PID")"
    # The same period in 10 s slices as well: their median leaves out a slice in which the
    # machine, not the player, was busy, and the scheduler's count has no tick to round to.
    slices=()
    left="$PLAY_SECONDS"
    while [ "$left" -gt 0 ]; do
        step=$((left < 10 ? left : 10))
        s0="$(now_ms)" n0="$(run_ns "$PLAYER_PID")"
        sleep "$step"
        s1="$(now_ms)" n1="$(run_ns "$PLAYER_PID")"
        [ -n "$n0" ] && [ -n "$n1" ] && slices+=("$(awk -v ns=$((n1 - n0)) -v ms=$((s1 - s0)) 'BEGIN { printf "%.3f", ns / 1e4 / ms }')")
        left=$((left - step))
    done
    t1="$(now_ms)" c1="$(cpu_ticks "$PLAYER_PID")" p1="$(cpu_ticks "$PULSE_PID")" ||
        fail "the player ended while playing"
    # Proportional and anonymous memory, with nothing evicted: resident size would count shared
    # libraries whole and reward dropping pages that are faulted straight back.
    pss_kb="$(awk '/^Pss:/ { print $2 }' "/proc/$PLAYER_PID/smaps_rollup")"
    anon_kb="$(awk '/^Pss_Anon:/ { print $2 }' "/proc/$PLAYER_PID/smaps_rollup")"
    [ -n "$(pactl list short sink-inputs 2>/dev/null)" ] ||
        { echo "player_bench: playback had stopped by the end of the playing period" >&2; status=1; }
    echo "figure player_play_cpu_percent $(percent $((c1 - c0)) $((t1 - t0))) %"
    echo "figure player_pulse_cpu_percent $(percent $((p1 - p0)) $((t1 - t0))) %"
    if [ "${#slices[@]}" -gt 0 ]; then
        echo "player_bench: playing CPU by 10 s slice: ${slices[*]} %" >&2
        echo "figure player_play_cpu_slice_median_percent $(printf '%s\n' "${slices[@]}" | sort -n |
            awk '{ v[NR] = $1 } END { printf "%.3f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }') %"
    fi
    echo "figure player_play_pss_mb $(awk -v kb="$pss_kb" 'BEGIN { printf "%.1f", kb / 1024 }') MB"
    echo "figure player_play_anon_mb $(awk -v kb="$anon_kb" 'BEGIN { printf "%.1f", kb / 1024 }') MB"
fi

# --- Start-up trace: "startwindow-closed <ms>" and "mainwindow-shown <ms>" on stderr.
closed_ms="$(awk '$1 == "startwindow-closed" { print $2; exit }' "$WORK/player.err")"
shown_ms="$(awk '$1 == "mainwindow-shown" { print $2; exit }' "$WORK/player.err")"
if [ -n "$closed_ms" ] && [ -n "$shown_ms" ]; then
    echo "figure main_window_after_start_ms $(awk -v a="$closed_ms" -v b="$shown_ms" 'BEGIN { print b - a }') ms"
else
    echo "player_bench: the player printed no start-up trace (VEXO_TRACE_STARTUP=1 should give" \
        "\"startwindow-closed <ms>\" and \"mainwindow-shown <ms>\" on stderr)" >&2
    status=1
fi

# --- Close by the close box, as a user would; the cleanup ends the player if that does not.
xdotool mousemove --window "$WID" "$EXIT_X" "$EXIT_Y" click 1 2>/dev/null
for _ in $(seq 50); do
    kill -0 "$PLAYER_PID" 2>/dev/null || break
    sleep 0.1
done
exit "$status"
