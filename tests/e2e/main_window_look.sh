#!/usr/bin/env bash
# A new user starts the player and looks at it, on a real X screen with the real fonts: the time
# stands on the window's gradient at start, after a click on it, after the window is unmapped and
# mapped again, and while a track is paused or stopped; the window's four corners are cut alike,
# as are the title-bar buttons' frames; the labels and the title line read letter by letter; an
# hour-long track's time fits its box, seconds included.
#
# Usage: main_window_look.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
# Window coordinates of what the user points at or looks at.
TIME_X=8 TIME_Y=30 TIME_W=73 TIME_H=20
TICKER_X=64 TICKER_Y=8 TICKER_W=209 TICKER_H=14
PLAY_X=46 PAUSE_X=70 STOP_X=94 BUTTON_Y=110
EXIT_X=307 EXIT_Y=14

source "$(dirname "$0")/lib/headless.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
require_tools Xvfb xdotool xsetroot pulseaudio pactl ffmpeg od awk
begin_session vexo-e2e

start_xvfb
start_pulse e2e

# An hour and a minute of silence, small and quick to make, with tags for the title line.
ffmpeg -v error -f lavfi -i anullsrc=r=8000:cl=mono -t 3700 -c:a libmp3lame -b:a 8k \
    -metadata artist="artist name" -metadata title="PL" "$WORK/long.mp3" || fail "ffmpeg could not make the track"
HOME_DIR="$WORK/home"
mkdir -p "$HOME_DIR/Plugins"
export VEXO_HOME="$HOME_DIR" VEXO_AUDIO=pulse QT_QPA_PLATFORM=xcb

(cd "$WORK" && exec "$BIN" long.mp3) >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
wait_for_main_window 320x135
eval "$(xdotool getwindowgeometry --shell "$WID")"
# Red behind the window: whatever its outline cuts away shows red.
xsetroot -solid red || fail "xsetroot could not colour the screen"

click_at() { xdotool mousemove --window "$WID" "$1" "$2" click 1; }

# mask FILE WIDTH KIND: the grabbed picture as lines of "#" (pixels of KIND) and "." (the rest).
# KIND: skin (the default skin colour's blue text), white, grey, red, black.
mask() {
    od -An -tu1 -v "$1" | awk -v w="$2" -v kind="$3" '
        function pixel(r, g, b) {
            if (kind == "skin") return b > r + 60
            if (kind == "white") return r == 255 && g == 255 && b == 255
            if (kind == "grey") return r == 128 && g == 128 && b == 128
            if (kind == "red") return r == 255 && g == 0 && b == 0
            return r + g + b < 60
        }
        {
            for (i = 1; i <= NF; i++) {
                c[k++] = $i
                if (k < 3) continue
                k = 0
                line = line (pixel(c[0], c[1], c[2]) ? "#" : ".")
                if (length(line) == w) { print line; line = "" }
            }
        }'
}

# glyphs: reads a mask and prints, for every word (inked columns apart by 3 or more blank ones),
# how many separate glyph blobs (8-connected) it holds: "artist name" shows "7 4" ("i" has a dot).
glyphs() {
    awk '
        { row[h++] = $0; w = length($0) }
        END {
            for (x = 1; x <= w; x++)
                for (y = 0; y < h; y++)
                    if (substr(row[y], x, 1) == "#") { ink[x] = 1; g[y, x] = 1 }
            words = 0; blank = 3
            for (x = 1; x <= w; x++) {
                if (ink[x]) { if (blank >= 3) words++; wordOf[x] = words; blank = 0 } else blank++
            }
            for (x = 1; x <= w; x++)
                for (y = 0; y < h; y++) {
                    if (g[y, x] != 1) continue
                    count[wordOf[x]]++
                    g[y, x] = 2; top = 1; sy[0] = y; sx[0] = x
                    while (top > 0) {
                        top--; cy = sy[top]; cx = sx[top]
                        for (dy = -1; dy <= 1; dy++)
                            for (dx = -1; dx <= 1; dx++)
                                if (g[cy + dy, cx + dx] == 1) {
                                    g[cy + dy, cx + dx] = 2; sy[top] = cy + dy; sx[top] = cx + dx; top++
                                }
                    }
                }
            for (i = 1; i <= words; i++) out = out (i > 1 ? " " : "") count[i] + 0
            print out
        }'
}

# span: reads a mask and prints its first and last inked column (from 0), or nothing.
span() { awk '{ for (x = 1; x <= length($0); x++) if (substr($0, x, 1) == "#") { if (!f || x < f) f = x; if (x > l) l = x } } END { if (f) print f - 1, l - 1 }'; }

# time_reads BLOBS [LEFT]: the time box shows the skin-coloured text in BLOBS glyph blobs, on the
# window's ground (not a pixel of black), its ink within the box's columns LEFT (0) to 70 (so
# nothing is cut at the edge). TIME_SEEN tells what the last grab showed.
TIME_SEEN=""
time_reads() {
    grab_box $TIME_X $TIME_Y $TIME_W $TIME_H "$WORK/time.rgb"
    local blobs black first last
    blobs="$(mask "$WORK/time.rgb" $TIME_W skin | glyphs | awk '{ for (i = 1; i <= NF; i++) s += $i } END { print s + 0 }')"
    black="$(mask "$WORK/time.rgb" $TIME_W black | tr -cd '#' | wc -c)"
    read -r first last <<<"$(mask "$WORK/time.rgb" $TIME_W skin | span)"
    TIME_SEEN="$blobs glyph blobs over columns ${first:-none}-${last:-none}, $black black pixels"
    [ "$blobs" -eq "$1" ] && [ "$black" -eq 0 ] && [ "${first:-0}" -ge "${2:-0}" ] && [ "${last:-99}" -le 70 ]
}
expect_time() {
    poll_seconds 15 time_reads "$1" "${2:-0}" || fail "$3: the time box shows $TIME_SEEN"
}
# The time box shows again what it showed before the window was unmapped and mapped.
time_as_before() { time_reads "$1" && cmp -s "$WORK/time.rgb" "$WORK/time-before.rgb"; }
unmap_and_map() {
    cp "$WORK/time.rgb" "$WORK/time-before.rgb"
    xdotool windowunmap --sync "$WID"
    xdotool windowmap --sync "$WID"
    poll_seconds 15 time_as_before "$1" || fail "$2: the time box shows $TIME_SEEN, not the time it showed before"
}

# --- At start, no track playing: "-00:00" (7 blobs) on the gradient; a click shows "00:00" from
# column 6 (6 blobs) at once, a second click "-00:00" again.
expect_time 7 0 "at start"
click_at 30 40
expect_time 6 6 "after a click on the time"
click_at 30 40
expect_time 7 0 "after a second click on the time"
echo "the time stands on the gradient at start and follows clicks"

# --- Unmapped and mapped again, the window shows the time as before.
unmap_and_map 7 "after the window was unmapped and mapped again"
echo "the time comes back on the gradient after an unmap and map"

# --- The outline: red shows through 3, 1 and 1 pixels of the three rows nearest each corner.
corners() {
    grab_box 0 0 320 135 "$WORK/window.rgb"
    mask "$WORK/window.rgb" 320 red >"$WORK/red.txt"
    awk '
        function lead(s) { match(s, /^#*/); return RLENGTH }
        function trail(s) { match(s, /#*$/); return RLENGTH }
        { row[n++] = $0 }
        END {
            for (r = 0; r < 4; r++) {
                tl = tl lead(row[r]) " "; tr = tr trail(row[r]) " "
                bl = bl lead(row[n - 1 - r]) " "; br = br trail(row[n - 1 - r]) " "
            }
            print "top-left " tl "top-right " tr "bottom-left " bl "bottom-right " br
        }' "$WORK/red.txt"
}
CORNERS_WANTED="top-left 3 1 1 0 top-right 3 1 1 0 bottom-left 3 1 1 0 bottom-right 3 1 1 0 "
corners_right() { [ "$(corners)" = "$CORNERS_WANTED" ]; }
poll_seconds 15 corners_right || fail "the corners cut unlike one another: $(corners)"
echo "the four corners are cut alike"

# --- The title-bar buttons' grey frames: top and bottom edges span the same columns, centred.
frames() {
    local box
    for box in 278 290 302; do
        grab_box "$box" 8 11 12 "$WORK/button.rgb"
        mask "$WORK/button.rgb" 11 grey | sed -n 1p | span | tr '\n' ' '
        mask "$WORK/button.rgb" 11 grey | sed -n 12p | span | tr '\n' ' '
    done
}
FRAMES_WANTED="2 8 2 8 2 8 2 8 2 8 2 8 "
frames_right() { [ "$(frames)" = "$FRAMES_WANTED" ]; }
poll_seconds 15 frames_right || fail "the title-bar buttons' frames are lopsided: top and bottom edges over $(frames)"
echo "the title-bar buttons' frames are symmetric"

# --- The playlist button's white label reads as two letters, "P" and "L", inside its frame.
pl_label() {
    grab_box 11 59 21 11 "$WORK/pl.rgb"
    mask "$WORK/pl.rgb" 21 white | glyphs
}
pl_reads() { [ "$(pl_label)" = "2" ]; }
poll_seconds 15 pl_reads || fail "the \"PL\" label shows as $(pl_label) glyph blobs, not two letters"
echo "the \"PL\" label reads"

# --- Play the hour-long track: the remaining time "-01:01:4x" shows all its 11 blobs inside the box.
click_at $PLAY_X $BUTTON_Y
expect_time 11 0 "playing an hour-long track"
echo "an hour's time fits the time box"

# --- The title line, held still by the pointer: "artist name - PL" reads word by word, letter by
# letter ("i" counts twice, for its dot).
xdotool mousemove --window "$WID" $((TICKER_X + TICKER_W / 2)) $((TICKER_Y + TICKER_H / 2)) mousedown 1
title_words() {
    grab_box $TICKER_X $TICKER_Y $TICKER_W $TICKER_H "$WORK/ticker.rgb"
    mask "$WORK/ticker.rgb" $TICKER_W skin | glyphs
}
title_reads() { [ "$(title_words)" = "7 4 1 2" ]; }
poll_seconds 15 title_reads || fail "the title line shows words of $(title_words) glyph blobs, not \"artist name - PL\" (7 4 1 2)"
xdotool mouseup 1
echo "the title line reads \"artist name - PL\""

# --- Paused, the time stands still; a click still switches it, and an unmap and map show it again.
click_at $PAUSE_X $BUTTON_Y
expect_time 11 0 "paused"
click_at 30 40
expect_time 6 6 "paused, after a click on the time"
click_at 30 40
expect_time 11 0 "paused, after a second click on the time"
unmap_and_map 11 "paused, after the window was unmapped and mapped again"
echo "a paused time stands on the gradient, follows clicks and comes back after an unmap and map"

# --- Stopped, the time reads "-00:00" again and comes back after an unmap and map.
click_at $STOP_X $BUTTON_Y
expect_time 7 0 "stopped"
unmap_and_map 7 "stopped, after the window was unmapped and mapped again"
echo "a stopped time comes back after an unmap and map"

close_player $EXIT_X $EXIT_Y
echo "main_window_look: PASS"
