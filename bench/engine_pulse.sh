#!/usr/bin/env bash
# Measures the CPU the PulseAudio server spends while the engine plays through
# it: starts a private server with a null sink that rewinds and sleeps as long
# as its streams let it, as a sound card's sink does (the tests' sink does not
# rewind, so that it records from the first sample, and wakes every few
# milliseconds whatever we do), runs the engine benchmark that needs it, and
# ends the server.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BENCH="${VEXO_BUILD_DIR:-$ROOT/build}/bench/engine_bench"
[ -x "$BENCH" ] || { echo "engine_pulse.sh: $BENCH is not built" >&2; exit 1; }
command -v pulseaudio >/dev/null || { echo "engine_pulse.sh: pulseaudio is not installed" >&2; exit 1; }

DIR="$(mktemp -d)"
SERVER=""
cleanup() {
  [ -n "$SERVER" ] && kill "$SERVER" 2>/dev/null && wait "$SERVER" 2>/dev/null || true
  rm -rf "$DIR"
}
trap cleanup EXIT
mkdir -p "$DIR/runtime" "$DIR/state" "$DIR/home"
env -u PULSE_SERVER XDG_RUNTIME_DIR="$DIR/runtime" PULSE_RUNTIME_PATH="$DIR/runtime" \
  PULSE_STATE_PATH="$DIR/state" HOME="$DIR/home" \
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --realtime=no --high-priority=no --use-pid-file=no \
  --log-target=stderr --log-level=error \
  -L "module-null-sink sink_name=vexo_null rate=44100 channels=2" \
  -L "module-native-protocol-unix socket=$DIR/native auth-anonymous=1" 2>"$DIR/server.log" &
SERVER=$!
for _ in $(seq 100); do [ -S "$DIR/native" ] && break; sleep 0.05; done
[ -S "$DIR/native" ] || { echo "engine_pulse.sh: the server did not start" >&2; cat "$DIR/server.log" >&2; exit 1; }

export QT_QPA_PLATFORM=offscreen PULSE_SERVER="unix:$DIR/native" VEXO_BENCH_PULSE_PID="$SERVER"
"$BENCH" --benchmark_filter=pulse_server_cpu_percent --benchmark_repetitions="${VEXO_BENCH_REPETITIONS:-5}" \
  --benchmark_report_aggregates_only=true --benchmark_color=false
