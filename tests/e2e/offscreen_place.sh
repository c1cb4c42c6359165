#!/usr/bin/env bash
# A user whose settings place the windows on a monitor that is no longer there, on a desktop of a
# wide monitor and a smaller one beside it (so the desktop's bounding box has a gap below the
# smaller one): at start the main window, with the playlist under its main part, comes wholly onto
# one monitor, from far right and below as from far left and above.
#
# Usage: offscreen_place.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
EXIT_X=307 EXIT_Y=14

source "$(dirname "$0")/lib/headless.sh"
source "$(dirname "$0")/lib/playlist_window.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
require_tools Xvfb xdotool xrandr pulseaudio pactl awk
begin_session vexo-e2e

start_xvfb
start_pulse e2e
# Two monitors on the 1024 x 768 screen: 640 x 768 on the left, 384 x 400 on the right, tops aligned.
xrandr --setmonitor left 640/169x768/254+0+0 screen >/dev/null && xrandr --setmonitor right 384/101x400/106+640+0 none >/dev/null ||
    fail "xrandr could not set up the two monitors"
MONITORS="$(xrandr --listmonitors | awk 'NR > 1 { split($3, g, /[x+]/); sub(/\/.*/, "", g[1]); sub(/\/.*/, "", g[2]); print g[1], g[2], g[3], g[4] }')"
[ "$(wc -l <<<"$MONITORS")" -eq 2 ] || fail "the display shows monitors $MONITORS, not the two set up"

home_showing_playlist
# on_one_monitor WID: the window lies wholly within one of the monitors. PLACE tells where it is.
PLACE=""
on_one_monitor() {
    geometry_of "$1"
    PLACE="${WIDTH}x$HEIGHT at $X,$Y"
    awk -v x="$X" -v y="$Y" -v w="$WIDTH" -v h="$HEIGHT" '
        $3 <= x && $4 <= y && x + w <= $3 + $1 && y + h <= $4 + $2 { found = 1 } END { exit !found }' <<<"$MONITORS"
}

for saved in "5000 3000" "-3000 -3000"; do
    read -r left top <<<"$saved"
    printf '[Main]\r\nLeft=%s\r\nTop=%s\r\n[PlayList]\r\nShow=1\r\nLeft=%s\r\nTop=%s\r\n' \
        "$left" "$top" "$left" "$((top + 135))" >"$HOME_DIR/Data/Options.ini"
    "$BIN" >"$WORK/player.out" 2>"$WORK/player.err" &
    PLAYER_PID=$!
    wait_for_main_window 320x
    poll 100 find_list_window || fail "no playlist shown"
    poll 100 on_one_monitor "$WID" ||
        fail "saved at $left,$top, the main window with the playlist is $PLACE, not wholly on a monitor"
    close_player $EXIT_X $EXIT_Y
    echo "saved at $left,$top, the main window and its playlist come wholly onto a monitor"
done
echo "offscreen_place: PASS"
