#!/usr/bin/env bash
# A user on a HiDPI screen: at twice the scale the main window's main part is 640 x 270 and the
# playlist under it twice its size. The skin's shapes are the 1× pictures enlarged pixel for pixel,
# while a track plays too: no edge shows a colour the 1× window does not have. The texts are drawn
# at the screen's resolution, finer than an enlarged 1× picture could show them. A fractional scale, set or
# the screen's own, is rounded to the nearest whole one, and Scale in Options.ini fixes the scale
# whatever the desktop says, and outlives the player's own saving.
#
# Usage: hidpi_sharp.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
# Rows of the 1× window that cross box edges: the seek bar, the buttons and the volume bar.
ROWS="78 104 110 118"
PLAY_X=46 BUTTON_Y=110 EXIT_X=307 EXIT_Y=14
# The main window's texts at 1× (x y width height): the tilted name on the ground, the title line,
# the title bar's letters, the time, the labels and the two buttons of arrows.
TICKER="64 8 209 14" TIME="8 30 73 20"
MAIN_TEXTS="0 0 64 30,$TICKER,278 8 35 12,$TIME,10 58 75 13,12 100 20 20,108 100 20 20"

source "$(dirname "$0")/lib/headless.sh"
source "$(dirname "$0")/lib/playlist_window.sh"
source "$(dirname "$0")/lib/screen_colours.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
require_tools Xvfb xdotool xsetroot xrdb pulseaudio pactl ffmpeg od awk
begin_session vexo-e2e

start_xvfb
start_pulse e2e
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=60" -ac 2 -ar 44100 "$WORK/tone.wav" ||
    fail "ffmpeg could not make the tone"
home_showing_playlist
# Main window in the corner with the playlist under its main part, so both fit the screen at 2×.
printf '[Main]\r\nLeft=0\r\nTop=0\r\n[PlayList]\r\nShow=1\r\nLeft=0\r\n' >"$HOME_DIR/Data/Options.ini"

# start_player SIZE: starts the player with the tone in its list and waits for its main window to
# take its saved place in the corner.
start_player() {
    (cd "$WORK" && exec "$BIN" tone.wav) >"$WORK/player.out" 2>"$WORK/player.err" &
    PLAYER_PID=$!
    wait_for_main_window "$1"
    in_corner() { eval "$(xdotool getwindowgeometry --shell "$WID" | grep -E '^(X|Y)=')" && [ "$X,$Y" = "0,0" ]; }
    poll 100 in_corner || fail "the main window stands at $X,$Y, not at its saved place 0,0"
    # Red behind the windows.
    xsetroot -solid red || fail "xsetroot could not colour the screen"
}

# An awk function: whether pixel x, y of a grab at scale f lies in one of the 1× rectangles of
# AREAS ("x y width height,..."; the grab's top-left is 0 0).
IN_AREAS='function in_areas(x, y,    i, r, a) {
    n_areas = split(areas, a, ",")
    for (i = 1; i <= n_areas; i++) {
        split(a[i], r, " ")
        if (x >= r[1] * f && x < (r[1] + r[3]) * f && y >= r[2] * f && y < (r[2] + r[4]) * f) return 1
    }
    return 0
}'

# not_enlarged FILE WIDTH SCALE [AREAS]: how many pixels of a grab outside AREAS differ from the
# top-left pixel of their SCALE x SCALE block; none in a picture enlarged pixel for pixel.
not_enlarged() {
    od -An -tu1 -v "$1" | tr -s ' ' '\n' | awk -v w="$2" -v f="$3" -v areas="${4:-}" "$IN_AREAS"'
        NF {
            c[n++ % 3] = $1
            if (n % 3) next
            p = n / 3 - 1; x = p % w; y = int(p / w); colour = c[0] " " c[1] " " c[2]
            if (x % f == 0 && y % f == 0) first[x] = colour
            else if (colour != first[x - x % f] && !in_areas(x, y)) k++
        }
        END { print k + 0 }'
}

# finer_blocks FILE WIDTH SCALE AREA: how many SCALE x SCALE blocks of AREA in a grab are not one
# colour: an enlarged 1× picture has none, a text drawn at the screen's resolution many.
finer_blocks() {
    od -An -tu1 -v "$1" | tr -s ' ' '\n' | awk -v w="$2" -v f="$3" -v areas="$4" "$IN_AREAS"'
        NF {
            c[n++ % 3] = $1
            if (n % 3) next
            p = n / 3 - 1; x = p % w; y = int(p / w); colour = c[0] " " c[1] " " c[2]
            if (!in_areas(x, y)) next
            block = int(x / f) " " int(y / f)
            if (x % f == 0 && y % f == 0) first[x] = colour
            else if (colour != first[x - x % f] && !(block in mixed)) { mixed[block] = 1; k++ }
        }
        END { print k + 0 }'
}

# row_colours FILE WIDTH SCALE ROW...: the distinct colours of those rows outside the main window's
# texts, one a line, sorted.
row_colours() {
    local file="$1" width="$2" scale="$3"
    shift 3
    od -An -tu1 -v "$file" | tr -s ' ' '\n' | awk -v w="$width" -v f="$scale" -v areas="$MAIN_TEXTS" -v rows=" $* " "$IN_AREAS"'
        NF {
            c[n++ % 3] = $1
            if (n % 3) next
            p = n / 3 - 1
            if (index(rows, " " int(p / w) " ") && !in_areas(p % w, int(p / w))) print c[0], c[1], c[2]
        }' |
        sort -u
}

# sharp_window SCALE: the main window, grabbed, is enlarged pixel for pixel outside its texts, its
# rows across box edges hold only colours of the 1× window's same rows, and the time is drawn finer
# than its 1× picture could show it. SEEN tells what the last grab showed.
SEEN=""
sharp_window() {
    local scale="$1" width=$((320 * $1)) rows="" row blocks foreign time
    grab_box 0 0 "$width" $((135 * scale)) "$WORK/scaled.rgb"
    blocks="$(not_enlarged "$WORK/scaled.rgb" "$width" "$scale" "$MAIN_TEXTS")"
    for row in $ROWS; do rows="$rows $((row * scale)) $((row * scale + scale - 1))"; done
    # shellcheck disable=SC2086
    foreign="$(row_colours "$WORK/scaled.rgb" "$width" "$scale" $rows | comm -13 "$WORK/colours-1x.txt" - | wc -l)"
    time="$(finer_blocks "$WORK/scaled.rgb" "$width" "$scale" "$TIME")"
    SEEN="$blocks pixels unlike their block, $foreign colours the 1x rows lack, $time blocks of the time finer than a pixel"
    # A text at the screen's resolution splits a good share of the blocks its glyphs touch.
    [ "$blocks" -eq 0 ] && [ "$foreign" -eq 0 ] && [ "$time" -ge 20 ]
}

# --- At 1×: the colours of the rows across box edges.
start_player 320x
poll 100 find_list_window || fail "no playlist at 1x"
# shellcheck disable=SC2086
colours_shown() { grab_box 0 0 320 135 "$WORK/1x.rgb" && row_colours "$WORK/1x.rgb" 320 1 $ROWS >"$WORK/colours-1x.txt"; }
colours_shown
close_player $EXIT_X $EXIT_Y

# --- At 2×: both parts twice as large, the playlist under the main part, and sharp; and so while a
# track plays.
export QT_SCALE_FACTOR=2
MAIN_PART_H=270
start_player 640x
poll 100 find_list_window || fail "no playlist at 2x"
list_docked() { geometry_of "$LIST_WID" && [ "$X,$Y,$WIDTH,$HEIGHT" = "0,0,640,690" ]; }
poll 100 list_docked ||
    fail "the window is ${WIDTH}x$HEIGHT at $X,$Y, not 640x690 at 0,0: a main part of 270 and a playlist of 420"
X=0 Y=0
poll_seconds 15 sharp_window 2 || fail "at 2x the main window is not sharp: $SEEN"
# The list's rows are drawn by the toolkit at the screen's resolution, so the bands above and below
# them are compared: outside the title and the buttons' letters (at 1×, in each band) they are
# enlarged pixel for pixel, and the title is finer.
LIST_TITLE="118 0 80 24"
for band in "0 48 $LIST_TITLE" "366 54 8 0 113 27"; do
    read -r top height texts <<<"$band"
    grab_box 0 $((270 + top)) 640 "$height" "$WORK/list.rgb"
    blocks="$(not_enlarged "$WORK/list.rgb" 640 2 "$texts")"
    [ "$blocks" -eq 0 ] || fail "at 2x the playlist's rows from $top have $blocks pixels unlike their block"
done
grab_box 0 270 640 48 "$WORK/list.rgb"
title="$(finer_blocks "$WORK/list.rgb" 640 2 "$LIST_TITLE")"
[ "$title" -ge 20 ] || fail "at 2x the playlist's title is no finer than its 1x picture: $title blocks are not one colour"
echo "at 2x both parts are twice as large, the playlist under the main part, their shapes enlarged pixel for pixel and their titles finer"

xdotool mousemove --window "$WID" $((PLAY_X * 2)) $((BUTTON_Y * 2)) click 1
grab_box 16 60 146 40 "$WORK/time-stopped.rgb"
time_moved() { grab_box 16 60 146 40 "$WORK/time.rgb" && ! cmp -s "$WORK/time.rgb" "$WORK/time-stopped.rgb"; }
poll_seconds 20 time_moved || fail "the time did not change within 20 s of Play"
playing_sharp() { grab_box 0 0 640 270 "$WORK/playing.rgb" && [ "$(not_enlarged "$WORK/playing.rgb" 640 2 "$MAIN_TEXTS")" -eq 0 ]; }
playing_sharp ||
    fail "while playing at 2x the main window has $(not_enlarged "$WORK/playing.rgb" 640 2 "$MAIN_TEXTS") pixels unlike their block"
# The title line shows the track's name only while it plays, and may have scrolled it out of sight.
ticker_fine() { grab_box 0 0 640 270 "$WORK/playing.rgb" && [ "$(finer_blocks "$WORK/playing.rgb" 640 2 "$TICKER")" -ge 20 ]; }
poll_seconds 15 ticker_fine ||
    fail "at 2x the title line's text is no finer than its 1x picture: $(finer_blocks "$WORK/playing.rgb" 640 2 "$TICKER") blocks are not one colour"
# Resting on the Play button brings its hint, whose title is finer than a pixel too.
find_hint() {
    local wid geometry
    for wid in $(xdotool search --onlyvisible --pid "$PLAYER_PID" 2>/dev/null); do
        geometry="$(xdotool getwindowgeometry "$wid" 2>/dev/null | sed -n 's/.*Geometry: //p')"
        case "$geometry" in 640x690 | 644x258 | "") continue ;; esac
        eval "$(xdotool getwindowgeometry --shell "$wid" | grep -E '^(X|Y)=')"
        return 0
    done
    return 1
}
# A small move onto the button and a rest there, as a hand does.
xdotool mousemove --window "$WID" $((PLAY_X * 2 - 4)) $((BUTTON_Y * 2))
xdotool mousemove --window "$WID" $((PLAY_X * 2)) $((BUTTON_Y * 2))
poll_seconds 20 find_hint || fail "no hint appeared over the Play button at 2x"
grab_box 0 0 80 24 "$WORK/hint.rgb"
hint_title="$(finer_blocks "$WORK/hint.rgb" 80 2 "5 0 35 12")"
[ "$hint_title" -ge 20 ] || fail "at 2x the hint's title is no finer than its 1x picture ($hint_title blocks)"
X=0 Y=0
# A middle click on the playing title opens the information window, twice its size: its texts are
# finer than a pixel, the ground right of them and the close box's frame enlarged pixel for pixel.
info_open() { xdotool mousemove --window "$WID" 300 28 click 2 && find_window_sized 644x258; }
poll_seconds 20 info_open || fail "no 644x258 information window after a middle click on the playing title at 2x"
INFO_WID="$FOUND_WID"
grab_box 0 0 644 258 "$WORK/info.rgb"
heading="$(finer_blocks "$WORK/info.rgb" 644 2 "5 3 150 14")"
[ "$heading" -ge 20 ] || fail "at 2x the information window's heading is no finer than its 1x picture ($heading blocks)"
blocks="$(not_enlarged "$WORK/info.rgb" 644 2 "0 0 300 129,306 4 11 12")"
[ "$blocks" -eq 0 ] || fail "at 2x the information window's ground has $blocks pixels unlike their block"
timeout 3 xdotool windowfocus --sync "$INFO_WID" && xdotool key Escape
X=0 Y=0
close_player $((EXIT_X * 2)) $((EXIT_Y * 2))
echo "while a track plays at 2x the changing boxes stay enlarged pixel for pixel; the title line's, the information window's and the hint's texts are finer"

# --- A fractional scale is rounded to the nearest whole one.
export QT_SCALE_FACTOR=1.5
start_player 640x
poll_seconds 15 sharp_window 2 || fail "at 1.5 (shown at 2x) the main window is not sharp: $SEEN"
close_player $((EXIT_X * 2)) $((EXIT_Y * 2))
echo "a scale of 1.5 shows the windows at 2x, sharp"

# --- So is a screen's own fractional ratio: 144 dpi is 1.5 times the usual 96.
unset QT_SCALE_FACTOR
echo "Xft.dpi: 144" | xrdb -nocpp -merge || fail "xrdb could not set the screen's resolution"
start_player 640x
poll_seconds 15 sharp_window 2 || fail "at 144 dpi (shown at 2x) the main window is not sharp: $SEEN"
close_player $((EXIT_X * 2)) $((EXIT_Y * 2))
echo "a screen of 144 dpi shows the windows at 2x, sharp"

# --- Scale=3 in the settings wins over the desktop's 2 (and its 144 dpi), and a save keeps it.
# (The playlist is closed: three times its size does not fit below the main part.)
sed -i 's/^\[Main\]\r$/[Main]\r\nScale=3\r/; s/^Show=1\r$/Show=0\r/' "$HOME_DIR/Data/Options.ini"
grep -q "^Scale=3" "$HOME_DIR/Data/Options.ini" || fail "could not set Scale=3 in the settings"
export QT_SCALE_FACTOR=2
for run in first second; do
    start_player 960x405
    poll_seconds 15 sharp_window 3 || fail "at Scale=3 ($run start) the main window is not sharp: $SEEN"
    close_player $((EXIT_X * 3)) $((EXIT_Y * 3))
done
echo "Scale=3 in the settings shows the windows at 3x, sharp, start after start"
echo "hidpi_sharp: PASS"
