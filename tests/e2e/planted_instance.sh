#!/usr/bin/env bash
# Another local user plants, before the player starts, held locks and listening sockets wherever
# the player might look for a running one of its own: under the names older players used in the
# shared temporary folder, in a "vexo-mp-<uid>" folder of theirs in it, and in a runtime folder that
# is not private. The player starts and shows its main window all the same, a second start hands
# its track to it, and no planted socket so much as hears a connection. When both private places
# are taken, the player starts anyway, says why, and still tells the planted sockets nothing.
#
# Usage: planted_instance.sh PATH-TO-vexo-mp (as root: the other user is made for the run and
# removed after it)
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
EXIT_X=307 EXIT_Y=14
PYTHON=/usr/bin/python3
RECORD=""

# A failure shows what the planted sockets heard, if anything.
fail() {
    echo "planted_instance: FAIL: $*" >&2
    [ -s "$RECORD" ] &&
        echo "planted_instance: the planted sockets heard: $(tr -c '[:print:]\n' . <"$RECORD" | head -5)" >&2
    exit 1
}
source "$(dirname "$0")/lib/headless.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
if [ "$(id -u)" -ne 0 ]; then
    echo "planted_instance: SKIP: only root can act as another user"
    exit 77
fi
require_tools Xvfb xdotool pulseaudio pactl ffmpeg setpriv "$PYTHON"
begin_session vexo-e2e-planted

# The other user: made for this run when useradd can, else the unused "nobody".
OTHER="" OTHER_UID=65534 OTHER_GID=65534 PLANTER_PID=""
OTHER_NAME="vexoplant$$"
if command -v useradd >/dev/null &&
    useradd --system --no-create-home --shell /usr/sbin/nologin "$OTHER_NAME" 2>/dev/null; then
    OTHER="$OTHER_NAME" OTHER_UID="$(id -u "$OTHER")" OTHER_GID="$(id -g "$OTHER")"
fi
end_planted() {
    stop_pid "$PLANTER_PID"
    [ -z "$OTHER" ] || userdel "$OTHER" || echo "planted_instance: could not remove the user $OTHER" >&2
    end_session
}
trap end_planted EXIT
# A command, not a function, so a process started with it in the background is the one its id names.
AS_OTHER=(setpriv --reuid="$OTHER_UID" --regid="$OTHER_GID" --clear-groups)

start_xvfb
start_pulse e2e
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=5" -ac 2 -ar 44100 "$WORK/first.wav" ||
    fail "ffmpeg could not make the tone"
cp "$WORK/first.wav" "$WORK/second.wav" || fail "could not copy the tone"
HOME_DIR="$WORK/home"
mkdir -p "$HOME_DIR/Plugins"
export VEXO_HOME="$HOME_DIR" VEXO_AUDIO=pulse QT_QPA_PLATFORM=xcb

# The other user reaches the work folder but none of our files in it.
chmod 711 "$WORK"
mkdir -m 1777 "$WORK/tmp" "$WORK/tmp-b"
mkdir -m 700 "$WORK/private-runtime"
mkdir -m 777 "$WORK/shared-runtime"
mkdir -m 700 "$WORK/planted"
chown "$OTHER_UID:$OTHER_GID" "$WORK/shared-runtime" "$WORK/planted"
RECORD="$WORK/planted/heard"

# The names: the user's id and the start of the SHA-1 of the home folder's path.
NAME="vexo-mp-$(id -u)-$(printf %s "$HOME_DIR" | sha1sum | cut -c1-16)"
OWN="vexo-mp-$(id -u)"
"${AS_OTHER[@]}" mkdir -m 777 "$WORK/tmp/$OWN" || fail "the other user could not make $WORK/tmp/$OWN"

# Listens on each socket given and holds the lock beside it, naming its own live process, as a
# running player's lock does; writes down every connection and every byte, answers each message with
# the acknowledgement a player gives, and keeps its locks fresh.
cat >"$WORK/planter.py" <<'EOF'
import os, select, socket, sys
record = open(sys.argv[1], "ab", buffering=0)
holder = "%d\n%s\n%s\n" % (os.getpid(), os.readlink("/proc/self/exe"), socket.gethostname())
listeners, clients, locks = [], [], []
for path in sys.argv[2:]:
    server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    server.bind(path)
    os.chmod(path, 0o777)
    server.listen(16)
    listeners.append(server)
    with open(path + ".lock", "w") as lock:
        lock.write(holder)
    os.chmod(path + ".lock", 0o644)
    locks.append(path + ".lock")
print("planted", flush=True)
while True:
    ready, _, _ = select.select(listeners + clients, [], [], 1)
    for s in ready:
        if s in listeners:
            clients.append(s.accept()[0])
            record.write(b"connection\n")
            continue
        data = s.recv(65536)
        if data:
            record.write(data + b"\n")
            try:
                s.send(b"k")
            except OSError:
                pass
        else:
            clients.remove(s)
            s.close()
    for lock in locks:
        os.utime(lock)
EOF
"${AS_OTHER[@]}" "$PYTHON" "$WORK/planter.py" "$RECORD" "$WORK/tmp/$NAME" "$WORK/tmp-b/$NAME" \
    "$WORK/tmp/$OWN/$NAME" "$WORK/shared-runtime/$NAME" >"$WORK/planter.out" 2>&1 &
PLANTER_PID=$!
planted() { grep -q planted "$WORK/planter.out"; }
poll_seconds 10 planted || fail "the other user could not plant: $(tail -3 "$WORK/planter.out")"
[ "$(stat -c %u "$WORK/tmp/$NAME.lock")" = "$OTHER_UID" ] || fail "the planted lock is not the other user's"

nothing_heard() { [ ! -s "$RECORD" ] || fail "a planted socket heard from the player"; }
player_ended() { ! kill -0 "$PLAYER_PID" 2>/dev/null; }
start_player() {
    "$BIN" "$1" >"$WORK/player.out" 2>"$WORK/player.err" &
    PLAYER_PID=$!
    wait_for_main_window 320x135
}
# The playlist the player wrote at its close, paths only.
saved_paths() { tr -d '\r' <"$HOME_DIR/Data/Default.m3u" | grep -v '^#'; }

# $1 names the case; the player runs where TMPDIR and XDG_RUNTIME_DIR now say.
hand_over() {
    start_player "$WORK/first.wav"
    "$BIN" "$WORK/second.wav" >"$WORK/second.out" 2>"$WORK/second.err" &
    local second=$!
    second_ended() { ! kill -0 "$second" 2>/dev/null; }
    poll_seconds 15 second_ended || {
        kill -KILL "$second"
        fail "$1: a second start did not end within 15 s"
    }
    wait "$second" || fail "$1: the second start ended with status $?"
    player_ended && fail "$1: the player ended: $(tail -3 "$WORK/player.err")"
    close_player "$EXIT_X" "$EXIT_Y"
    nothing_heard
    printf '%s\n' "$WORK/first.wav" "$WORK/second.wav" | cmp -s - <(saved_paths) ||
        fail "$1: the player's playlist holds \"$(saved_paths | tr '\n' ' ')\", not both tracks"
    echo "$1: the player started and took the second start's track"
}

export TMPDIR="$WORK/tmp" XDG_RUNTIME_DIR="$WORK/private-runtime"
hand_over "a private runtime folder"

export TMPDIR="$WORK/tmp-b" XDG_RUNTIME_DIR="$WORK/shared-runtime"
hand_over "a runtime folder of another user"
[ "$(stat -c %u:%a "$WORK/tmp-b/$OWN")" = "$(id -u):700" ] ||
    fail "the player's own temporary folder is not private: $(stat -c %U:%a "$WORK/tmp-b/$OWN")"

export TMPDIR="$WORK/tmp" XDG_RUNTIME_DIR="$WORK/shared-runtime"
start_player "$WORK/first.wav"
grep -q "cannot be trusted" "$WORK/player.err" ||
    fail "with no private folder the player did not say why: $(tail -3 "$WORK/player.err")"
close_player "$EXIT_X" "$EXIT_Y"
nothing_heard
echo "both private places taken: the player started, said why and told the planted sockets nothing"
echo "planted_instance: PASS"
