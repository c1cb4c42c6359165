#!/usr/bin/env bash
# Measures the real player running natively on a Wayland compositor of its own (a headless Weston)
# with a private PulseAudio server whose null sink sleeps and rewinds as a sound card's does: CPU
# while it plays an MP3, and proportional and anonymous memory then, as player_bench.sh measures
# them on X11. The track is played as a file manager would have it played: a start with --play.
#
# Prints "figure NAME VALUE UNIT" lines. Exits non-zero when something could not be measured.
#
# Environment:
#   VEXO_BIN                  the player (default: build/vexo-mp of this checkout)
#   VEXO_BENCH_SECONDS        the playing period, for a quick try
#   VEXO_BENCH_PLAY_SECONDS   the playing period (default 60)
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BIN="${VEXO_BIN:-$ROOT/build/vexo-mp}"
PLAY_SECONDS="${VEXO_BENCH_PLAY_SECONDS:-${VEXO_BENCH_SECONDS:-60}}"

fail() {
    echo "player_wayland_bench: $*" >&2
    exit 1
}

[ -x "$BIN" ] || fail "player binary not found at $BIN (build it first: ./dev build, or set VEXO_BIN)"
[[ "$PLAY_SECONDS" =~ ^[0-9]+$ ]] || fail "the measuring period must be whole seconds"

source "$(dirname "$0")/../tests/e2e/lib/headless.sh"
require_tools weston pulseaudio pactl ffmpeg
begin_session vexo-wayland-bench

now_ms() { date +%s%3N; }
HZ="$(getconf CLK_TCK)"
# CPU time (user + system, all threads) of a process, in clock ticks.
cpu_ticks() {
    local stat
    stat="$(cat "/proc/$1/stat" 2>/dev/null)" || return 1
    # The command name may hold spaces; everything after its closing parenthesis is fixed fields.
    awk '{ print $12 + $13 }' <<<"${stat##*) }"
}

start_pulse bench device
# No X server at all: the player can only be on the compositor.
unset DISPLAY QT_QPA_PLATFORM
export XDG_RUNTIME_DIR="$WORK/runtime" WAYLAND_DISPLAY=vexo-bench XDG_SESSION_TYPE=wayland
weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --idle-time=0 >"$WORK/weston.log" 2>&1 &
WESTON_PID=$!
trap 'stop_pid "$WESTON_PID"; end_session' EXIT
poll 100 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || fail "weston did not start: $(tail -3 "$WORK/weston.log")"

ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=$((PLAY_SECONDS + 30))" -ac 2 -ar 44100 -b:a 192k \
    "$WORK/tone.mp3" || fail "ffmpeg could not make the test tone"
mkdir -p "$WORK/home/Plugins"
env VEXO_HOME="$WORK/home" VEXO_AUDIO=pulse "$BIN" --play "$WORK/tone.mp3" >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!

playing() { [ -n "$(pactl list short sink-inputs 2>/dev/null)" ]; }
poll 300 playing || fail "no stream reached the sound server within 30 s: $(tail -3 "$WORK/player.err")"
grep -q "libqwayland" "/proc/$PLAYER_PID/maps" || fail "the player is not on the compositor"
# Let start-up work (the window's first paints, the memory trim) finish before measuring.
sleep 2

t0="$(now_ms)" c0="$(cpu_ticks "$PLAYER_PID")"
sleep "$PLAY_SECONDS"
t1="$(now_ms)" c1="$(cpu_ticks "$PLAYER_PID")" || fail "the player ended while playing"
pss_kb="$(awk '/^Pss:/ { print $2 }' "/proc/$PLAYER_PID/smaps_rollup")"
anon_kb="$(awk '/^Pss_Anon:/ { print $2 }' "/proc/$PLAYER_PID/smaps_rollup")"
playing || fail "playback had stopped by the end of the playing period"
echo "figure player_play_cpu_percent_wayland $(awk -v t=$((c1 - c0)) -v ms=$((t1 - t0)) -v hz="$HZ" \
    'BEGIN { printf "%.3f", (t / hz) / (ms / 1000) * 100 }') %"
echo "figure player_play_pss_mb_wayland $(awk -v kb="$pss_kb" 'BEGIN { printf "%.1f", kb / 1024 }') MB"
echo "figure player_play_anon_mb_wayland $(awk -v kb="$anon_kb" 'BEGIN { printf "%.1f", kb / 1024 }') MB"
