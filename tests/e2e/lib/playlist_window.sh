# Finding and measuring the player's playlist window, for whole-program scripts. Source it after
# lib/headless.sh, once PLAYER_PID is set.

# Polls a command every 0.1 s for at most $1 tenths of a second.
poll() {
    local tries="$1"
    shift
    for _ in $(seq "$tries"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
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
