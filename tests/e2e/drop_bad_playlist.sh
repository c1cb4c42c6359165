#!/usr/bin/env bash
# Files dropped on the main window by the X drag-and-drop protocol, as a file manager drops them: a
# playlist that does not exist and a track. The drop is answered at once, so the file manager is
# free again while the player's error box about the playlist is still open; the track is added and
# kept at the close.
#
# Usage: drop_bad_playlist.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
EXIT_X=307 EXIT_Y=14
PYTHON=/usr/bin/python3
HERE="$(dirname "$0")"

source "$HERE/lib/headless.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
require_tools Xvfb xdotool pulseaudio pactl ffmpeg "$PYTHON"
"$PYTHON" -c "import Xlib" 2>/dev/null || fail "python3-xlib is missing (run ./dev setup)"
begin_session vexo-e2e-drop
DROP_PID=""
end_drop() {
    stop_pid "$DROP_PID"
    end_session
}
trap end_drop EXIT

start_xvfb
start_pulse e2e
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=5" -ac 2 -ar 44100 "$WORK/tone.wav" ||
    fail "ffmpeg could not make the tone"
HOME_DIR="$WORK/home"
mkdir -p "$HOME_DIR/Plugins"
export VEXO_HOME="$HOME_DIR" VEXO_AUDIO=pulse QT_QPA_PLATFORM=xcb

"$BIN" >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
wait_for_main_window 320x135
eval "$(xdotool getwindowgeometry --shell "$WID")"

# Over the window's title, where no box takes the drop for itself.
"$PYTHON" "$HERE/lib/xdnd_drop.py" "$WID" $((X + 150)) $((Y + 8)) "$WORK/missing.m3u" \
    "$WORK/tone.wav" >"$WORK/drop.out" 2>"$WORK/drop.err" &
DROP_PID=$!

# The player's visible windows named "Vexo MP" besides the main window: its error boxes.
boxes() { xdotool search --onlyvisible --pid "$PLAYER_PID" --name '^Vexo MP$' 2>/dev/null | grep -vx "$WID"; }
drop_said() { tr '\n' ' ' <"$WORK/drop.out"; }
error_box() {
    kill -0 "$PLAYER_PID" 2>/dev/null || fail "the player died: $(tail -3 "$WORK/player.err")"
    BOX="$(boxes | head -1)"
    [ -n "$BOX" ]
}
poll_seconds 20 error_box ||
    fail "no error box about the missing playlist appeared; the drop: $(drop_said) $(cat "$WORK/drop.err")"
drop_finished() { grep -qx finished "$WORK/drop.out"; }
poll_seconds 10 drop_finished || fail "the drop was still held while the error box was open: $(drop_said)"
echo "the drop was answered while the error box was open"

xdotool windowfocus --sync "$BOX" 2>/dev/null
xdotool key --clearmodifiers Return
box_gone() { ! boxes | grep -qx "$BOX"; }
poll_seconds 10 box_gone || fail "the error box did not close on Return"

close_player "$EXIT_X" "$EXIT_Y"
tr -d '\r' <"$HOME_DIR/Data/Default.m3u" | grep -v '^#' >"$WORK/paths.txt" ||
    fail "no Data/Default.m3u after the close"
printf '%s\n' "$WORK/tone.wav" | cmp -s - "$WORK/paths.txt" ||
    fail "Default.m3u holds \"$(tr '\n' ' ' <"$WORK/paths.txt")\", not the dropped track"
echo "drop_bad_playlist: PASS"
