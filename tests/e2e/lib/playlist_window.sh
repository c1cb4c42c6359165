# Starting the player with its playlist shown, and finding, measuring and clicking the playlist's
# part of the player's window, for whole-program scripts. Source it after lib/headless.sh.

# A home folder whose settings show the playlist, for a player on the session's display
# and sound server. Sets HOME_DIR and exports VEXO_HOME.
home_showing_playlist() {
    HOME_DIR="$WORK/home"
    mkdir -p "$HOME_DIR/Plugins" "$HOME_DIR/Data"
    printf '[PlayList]\r\nShow=1\r\n' >"$HOME_DIR/Data/Options.ini"
    export VEXO_HOME="$HOME_DIR" VEXO_AUDIO=pulse QT_QPA_PLATFORM=xcb
}

# The playlist is part of the player's window, under its main part: 135 px high, 178 with the
# equalizer panel open (a script that opens it, or runs at another scale, sets this).
MAIN_PART_H=135

# Sets LIST_WID to the player's window when it shows the playlist: one window named "Vexo MP",
# taller than its main part.
find_list_window() {
    local wid
    LIST_WID=""
    for wid in $(xdotool search --onlyvisible --pid "$PLAYER_PID" 2>/dev/null); do
        [ "$(xdotool getwindowname "$wid" 2>/dev/null)" = "Vexo MP" ] || continue
        geometry_of "$wid"
        [ "$HEIGHT" -gt "$MAIN_PART_H" ] && { LIST_WID="$wid"; return 0; }
    done
    return 1
}

# Sets X, Y, WIDTH and HEIGHT of the playlist's part of the window $LIST_WID, on the screen.
list_geometry() {
    geometry_of "$LIST_WID" && Y=$((Y + MAIN_PART_H)) HEIGHT=$((HEIGHT - MAIN_PART_H))
}

# list_pointer X Y [XDOTOOL-COMMANDS...]: the pointer to (X, Y) of the playlist's part, then the
# commands (click 1, ...).
list_pointer() {
    local x="$1" y="$2"
    shift 2
    xdotool mousemove --window "$LIST_WID" "$x" $((MAIN_PART_H + y)) "$@"
}

# Sets X, Y, WIDTH and HEIGHT of window $1.
geometry_of() {
    eval "$(xdotool getwindowgeometry --shell "$1" | grep -E "^(X|Y|WIDTH|HEIGHT)=[0-9-]+$")"
}

# The paths of a saved M3U file, one a line, without its comment lines.
m3u_paths() {
    tr -d '\r' <"$1" | grep -v '^#' | grep -v '^$'
}
