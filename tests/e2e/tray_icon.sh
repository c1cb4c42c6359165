#!/usr/bin/env bash
# The tray icon with the real player and a notification area offered over a private session bus:
# the minimise box puts exactly one icon with the tooltip "Vexo MP v 2.02" there and takes the main
# window with its playlist and the colour window away; a left click on the icon or the menu's first item brings them back and
# removes the icon, three times over, never with two icons at once; the menu holds its two entries
# and a separator; its "Выход" closes the minimised player normally (the settings are written) and
# leaves no icon. All of it on a bare X server, where the player hides its windows itself, and again
# under a window manager, which minimises the window and whose activation (as a taskbar does it)
# restores it. There, playing, the window's thread stops waking for the animations while the player is
# minimised, and wakes again once it is back; a track's end still moves on to the next one meanwhile.
#
# Usage: tray_icon.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
MIN_X=283 MIN_Y=14 FREE_X=150 FREE_Y=40
PYTHON=/usr/bin/python3
HERE="$(dirname "$0")"
TIP="Vexo MP v 2.02"

source "$HERE/lib/headless.sh"
source "$HERE/lib/playlist_window.sh"
source "$HERE/lib/screen_colours.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
require_tools Xvfb xdotool xwininfo xprop pulseaudio pactl dbus-daemon openbox playerctl ffmpeg "$PYTHON"
"$PYTHON" -c "import gi; gi.require_version('Gio', '2.0')" 2>/dev/null || fail "python3-gi is missing (run ./dev setup)"
begin_session vexo-e2e-tray
WATCHER_PID="" WM_PID=""
end_tray() {
    stop_pid "$PLAYER_PID"
    stop_pid "$WM_PID"
    stop_pid "$WATCHER_PID"
    end_session
}
trap end_tray EXIT

start_xvfb
start_pulse e2e
# A session bus of our own with a notification area on it.
start_session_bus
"$PYTHON" "$HERE/lib/sni_watcher.py" watch "$WORK/items.log" 2>"$WORK/watcher.err" &
WATCHER_PID=$!
poll 100 test -s "$WORK/items.log" || fail "the watcher did not come up: $(tail -3 "$WORK/watcher.err")"

sni() { "$PYTHON" "$HERE/lib/sni_watcher.py" "$@"; }
item_count() { sni items | grep -c .; }
icons_are() { [ "$(item_count)" = "$1" ]; }
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q "Map State: IsViewable"; }
away() { ! viewable "$1"; }

start_player() {
    "$BIN" "$@" >"$WORK/player.out" 2>"$WORK/player.err" &
    PLAYER_PID=$!
    wait_for_main_window 320x
    poll 100 find_list_window || fail "no playlist appeared within 10 s"
}

# Minimises by the box and checks that one icon with the tooltip stands and the windows are away.
minimise() {
    xdotool mousemove --window "$WID" "$MIN_X" "$MIN_Y" click 1
    poll_seconds 20 icons_are 1 || fail "$1: $(item_count) icons after the minimise box, not 1"
    ITEM="$(sni items)"
    [ "$(sni tooltip "$ITEM")" = "$TIP" ] || fail "$1: the icon's tooltip is \"$(sni tooltip "$ITEM")\""
    poll_seconds 20 away "$WID" || fail "$1: the main window stayed on the screen"
}

# Checks that the player is back, its window on the screen with the playlist, and its icon gone.
back() {
    poll_seconds 20 icons_are 0 || fail "$1: the icon stayed after the restore"
    poll_seconds 20 viewable "$WID" || fail "$1: the main window did not come back"
    poll_seconds 20 find_list_window || fail "$1: the playlist did not come back with the main window"
}

# Closes the minimised player by the icon's menu; it must end by itself, save, and leave no icon.
exit_from_menu() {
    rm -f "$HOME_DIR/Data/Options.ini"
    sni click "$ITEM" "Выход" || fail "$1: no \"Выход\" in the icon's menu"
    poll_seconds 20 bash -c "! kill -0 $PLAYER_PID 2>/dev/null" || fail "$1: the player did not end from the menu"
    wait "$PLAYER_PID"
    local status=$?
    PLAYER_PID=""
    [ "$status" -eq 0 ] || fail "$1: the player ended with status $status: $(tail -3 "$WORK/player.err")"
    [ -s "$HOME_DIR/Data/Options.ini" ] || fail "$1: the settings were not written at the close"
    poll_seconds 20 icons_are 0 || fail "$1: an icon outlived the player"
}

home_showing_playlist
start_player
xdotool mousemove --window "$WID" "$FREE_X" "$FREE_Y" click 3
poll_seconds 20 find_window_sized 188x52 || fail "no colour window after a right click"
COLOUR_WID="$FOUND_WID"
minimise "bare server"
away "$COLOUR_WID" || fail "the colour window stayed on the screen"
menu="$(sni menu "$ITEM" | tr '\n' '|')"
[ "$menu" = "Показать гланое окно|-|Выход|" ] || fail "the icon's menu is \"$menu\""
sni activate "$ITEM" || fail "the icon did not take a click"
back "bare server, click"
poll_seconds 20 viewable "$COLOUR_WID" || fail "the colour window did not come back"
for round in 2 3; do
    minimise "bare server, round $round"
    sni click "$ITEM" "Показать гланое окно" || fail "no first entry in the icon's menu"
    back "bare server, round $round"
done
minimise "bare server, before the exit"
exit_from_menu "bare server"
echo "bare server: the icon came and went with the player"

openbox --sm-disable --config-file /dev/null >"$WORK/openbox.log" 2>&1 &
WM_PID=$!
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
poll 100 wm_running ||
    fail "openbox did not start: $(tail -3 "$WORK/openbox.log")"
printf '[PlayList]\r\nShow=1\r\n' >"$HOME_DIR/Data/Options.ini"
for tone in first:6 second:30; do
    ffmpeg -v error -f lavfi -i "sine=d=${tone#*:}" "$WORK/${tone%:*}.wav" || fail "ffmpeg made no tone"
done
start_player --play "$WORK/first.wav" "$WORK/second.wav"
playing() { [ "$(playerctl --player=vexo_mp metadata xesam:url 2>/dev/null)" = "file://$WORK/$1.wav" ]; }
poll_seconds 20 playing first || fail "the first tone did not start"
# How often the window's thread woke up within a second.
wakeups() {
    local woke="/proc/$PLAYER_PID/task/$PLAYER_PID/status" before
    before="$(awk '/^voluntary_ctxt_switches/ { print $2 }' "$woke")"
    sleep 1
    awk -v b="$before" '/^voluntary_ctxt_switches/ { print $2 - b }' "$woke"
}
shown="$(wakeups)"
minimise "window manager"
hidden="$(wakeups)"
[ $((hidden * 4)) -lt "$shown" ] || fail "minimised, the player woke $hidden times a second, shown $shown"
poll_seconds 20 playing second || fail "minimised, the player did not move on to the next track"
away "$WID" || fail "the main window came back by itself"
xdotool windowactivate "$WID" || fail "the window manager did not take the activation"
back "window manager, taskbar"
again="$(wakeups)"
[ $((again * 2)) -gt "$shown" ] || fail "back, the player woke $again times a second, first $shown"
echo "window manager: playing, the window's thread woke $shown, $hidden and $again times a second"
minimise "window manager, before the exit"
exit_from_menu "window manager"

max="$(awk '{ if ($2 > m) m = $2 } END { print m + 0 }' "$WORK/items.log")"
[ "$max" -le 1 ] || fail "$max icons stood at once"
echo "window manager: the icon came and went with the player; never more than one icon"
