#!/usr/bin/env bash
# The playlist with the real player: three tones given at start show as three rows in the playlist
# under the main part of the player's window; its button hides and shows it, the window shrinking
# and growing by its height; a double click on the third
# row is heard as that row's tone on a private PulseAudio null sink; the Delete key on the first row
# leaves the tone playing; Enter on the row now first starts its tone; an album of three pieces of
# one tone, handed over with --play, is heard whole, with no gap or step where a piece ends; the
# close box saves the shown window and the rows that are left.
#
# Usage: playlist_double_click.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
MAIN_W=320 MAIN_H=135
# The main window's playlist button and close box, in window coordinates.
PL_X=21 PL_Y=64
STOP_X=94 BUTTON_Y=110
EXIT_X=307 EXIT_Y=14
# Rows are 16 px high from the top of the list, which sits at (7, 24) in the playlist's part;
# a row is clicked at its middle.
LIST_X=7 LIST_Y=24 ROW_H=16
RATE=44100

source "$(dirname "$0")/lib/headless.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
source "$(dirname "$0")/lib/playlist_window.sh"
require_tools Xvfb xdotool xwininfo pulseaudio pactl parec ffmpeg od awk
begin_session vexo-e2e

# --- A display, a sound server and three tones. Half-scale sines: even 20 dB down they cross the
# threshold of 1000 used to count zero crossings, which rounding noise around silence never does.
start_xvfb
start_pulse e2e
for hz in 440 660 990; do
    ffmpeg -v error -f lavfi -i "aevalsrc=0.5*sin(2*PI*$hz*t):s=$RATE:d=20" -ac 2 "$WORK/tone$hz.wav" ||
        fail "ffmpeg could not make the $hz Hz tone"
done

# A home whose settings show the playlist, at its default height under the main part.
home_showing_playlist

(cd "$WORK" && exec "$BIN" tone440.wav tone660.wav tone990.wav) >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
wait_for_main_window "${MAIN_W}x"
echo "main window $WID is shown"

# --- The playlist: shown in the main window, under its main part (its height is the arrange check's).
poll 100 find_list_window || fail "the main window did not grow to show the playlist within 10 s"
list_geometry
echo "the playlist is at ${X},${Y}, ${WIDTH}x${HEIGHT} in the main window"

# --- Each row's duration ("00:20" at 245 px into the row) is read off the window's thread after the
# first paint, which shows file names; it must still reach the screen.
dark_pixels() { od -An -tu1 -v "$1" | tr -s ' ' '\n' | awk 'NF { c[n++ % 3] = $1 } n % 3 == 0 && n { if (c[0] + c[1] + c[2] < 600) k++ } END { print k + 0 }'; }
durations_shown() {
    local row
    list_geometry
    for row in 0 1 2; do
        grab_box $((LIST_X + 245)) $((LIST_Y + row * ROW_H)) 50 "$ROW_H" "$WORK/duration.rgb"
        [ "$(dark_pixels "$WORK/duration.rgb")" -gt 10 ] || return 1
    done
}
poll_seconds 15 durations_shown || fail "the rows' durations did not appear on the screen within 15 s"
echo "the three rows show their durations"

# --- Its button on the main window hides it and shows it again: the window shrinks to its main
# part and grows back.
list_hidden() { geometry_of "$WID" && [ "$HEIGHT" -eq "$MAIN_H" ]; }
xdotool mousemove --window "$WID" "$PL_X" "$PL_Y" click 1
poll 30 list_hidden || fail "the playlist button did not hide the playlist window"
xdotool mousemove --window "$WID" "$PL_X" "$PL_Y" click 1
poll 30 find_list_window || fail "the playlist button did not show the playlist again"
echo "the playlist button hides and shows the window"

# --- What the sink's monitor hears, for $1 tenths of a second, into $WORK/heard.raw.
record() {
    parec --device=e2e.monitor --format=s16le --rate=$RATE --channels=2 --raw >"$WORK/heard.raw" \
        2>"$WORK/parec.err" &
    PAREC_PID=$!
    sleep "$(awk -v t="$1" 'BEGIN { print t / 10 }')"
    stop_pid "$PAREC_PID"
    PAREC_PID=""
    local bytes
    bytes=$(stat -c %s "$WORK/heard.raw")
    # At least half of what the span holds (4 bytes a frame).
    [ "$bytes" -gt $((RATE * 4 * $1 / 20)) ] ||
        fail "the monitor recorded only $bytes bytes: $(tail -2 "$WORK/parec.err")"
}
# The left channel's frequency in Hz from its zero crossings, then the count of gaps in the sound
# and the longest in ms. Crossings are counted with a hysteresis of 1000, so noise around silence
# does not count. The frequency comes from the mean time between crossings, leaving out spans far
# from the median: a stretch of silence (an output starved on a busy machine, or the time before
# the track starts) is a gap, not a lower tone. Prints 0 0 0 when too little is heard.
heard_hz() {
    od -An -v -t d2 -w4 "$WORK/heard.raw" | awk -v rate=$RATE -v t=1000 '
        function cross() { if (last) { spans[++count] = n - last; histogram[n - last]++ } last = n }
        { n++; s = $1 + 0
          if (s > t && sign <= 0) { if (sign < 0) cross(); sign = 1 }
          else if (s < -t && sign >= 0) { if (sign > 0) cross(); sign = -1 } }
        END {
            if (count < 100) { print "0 0 0"; exit }
            for (span = 1; seen * 2 < count; span++) seen += histogram[span]
            median = span - 1
            for (i = 1; i <= count; i++) {
                if (spans[i] > median * 0.5 && spans[i] < median * 1.5) { sum += spans[i]; used++ }
                else if (spans[i] >= median * 3) { gaps++; if (spans[i] > longest) longest = spans[i] }
            }
            printf "%.0f %d %.0f\n", rate / (2 * sum / used), gaps, longest * 1000 / rate
        }'
}
# RMS level in dB of the recording through a narrow band-pass around $1 Hz.
band_db() {
    ffmpeg -v info -f s16le -ar $RATE -ac 2 -i "$WORK/heard.raw" \
        -af "bandpass=f=$1:width_type=q:w=20,astats=measure_perchannel=none" -f null - 2>&1 |
        awk '/RMS level dB/ { v = $NF } END { print v }'
}
# Fails unless the recording is the $1 Hz tone alone: crossings within 3 % of it, and the other
# tones' bands at least 20 dB below its own.
expect_tone() {
    local want="$1" what="$2" hz gaps longest at440 at660 at990 own
    read -r hz gaps longest < <(heard_hz)
    at440="$(band_db 440)" at660="$(band_db 660)" at990="$(band_db 990)"
    echo "$what: ${hz} Hz by crossings ($gaps gaps, longest $longest ms);" \
        "bands 440 ${at440} dB, 660 ${at660} dB, 990 ${at990} dB"
    awk -v h="$hz" -v w="$want" 'BEGIN { exit !(h > w * 0.97 && h < w * 1.03) }' ||
        fail "$what: heard ${hz} Hz, not the $want Hz tone"
    case "$want" in 440) own=$at440 ;; 660) own=$at660 ;; *) own=$at990 ;; esac
    for other in "$at440" "$at660" "$at990"; do
        [ "$other" = "$own" ] && continue
        awk -v o="$other" -v a="$own" 'BEGIN { exit !(o == "-inf" || o + 0 < a - 20) }' ||
            fail "$what: another tone is heard too (bands 440 ${at440}, 660 ${at660}, 990 ${at990} dB)"
    done
}
# Whether half a second of the monitor is near the $1 Hz tone: the output's own buffer may
# still be playing the track before.
hearing() {
    record 5
    local hz _
    read -r hz _ < <(heard_hz)
    awk -v h="$hz" -v w="$1" 'BEGIN { exit !(h > w * 0.97 && h < w * 1.03) }'
}

# --- Nothing plays until a row is started; a double click on the third row starts the 990 Hz tone.
record 5
read -r hz _ < <(heard_hz)
[ "$hz" = 0 ] || fail "a $hz Hz tone is heard before any row was started"
list_pointer $((LIST_X + 60)) $((LIST_Y + 2 * ROW_H + ROW_H / 2)) click --repeat 2 --delay 80 1
for _ in $(seq 6); do hearing 990 && break; done
record 15
expect_tone 990 "after the double click on the third row"

# --- A click on the first row and the Delete key delete that row; the tone goes on.
list_pointer $((LIST_X + 60)) $((LIST_Y + ROW_H / 2)) click 1
# Without a window manager the click does not move the keyboard focus; ask for it, boundedly.
timeout 3 xdotool windowfocus --sync "$LIST_WID" || fail "the player's window did not take the keyboard focus"
sleep 0.2
xdotool key Delete
sleep 0.3
record 10
expect_tone 990 "after the Delete key on the first row"

# --- Enter on the row now first starts it: the 660 Hz tone takes over.
list_pointer $((LIST_X + 60)) $((LIST_Y + ROW_H / 2)) click 1
sleep 0.2
xdotool key Return
for _ in $(seq 6); do hearing 660 && break; done
record 10
expect_tone 660 "after Enter on the row now first"

# --- Stop; then an album of three pieces of one 550 Hz tone, cut at samples 29017 and 77411 (where
# the tone is far from zero), is handed over with --play and heard whole: frame for frame the tone,
# which a gap, a lost or a doubled frame where a piece ends would put out of step.
xdotool mousemove --window "$WID" "$STOP_X" "$BUTTON_Y" click 1
ffmpeg -v error -f lavfi -i "aevalsrc=0.5*sin(2*PI*550*t):s=$RATE:d=3" -ac 2 "$WORK/album.wav" ||
    fail "ffmpeg could not make the album's tone"
cut=0
for end in 29017 77411 132300; do
    ffmpeg -v error -i "$WORK/album.wav" -af "atrim=start_sample=$cut:end_sample=$end" \
        "$WORK/piece$end.flac" || fail "ffmpeg could not cut the album at $cut"
    cut=$end
done
parec --device=e2e.monitor --format=s16le --rate=$RATE --channels=2 --raw >"$WORK/album.raw" \
    2>"$WORK/parec.err" &
PAREC_PID=$!
poll 50 eval '[ "$(stat -c %s "$WORK/album.raw")" -gt 0 ]' || fail "the monitor records nothing"
(cd "$WORK" && "$BIN" --play piece29017.flac piece77411.flac piece132300.flac) ||
    fail "the album was not handed to the running player"
# Where the album's sound begins, then its largest difference from the tone at the level heard (its
# peak), and the difference that rounding allows. The sampled tone repeats every 882 frames; its
# phase in the first sound places the album's frame 0 within one repeat before it, so a start cut
# short (a track started over audio the server was already playing) is told apart from a join out of
# step, and what follows the album is not taken for it.
heard_album() {
    od -An -v -t d2 -w4 "$WORK/album.raw" | awk -v rate=$RATE -v len=132300 -v whole="${1:-}" '
        function away(j, c) { return s[j] - peak * tone[((j - c) % 882 + 882) % 882] }
        { s[++n] = $1 + 0; if (!first && s[n] != 0) first = n }
        END { if (!first || n < first + len + 882 || !whole) { printf "%d %d\n", first, n; exit }
              for (m = 0; m < 882; m++) tone[m] = sin(2 * 3.14159265358979 * 11 * m / 882)
              for (j = first; j < first + 1764; j++) { a = s[j] < 0 ? -s[j] : s[j]; if (a > peak) peak = a }
              for (c = 0; c < 882; c++) {
                  e = 0; for (j = first; j < first + 1764; j += 7) { d = away(j, c); e += d * d }
                  if (best == "" || e < best) { best = e; phase = c } }
              start = first - 1 - ((first - 1 - phase) % 882 + 882) % 882
              for (j = first; j < start + len; j++) { d = away(j, start); if (d < 0) d = -d; if (d > worst) worst = d }
              printf "%d %d %.0f %.0f\n", first - 1 - start, n, worst, peak / 100 + 2 }'
}
album_over() { read -r first heard < <(heard_album) && [ "$first" -gt 0 ] && [ "$heard" -gt $((first + 133182)) ]; }
poll_seconds 15 album_over || fail "the album was not heard to its end within 15 s (heard: $(heard_album))"
stop_pid "$PAREC_PID"
PAREC_PID=""
read -r lost _ worst allowed < <(heard_album whole)
echo "the album: its frames stray at most $worst from the tone, where rounding allows $allowed; $lost lost at its start"
[ "$worst" -le "$allowed" ] || fail "the album strayed $worst from the tone (a gap, a lost or a doubled frame)"

# --- Close by the close box: the player ends by itself with status 0.
close_player "$EXIT_X" "$EXIT_Y"

# --- The shown window and the two rows left are saved.
ini="$HOME_DIR/Data/Options.ini"
m3u="$HOME_DIR/Data/Default.m3u"
[ -f "$m3u" ] || fail "no Data/Default.m3u after the close"
tr -d '\r' <"$ini" | awk '/^\[/ { in_list = ($0 == "[PlayList]") } in_list && $0 == "Show=1" { found = 1 }
    END { exit !found }' || fail "Options.ini has no Show=1 in [PlayList]"
m3u_paths "$m3u" >"$WORK/paths.txt"
printf '%s\n' "$WORK/tone660.wav" "$WORK/tone990.wav" "$WORK"/piece{29017,77411,132300}.flac |
    cmp -s - "$WORK/paths.txt" ||
    fail "Default.m3u holds $(tr '\n' ' ' <"$WORK/paths.txt"), not the second and third tones and the album in order"
echo "playlist_double_click: PASS"
