#!/usr/bin/env bash
# A user plays a tone and handles the main window with the real mouse and keyboard: wheel notches
# over the title, the equalizer button and the bare ground turn the tone down as heard on a private
# PulseAudio null sink; resting on the volume and balance bars shows hints that carry their values
# and follow the wheel; a paused track is seeked on the seek bar, the time on the screen moves and
# Play goes on from there; the add-files box goes dark after its dialog is cancelled; on the keyboard
# V stops, X plays, Right seeks on, Up turns the tone up, Space pauses and goes on, the Stop media key stops.
#
# Usage: main_window_input.sh PATH-TO-vexo-mp
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
RATE=44100
# Window coordinates of what the user points at.
PLAY_X=46 PAUSE_X=70 OPEN_X=143 BUTTON_Y=110
TITLE_X=30 TITLE_Y=15
EQ_X=47 EQ_Y=64
GROUND_X=120 GROUND_Y=40
VOLUME_X=220 VOLUME_Y=102
BALANCE_X=200 BALANCE_Y=116
# The balance bar starts at x 165: x 20 on it pans to -0.6, x 52 back to the centre.
BALANCE_LEFT_X=185 BALANCE_CENTRE_X=217
# The seek bar starts at x 10 and is 302 wide: its pixel 226 is three quarters into the track.
SEEK_X=236 SEEK_Y=81
EXIT_X=307 EXIT_Y=14

source "$(dirname "$0")/lib/headless.sh"
[ -x "$BIN" ] || fail "no player at $BIN"
require_tools Xvfb xdotool xwininfo pulseaudio pactl parec ffmpeg od awk timeout
begin_session vexo-e2e

start_xvfb
start_pulse e2e

# 440 Hz for the first 20 s, 880 Hz for the last 20: what is heard tells where the track stands.
ffmpeg -v error -f lavfi -i "aevalsrc=0.5*sin(2*PI*if(lt(t\,20)\,440\,880)*t):s=$RATE:d=40" -ac 2 \
    "$WORK/tone.wav" || fail "ffmpeg could not make the tone"
HOME_DIR="$WORK/home"
mkdir -p "$HOME_DIR/Plugins"
export VEXO_HOME="$HOME_DIR" VEXO_AUDIO=pulse QT_QPA_PLATFORM=xcb

(cd "$WORK" && exec "$BIN" tone.wav) >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
wait_for_main_window 320x135
eval "$(xdotool getwindowgeometry --shell "$WID")"

pointer() { xdotool mousemove --window "$WID" "$1" "$2"; }
click_at() { xdotool mousemove --window "$WID" "$1" "$2" click 1; }

louder_than() { listen && awk -v h="$HEARD" -v l="$1" 'BEGIN { exit !(h > l) }'; }
quieter_than() { listen && awk -v h="$HEARD" -v l="$1" 'BEGIN { exit !(h < l) }'; }
level_near() { listen && awk -v h="$HEARD" -v e="$1" 'BEGIN { d = h - e; exit !(d < 0.3 && d > -0.3) }'; }
hearing_880() { listen && awk -v a="$AT440" -v b="$AT880" 'BEGIN { exit !(b > a + 20) }'; }

# --- The hint window: the player's one small window on the screen beside the main window. Sets HINT_W.
HINT_W=0
hint_shown() {
    local wid w h
    for wid in $(xdotool search --onlyvisible --pid "$PLAYER_PID" 2>/dev/null); do
        [ "$wid" = "$WID" ] && continue
        eval "$(xdotool getwindowgeometry --shell "$wid" | grep -E '^(WIDTH|HEIGHT)=' | sed 's/^/w_/')"
        w="$w_WIDTH" h="$w_HEIGHT"
        [ "$h" -lt 60 ] && { HINT_W="$w"; return 0; }
    done
    return 1
}
hint_wider_than() { hint_shown && [ "$HINT_W" -gt "$1" ]; }
# Rests the pointer at $1, $2 after a small move onto it, as a hand does.
rest_at() {
    pointer "$(($1 - 2))" "$2"
    pointer "$1" "$2"
}

# --- Play: the tone is heard.
click_at "$PLAY_X" "$BUTTON_Y"
poll 100 louder_than -20 || fail "the tone was not heard after Play (${HEARD} dB)"
# That capture may hold the moment the tone began: the full level is read from a whole one.
listen
FULL="$HEARD"
echo "heard after Play: ${FULL} dB"

# --- Resting on the volume bar shows its value, with the keyboard on the desktop; wheel notches
# there change the shown value (from three digits to two: a narrower hint).
xdotool windowfocus "$(xwininfo -root | awk '/Window id:/ { print $4 }')"
poll 50 eval '[ "$(xdotool getwindowfocus)" != "$WID" ]' || fail "the desktop did not take the keyboard"
# The player learns of the lost focus a moment later, which calls off a hint on its way: rest anew.
rested_hint() { rest_at "$VOLUME_X" "$VOLUME_Y" && poll 20 hint_shown; }
poll_seconds 15 rested_hint || fail "no hint over the volume bar of the inactive player"
AT_100="$HINT_W"
hint_narrower_than() { hint_shown && [ "$HINT_W" -lt "$1" ]; }
xdotool click --repeat 10 --delay 15 5
poll 50 hint_narrower_than "$AT_100" || fail "the volume hint did not follow the wheel from 100 % to 90 % (width $AT_100, then $HINT_W)"
echo "the volume hint follows the wheel: $AT_100 px wide at 100 %, $HINT_W px at 90 %"

# --- Ten more notches down over each of the title, the equalizer button and the bare ground: 60 %.
# A track starts at the volume bar's value, 100 %, so that is what was heard first.
for spot in "$TITLE_X $TITLE_Y" "$EQ_X $EQ_Y" "$GROUND_X $GROUND_Y"; do
    # shellcheck disable=SC2086
    pointer $spot
    xdotool click --repeat 10 --delay 15 5
done
EXPECTED="$(awk -v f="$FULL" 'BEGIN { print f + 20 * log(60 / 100) / log(10) }')"
poll 100 level_near "$EXPECTED" ||
    fail "wheel notches over the window did not bring ${FULL} dB to ${EXPECTED} dB (heard ${HEARD} dB)"
echo "30 notches down over title, equalizer button and ground: ${HEARD} dB"

# --- Resting on the balance bar shows the pan; after a click that pans left it shows the new one.
rest_at "$BALANCE_X" "$BALANCE_Y"
poll 100 hint_shown || fail "no hint over the balance bar"
AT_CENTRE="$HINT_W"
click_at "$BALANCE_LEFT_X" "$BALANCE_Y"
rest_at "$BALANCE_LEFT_X" "$BALANCE_Y"
poll 100 hint_wider_than "$AT_CENTRE" || fail "the balance hint did not show the new pan (width $AT_CENTRE, then $HINT_W)"
echo "the balance hint shows the pan: $AT_CENTRE px wide at 0, $HINT_W px at -0.6"
click_at "$BALANCE_CENTRE_X" "$BALANCE_Y"

# --- Pause, seek three quarters in: the time on the screen moves while paused, and Play goes on
# from there, in the track's 880 Hz half.
click_at "$PAUSE_X" "$BUTTON_Y"
poll 100 quieter_than -60 || fail "the tone went on after Pause (${HEARD} dB)"
grab_box 8 30 73 20 "$WORK/time1.rgb"
click_at "$SEEK_X" "$SEEK_Y"
time_moved() {
    grab_box 8 30 73 20 "$WORK/time2.rgb"
    ! cmp -s "$WORK/time1.rgb" "$WORK/time2.rgb"
}
poll 50 time_moved || fail "the time on the screen did not move after a seek while paused"
echo "a seek while paused moves the time on the screen"
click_at "$PLAY_X" "$BUTTON_Y"
poll 100 hearing_880 || fail "Play after the seek did not go on three quarters in (440 Hz ${AT440} dB, 880 Hz ${AT880} dB)"
echo "Play goes on from the seeked place"

# --- The add-files box is lit while its dialog is open and goes dark after Escape cancels it. A
# click on the equalizer button then grows the window and paints every box afresh, so the screen
# shows the box's state and not what stood there before the dialog covered it.
click_at "$OPEN_X" "$BUTTON_Y"
# The dialog has the keyboard, so the Escape key goes to it.
dialog_open() {
    case "$(xdotool getwindowname "$(xdotool getwindowfocus 2>/dev/null)" 2>/dev/null)" in
    "Открыть файл"*) return 0 ;;
    esac
    return 1
}
poll 100 dialog_open || fail "no files dialog after a click on the add-files box"
# The dialog opens over the main window; moved aside, it leaves the box in sight, lit meanwhile.
xdotool windowmove "$(xdotool getwindowfocus)" 400 300
open_lit() {
    grab_box 132 100 22 20 "$WORK/open.rgb"
    [ "$(inked_pixels "$WORK/open.rgb")" -gt 10 ]
}
poll 50 open_lit || fail "the add-files box is not lit while its dialog is open"
xdotool key Escape
poll 50 eval '! dialog_open' || fail "Escape did not close the files dialog"
click_at "$EQ_X" "$EQ_Y"
poll 50 eval 'xdotool getwindowgeometry "$WID" | grep -q "Geometry: 320x178"' || fail "the equalizer button did not grow the window"
open_dark() {
    grab_box 132 100 22 20 "$WORK/open.rgb"
    [ "$(inked_pixels "$WORK/open.rgb")" -eq 0 ]
}
poll 50 open_dark || fail "the add-files box stayed lit after its dialog was cancelled"
echo "the add-files box goes dark after its dialog"

# --- The keyboard on the focused window: V stops, X plays from the start (440 Hz), four times Right
# seeks 20 s on (880 Hz), ten times Up turns 60 % into 70 %, Space pauses and goes on, the media
# key Stop stops.
xdotool windowfocus "$WID"
xdotool key v
poll 100 quieter_than -60 || fail "V did not stop the tone (${HEARD} dB)"
xdotool key x
poll 100 eval 'louder_than -20 && awk -v a="$AT440" -v b="$AT880" "BEGIN { exit !(a > b + 20) }"' ||
    fail "X did not play the track from its start (440 Hz ${AT440} dB, 880 Hz ${AT880} dB)"
xdotool key --delay 50 Right Right Right Right
poll 100 hearing_880 || fail "Right did not seek 20 s on (440 Hz ${AT440} dB, 880 Hz ${AT880} dB)"
xdotool key --delay 20 Up Up Up Up Up Up Up Up Up Up
EXPECTED="$(awk -v f="$FULL" 'BEGIN { print f + 20 * log(70 / 100) / log(10) }')"
poll 100 level_near "$EXPECTED" || fail "ten times Up did not turn 60 % into 70 %: ${EXPECTED} dB expected, ${HEARD} dB heard"
xdotool key space
poll 100 quieter_than -60 || fail "Space did not pause (${HEARD} dB)"
xdotool key space
poll 100 louder_than -20 || fail "Space did not go on (${HEARD} dB)"
xdotool key XF86AudioStop
poll 100 quieter_than -60 || fail "the media key Stop did not stop the tone (${HEARD} dB)"
echo "the keys stop, play, seek, turn up, pause, go on and stop"

# --- Close: the volume the keys left is kept.
close_player "$EXIT_X" "$EXIT_Y"
tr -d '\r' <"$HOME_DIR/Data/Options.ini" | grep -qx "Volume=74" || fail "Options.ini does not keep the volume of 70 %"
echo "main_window_input: PASS"
