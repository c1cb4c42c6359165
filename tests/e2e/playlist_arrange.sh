#!/usr/bin/env bash
# A user arranges the playlist with the mouse, on the real player: four tracks given at start; the
# second and fourth rows, picked by a click and a Ctrl+click, are dragged onto the first row and
# land before it in their order; the row now first, dragged below the last row, goes to the end;
# the Add box opens its menu, whose separator shows as a line; Down moves through the rows while the
# list has the keys and turns the volume once the main part is clicked; the close box saves the new
# order.
#
# Usage: playlist_arrange.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
EXIT_X=307 EXIT_Y=14
# Rows are 16 px high from the top of the list, which sits at (7, 24) in the playlist's part.
LIST_X=7 LIST_Y=24 ROW_H=16

source "$(dirname "$0")/lib/headless.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
source "$(dirname "$0")/lib/playlist_window.sh"
require_tools Xvfb xdotool pulseaudio pactl ffmpeg od awk
begin_session vexo-e2e

start_xvfb
start_pulse e2e
for name in a b c d; do
    ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=1" -ac 2 "$WORK/$name.wav" ||
        fail "ffmpeg could not make $name.wav"
done
home_showing_playlist
LIST_HEIGHT=250
printf 'Height=%s\r\n' "$LIST_HEIGHT" >>"$HOME_DIR/Data/Options.ini"

(cd "$WORK" && exec "$BIN" a.wav b.wav c.wav d.wav) >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
wait_for_main_window 320x
poll 100 find_list_window || fail "the player's window did not grow to show the playlist within 10 s"
# One window on the screen, the main part with the playlist under it at its own height.
one_window() { [ "$(xdotool search --onlyvisible --pid "$PLAYER_PID" | wc -l)" -eq 1 ]; }
poll 50 one_window || fail "the player shows $(xdotool search --onlyvisible --pid "$PLAYER_PID" | wc -l) windows, not one"
geometry_of "$LIST_WID"
[ "$HEIGHT" -eq $((MAIN_PART_H + LIST_HEIGHT)) ] ||
    fail "the window is $HEIGHT px high, not the main part's $MAIN_PART_H and the playlist's $LIST_HEIGHT"
list_geometry
LIST_H=$((HEIGHT - 50))
echo "one window $LIST_WID, $((MAIN_PART_H + HEIGHT)) px high, with a list $LIST_H px high"

# The middle of list row $1, in window coordinates.
row_y() { echo $((LIST_Y + $1 * ROW_H + ROW_H / 2)); }
# Presses the left button on row $1, moves in steps to window height $2 and releases there, as a
# hand does: the player sees a press, a run of moves with the button held, and a release.
drag_row() {
    local x=$((LIST_X + 60)) from to step
    from="$(row_y "$1")" to="$2"
    list_pointer "$x" "$from" mousedown 1
    for step in $(seq 10); do
        list_pointer "$x" $((from + (to - from) * step / 10))
        sleep 0.05
    done
    xdotool mouseup 1
}

# --- The fourth and second rows, picked by a click and a Ctrl+click, dragged from the fourth onto
# the first: b, d, a, c. Each press lands two rows away from the one before it, so that no two
# presses make a double click.
list_pointer $((LIST_X + 60)) "$(row_y 3)" click 1
list_pointer $((LIST_X + 60)) "$(row_y 1)" keydown ctrl click 1 keyup ctrl
drag_row 3 "$(row_y 0)"
# --- The row now first (b), picked up by the press itself, dropped below the last row: d, a, c, b.
drag_row 0 $((LIST_Y + 6 * ROW_H))

# --- The Add box opens its menu at the pointer; the separator between "Добавить папку" and
# "Добавить плейлист" is a line from 31 px into the item to its right end.
MENU_WID=""
find_menu() {
    local wid
    for wid in $(xdotool search --onlyvisible --pid "$PLAYER_PID" 2>/dev/null); do
        [ "$wid" = "$WID" ] || { MENU_WID="$wid"; return 0; }
    done
    return 1
}
# Whether the menu's picture holds a separator line: a row of pixels that is one colour, not the
# menu's ground, from x 40 to 5 px before the right edge, and the ground at x 10 (the item's free
# start).
separator_shown() {
    geometry_of "$MENU_WID"
    ffmpeg -v error -y -f x11grab -draw_mouse 0 -video_size "${WIDTH}x${HEIGHT}" -i "$DISPLAY+$X,$Y" \
        -frames:v 1 -f rawvideo -pix_fmt rgb24 "$WORK/menu.rgb" || return 1
    od -An -v -t u1 -w3 "$WORK/menu.rgb" | awk -v w="$WIDTH" '
        { x = (NR - 1) % w; y = int((NR - 1) / w); c = $1 "," $2 "," $3
          if (++count[c] > most) { most = count[c]; ground = c }
          if (x == 10) start[y] = c
          if (x == 40) { line[y] = c; run[y] = 1 }
          else if (x > 40 && x < w - 5 && c != line[y]) run[y] = 0 }
        END { for (y in run)
                  if (run[y] && line[y] != ground && start[y] == ground) { found = 1; print "separator at y " y }
              exit !found }'
}
ADD_Y=$((LIST_H + 24 + 8))
list_pointer 15 "$ADD_Y" click 1
poll 50 find_menu || fail "no menu appeared after a click on the Add box"
poll 20 separator_shown || fail "the add menu ($(xdotool getwindowgeometry "$MENU_WID" | tr '\n' ' ')) shows no separator line"
xdotool key Escape
menu_gone() { ! xdotool search --onlyvisible --pid "$PLAYER_PID" 2>/dev/null | grep -qx "$MENU_WID"; }
poll 50 menu_gone || fail "Escape did not close the add menu"

# --- The keys go to the part clicked last: Down moves through the rows while the list has them, and
# turns the volume (saved from 104) down once the main part's ground is clicked.
list_pointer $((LIST_X + 60)) "$(row_y 0)" click 1
timeout 3 xdotool windowfocus --sync "$WID" || fail "the player's window did not take the keyboard focus"
xdotool key --delay 50 Down Down Down
xdotool mousemove --window "$WID" 150 40 click 1
xdotool key --delay 50 Down Down

# --- The close box saves the order the drags made, and the volume the keys left.
close_player "$EXIT_X" "$EXIT_Y"
tr -d '\r' <"$HOME_DIR/Data/Options.ini" | grep -qx "Volume=102" ||
    fail "Options.ini holds $(tr -d '\r' <"$HOME_DIR/Data/Options.ini" | grep Volume=), not 102: the keys went to the wrong part"
m3u="$HOME_DIR/Data/Default.m3u"
[ -f "$m3u" ] || fail "no Data/Default.m3u after the close"
m3u_paths "$m3u" >"$WORK/paths.txt"
printf "$WORK/%s.wav\n" d a c b | cmp -s - "$WORK/paths.txt" ||
    fail "Default.m3u holds $(xargs -n1 basename <"$WORK/paths.txt" | tr '\n' ' '), not d a c b"
echo "playlist_arrange: PASS"
