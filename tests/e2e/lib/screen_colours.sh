# Finding a player's window by its size and counting colours in grabbed pictures, for
# whole-program scripts. Source it after lib/headless.sh.

# count FILE "R G B": the pixels of exactly that colour in a picture grabbed as raw RGB.
count() {
    od -An -tu1 -v "$1" | tr -s ' ' '\n' | awk -v want="$2" '
        NF { c[n++ % 3] = $1 } n % 3 == 0 && n { if (c[0] " " c[1] " " c[2] == want) k++ }
        END { print k + 0 }'
}

# find_window_sized WIDTHxHEIGHT: sets FOUND_WID to the player's visible window of that size, and X
# and Y to its place; fails when there is none.
find_window_sized() {
    local wid
    for wid in $(xdotool search --onlyvisible --pid "$PLAYER_PID" 2>/dev/null); do
        xdotool getwindowgeometry "$wid" 2>/dev/null | grep -q "Geometry: $1" || continue
        FOUND_WID="$wid"
        eval "$(xdotool getwindowgeometry --shell "$wid" | grep -E '^(X|Y)=')"
        return 0
    done
    return 1
}
