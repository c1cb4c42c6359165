# Starting the player with its playlist window shown, and finding and measuring that window, for
# whole-program scripts. Source it after lib/headless.sh.

# A home folder whose settings show the playlist window, for a player on the session's display
# and sound server. Sets HOME_DIR and exports VEXO_HOME.
home_showing_playlist() {
    HOME_DIR="$WORK/home"
    mkdir -p "$HOME_DIR/Plugins" "$HOME_DIR/Data"
    printf '[PlayList]\r\nShow=1\r\n' >"$HOME_DIR/Data/Options.ini"
    export VEXO_HOME="$HOME_DIR" VEXO_AUDIO=pulse QT_QPA_PLATFORM=xcb
}

# Sets LIST_WID to the player's visible playlist window, found by its title.
find_list_window() {
    local wid
    LIST_WID=""
    for wid in $(xdotool search --onlyvisible --pid "$PLAYER_PID" 2>/dev/null); do
        case "$(xdotool getwindowname "$wid" 2>/dev/null)" in
        PlayList | "PlayList — Vexo MP")
            LIST_WID="$wid"
            return 0
            ;;
        esac
    done
    return 1
}

# Sets X, Y, WIDTH and HEIGHT of window $1.
geometry_of() {
    eval "$(xdotool getwindowgeometry --shell "$1" | grep -E "^(X|Y|WIDTH|HEIGHT)=[0-9-]+$")"
}

# The paths of a saved M3U file, one a line, without its comment lines.
m3u_paths() {
    tr -d '\r' <"$1" | grep -v '^#' | grep -v '^$'
}
