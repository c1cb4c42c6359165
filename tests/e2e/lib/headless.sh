# A display and a sound server of a script's own, for whole-program tests and
# benchmarks. Source it, then call begin_session. fail prints its argument and
# exits non-zero; a script may define its own before sourcing this.

declare -F fail >/dev/null || fail() {
    echo "$(basename "$0" .sh): FAIL: $*" >&2
    exit 1
}

# Fails unless every named program is installed.
require_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || fail "$tool is missing (run ./dev setup)"
    done
}

# A private work folder, WORK, and an exit that ends everything the script
# started (recorder, player, session bus, sound server, display, in that order) and removes
# the folder, however the script ends. $1 names the folder.
begin_session() {
    WORK="$(mktemp -d "/tmp/$1.XXXXXX")"
    XVFB_PID="" PULSE_PID="" PLAYER_PID="" PAREC_PID="" BUS_PID=""
    trap end_session EXIT
    trap 'exit 130' INT TERM
}

end_session() {
    stop_pid "$PAREC_PID"
    stop_pid "$PLAYER_PID"
    stop_pid "$BUS_PID"
    stop_pid "$PULSE_PID"
    stop_pid "$XVFB_PID"
    rm -rf "$WORK"
}

# Ends only what the script started, by process id.
stop_pid() {
    local pid="$1"
    [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || return 0
    kill -TERM "$pid" 2>/dev/null
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}

# Xvfb picks a free display itself, so parallel runs never collide. -noreset keeps the server up
# when its last client leaves: a player started again right after one closed would otherwise meet
# the server mid-reset and fail to connect. Sets XVFB_PID and DISPLAY.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
        [ -s "$WORK/display" ] && break
        kill -0 "$XVFB_PID" 2>/dev/null || fail "Xvfb did not start: $(tail -3 "$WORK/xvfb.log")"
        sleep 0.1
    done
    [ -s "$WORK/display" ] || fail "Xvfb did not report a display"
    export DISPLAY=":$(head -1 "$WORK/display")"
}

# A private PulseAudio server with a null sink named $1. Without norewinds the sink's monitor
# loses the start of a stream that begins while it records; with $2 = "device" the sink rewinds
# and sleeps as long as its streams let it, as a sound card's sink does (for measuring the
# server's CPU, not for recording). No client may spawn a server of its own, and nothing may
# autolaunch a session bus that would outlive the script. Sets PULSE_PID and PULSE_SERVER.
start_pulse() {
    local rewinds=" norewinds=1"
    [ "${2:-}" = device ] && rewinds=""
    mkdir -m 700 "$WORK/runtime" "$WORK/pulse-home"
    echo "autospawn = no" >"$WORK/client.conf"
    export PULSE_CLIENTCONFIG="$WORK/client.conf"
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$WORK/no-session-bus"
    env HOME="$WORK/pulse-home" XDG_RUNTIME_DIR="$WORK/runtime" XDG_CONFIG_HOME="$WORK/pulse-home" \
        pulseaudio -n --daemonize=no --exit-idle-time=-1 --realtime=no --use-pid-file=no --disallow-exit \
        -L "module-null-sink sink_name=$1 rate=44100 channels=2$rewinds" \
        -L "module-native-protocol-unix socket=$WORK/pulse.sock auth-anonymous=1" >"$WORK/pulse.log" 2>&1 &
    PULSE_PID=$!
    export PULSE_SERVER="unix:$WORK/pulse.sock"
    for _ in $(seq 100); do
        pactl info >/dev/null 2>&1 && break
        kill -0 "$PULSE_PID" 2>/dev/null || fail "PulseAudio did not start: $(tail -3 "$WORK/pulse.log")"
        sleep 0.1
    done
    pactl info >/dev/null 2>&1 || fail "PulseAudio does not answer on $WORK/pulse.sock"
}

# A session bus of the script's own, for a notification area or a media-player client (start_pulse
# points the address nowhere). Sets BUS_PID and DBUS_SESSION_BUS_ADDRESS.
start_session_bus() {
    dbus-daemon --session --nofork --print-address=3 3>"$WORK/bus" >"$WORK/bus.log" 2>&1 &
    BUS_PID=$!
    poll 100 test -s "$WORK/bus" || fail "dbus-daemon gave no address: $(tail -3 "$WORK/bus.log")"
    DBUS_SESSION_BUS_ADDRESS="$(head -1 "$WORK/bus")"
    export DBUS_SESSION_BUS_ADDRESS
}

# Waits up to 20 s for the player $PLAYER_PID to show its main window: visible, named
# "Vexo MP", with a geometry starting with $1 (e.g. 320x135). Sets WID.
wait_for_main_window() {
    local wid
    WID=""
    for _ in $(seq 200); do
        kill -0 "$PLAYER_PID" 2>/dev/null || fail "the player ended at start-up: $(tail -5 "$WORK/player.err")"
        for wid in $(xdotool search --onlyvisible --pid "$PLAYER_PID" 2>/dev/null); do
            [ "$(xdotool getwindowname "$wid" 2>/dev/null)" = "Vexo MP" ] || continue
            xdotool getwindowgeometry "$wid" 2>/dev/null | grep -q "Geometry: $1" && { WID="$wid"; return 0; }
        done
        sleep 0.1
    done
    fail "no $1 window named \"Vexo MP\" appeared within 20 s"
}

# Clicks the main window $WID at its close box ($1, $2) and waits up to 10 s for
# the player to end by itself, with status 0.
close_player() {
    local status how="a click on the close box"
    # One argument names a signal instead, as a session manager sends one at logout.
    if [ $# -eq 1 ]; then
        how="SIG$1"
        kill -"$1" "$PLAYER_PID"
    else
        xdotool mousemove --window "$WID" "$1" "$2" click 1
    fi
    for _ in $(seq 100); do
        kill -0 "$PLAYER_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$PLAYER_PID" 2>/dev/null && fail "the player did not end within 10 s of $how"
    wait "$PLAYER_PID"
    status=$?
    PLAYER_PID=""
    [ "$status" -eq 0 ] || fail "the player ended with status $status: $(tail -3 "$WORK/player.err")"
}

# Polls a command every 0.1 s for at most $1 tenths of a second.
poll() {
    local tries="$1"
    shift
    for _ in $(seq "$tries"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# Repeats a check (a command) until it holds, for at most $1 seconds (a grab takes a while on a busy machine,
# so a count of tries would not bound the wait).
poll_seconds() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# grab_box LEFT TOP WIDTH HEIGHT FILE: that part of the window at X, Y (as set by
# `eval "$(xdotool getwindowgeometry --shell "$WID")"`) as it is on the screen, in raw RGB, without
# the pointer (which may rest over the box).
grab_box() {
    ffmpeg -v error -y -f x11grab -draw_mouse 0 -video_size "$3x$4" -i "$DISPLAY+$((X + $1)),$((Y + $2))" -frames:v 1 \
        -f rawvideo -pix_fmt rgb24 "$5" || fail "ffmpeg could not grab the screen"
}

# Pixels of a grabbed picture clearly bluer than grey: marks and text in the skin colour.
inked_pixels() { od -An -tu1 -v "$1" | tr -s ' ' '\n' | awk 'NF { c[n++ % 3] = $1 } n % 3 == 0 && n { if (c[2] > c[0] + 60) k++ } END { print k + 0 }'; }

# Half a second of what the sink "e2e" plays (stereo at $RATE), as RMS dB: whole (HEARD), and around
# 440 Hz (AT440) and 880 Hz (AT880).
HEARD="" AT440="" AT880=""
listen() {
    timeout 10 parec --device=e2e.monitor --format=s16le --rate="$RATE" --channels=2 --raw 2>/dev/null |
        head -c $((RATE * 2)) >"$WORK/heard.raw"
    HEARD="$(heard_level)"
    AT440="$(heard_level 440)"
    AT880="$(heard_level 880)"
}

# The RMS dB of what listen heard last: whole, or around the frequency $1 (Hz).
heard_level() {
    local band=""
    [ -n "${1:-}" ] && band="bandpass=f=$1:width_type=q:w=20,"
    ffmpeg -v info -f s16le -ar "$RATE" -ac 2 -i "$WORK/heard.raw" -af "${band}astats=measure_perchannel=none" \
        -f null - 2>&1 | awk '/RMS level dB/ { v = $NF } END { print (v == "" || v == "-inf") ? -200 : v }'
}
