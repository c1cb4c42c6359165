#!/usr/bin/env bash
# Measures the real player under a private X server and a private PulseAudio server with a null
# sink: CPU while idle, while playing an MP3 and while playing it minimised (under a window manager
# started for that), the sound server's CPU beside it, proportional and anonymous memory while
# playing, the time from the start window's close to the main window shown, and the time from a
# second start with a path to the new row in the running player (whose log tells it), with no
# connection to the sound server from the second start.
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
# Window coordinates of the play box, the minimise box and the close box.
PLAY_X=46 PLAY_Y=110
MIN_X=283 MIN_Y=14
EXIT_X=307 EXIT_Y=14

fail() {
    echo "player_bench: $*" >&2
    exit 1
}

[ -x "$BIN" ] || fail "player binary not found at $BIN (build it first: ./dev build, or set VEXO_BIN)"
[[ "$IDLE_SECONDS" =~ ^[0-9]+$ && "$PLAY_SECONDS" =~ ^[0-9]+$ ]] || fail "measuring periods must be whole seconds"

source "$(dirname "$0")/../tests/e2e/lib/headless.sh"
require_tools Xvfb xdotool xwininfo xprop openbox pulseaudio pactl ffmpeg
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

# --- A tone that outlasts both playing periods, so no end of track falls inside them.
TRACK_SECONDS=$((2 * PLAY_SECONDS + 10 > 60 ? 2 * PLAY_SECONDS + 10 : 60))
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

# --- Playing minimised: the player's own minimise box, under a window manager that minimises.
WM_PID=""
if [ "$status" -eq 0 ]; then
    openbox --sm-disable --config-file /dev/null >"$WORK/openbox.log" 2>&1 &
    WM_PID=$!
    trap 'stop_pid "$WM_PID"; stop_pid "$FOLLOW_PID"; end_session' EXIT
    poll 100 bash -c 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' ||
        fail "openbox did not start: $(tail -3 "$WORK/openbox.log")"
    mapped() { xwininfo -id "$WID" 2>/dev/null | grep -q "Map State: IsViewable"; }
    unmapped() { ! mapped; }
    xdotool mousemove --window "$WID" "$MIN_X" "$MIN_Y" click 1
    poll 100 unmapped || fail "the minimise box left the window on the screen"
    sleep 1
    t0="$(now_ms)" c0="$(cpu_ticks "$PLAYER_PID")"
    sleep "$PLAY_SECONDS"
    t1="$(now_ms)" c1="$(cpu_ticks "$PLAYER_PID")" || fail "the player ended while minimised"
    [ -n "$(pactl list short sink-inputs 2>/dev/null)" ] ||
        { echo "player_bench: playback had stopped by the end of the minimised period" >&2; status=1; }
    echo "figure player_minimised_cpu_percent $(percent $((c1 - c0)) $((t1 - t0))) %"
    xdotool windowactivate "$WID" 2>/dev/null
    poll 100 mapped || fail "the minimised window did not come back"
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
close_by_box() {
    xdotool mousemove --window "$WID" "$EXIT_X" "$EXIT_Y" click 1 2>/dev/null
    for _ in $(seq 50); do
        kill -0 "$PLAYER_PID" 2>/dev/null || break
        sleep 0.1
    done
    stop_pid "$PLAYER_PID"
}
close_by_box

# --- Hand-off: a fresh player whose log lines are stamped as they come, and second starts that
# each note their moment just before the program begins.
stamp() { while IFS= read -r line; do echo "${EPOCHREALTIME/[.,]/} $line"; done; }
env VEXO_HOME="$WORK/home" VEXO_AUDIO=pulse VEXO_LOG=debug QT_QPA_PLATFORM=xcb \
    "$BIN" > >(stamp >"$WORK/first.out") 2> >(stamp >"$WORK/first.err") &
PLAYER_PID=$!
wait_for_main_window 320x
rows() { grep -c "after a hand-off" "$WORK/first.err"; }
pactl subscribe >"$WORK/events" 2>&1 &
SUBSCRIBE_PID=$!
trap 'stop_pid "$SUBSCRIBE_PID"; stop_pid "$WM_PID"; stop_pid "$FOLLOW_PID"; end_session' EXIT
# A client of our own comes and goes as a marker: every client before it has been reported.
clients() { grep -sc "'new' on client" "$WORK/events"; }
more_clients_than() { [ "$(clients)" -gt "$1" ]; }
# The first ones may come before the subscription stands.
marker() {
    local before
    before="$(clients)"
    for _ in $(seq 10); do
        pactl stat >/dev/null
        poll 10 more_clients_than "$before" && return 0
    done
    fail "the sound server reported no client"
}
marker
clients_before="$(clients)"
handoffs=()
for run in 1 2 3 4 5; do
    before="$(rows)"
    env VEXO_HOME="$WORK/home" VEXO_AUDIO=pulse QT_QPA_PLATFORM=xcb bash -c \
        'echo "${EPOCHREALTIME/[.,]/}" >"$1"; exec "$2" "$3"' _ "$WORK/started" "$BIN" "$WORK/tone.mp3" 2>>"$WORK/second.err" ||
        fail "the second start ended with an error: $(tail -3 "$WORK/second.err")"
    for _ in $(seq 500); do
        [ "$(rows)" -gt "$before" ] && break
        sleep 0.01
    done
    [ "$(rows)" -gt "$before" ] || fail "no row came to the running player from the second start $run"
    added_us="$(grep "after a hand-off" "$WORK/first.err" | tail -1 | cut -d' ' -f1)"
    handoffs+=("$(awk -v a="$(cat "$WORK/started")" -v b="$added_us" 'BEGIN { printf "%.1f", (b - a) / 1000 }')")
done
marker
connected=$(($(clients) - clients_before - 1))
[ "$connected" -eq 0 ] || fail "the second starts made $connected connections to the sound server"
echo "player_bench: second start to the new row, each run: ${handoffs[*]} ms" >&2
echo "figure second_start_handoff_ms $(printf '%s\n' "${handoffs[@]}" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }') ms"
close_by_box
exit "$status"
