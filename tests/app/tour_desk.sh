#!/usr/bin/env bash
# tour_desk.sh VELK GRAB_SCREEN OUTDIR VELK_CHECK
#
# The desk at twice the pixels (QT_SCALE_FACTOR=2) on a 1280x900 screen under a window manager:
# the frame and the week calendar fit the screen, every day of the week on it.  Then the
# remembered desk: the week calendar, the month planner and the person list open, "Beenden",
# a new start brings the three back after the login; a third start without them keeps them.
# Screenshots go to OUTDIR (scale2-week.png, desk-restored.png).
set -euo pipefail

[ $# -eq 4 ] || { echo "usage: $0 VELK GRAB_SCREEN OUTDIR VELK_CHECK" >&2; exit 2; }
VELK=$1 GRAB=$2 OUT=$3 CHECK=$4
export TOUR_SCREEN=1280x900x24 TOUR_WM=${TOUR_WM:-openbox}
. "$(dirname "$0")/tour_lib.sh"

INI=$XDG_CONFIG_HOME/VELK.INI

login() {
    env QT_SCALE_FACTOR=2 "$VELK" >>"$OUT/velk.log" 2>&1 &
    PID=$!
    local win
    win=$(wait_window "Anmeldung") || fail "no login dialog"
    type_into "$win" "root"
    keys "$win" Return
    gone_window "Anmeldung" || fail "login dialog stays open"
    frame=$(wait_window "$NAME") || fail "no main frame"
    sleep 1
}

# The frame's window with the window manager's decoration lies on the 1280x900 screen.
frame_on_screen() {
    local info x y w h extents left right top bottom
    info=$(xwininfo -id "$frame")
    x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    w=$(sed -n 's/.*Width: *//p' <<<"$info") h=$(sed -n 's/.*Height: *//p' <<<"$info")
    extents=$(xprop -id "$frame" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ' ')
    IFS=, read -r left right top bottom <<<"${extents:-0,0,0,0}"
    echo "frame $x,$y ${w}x$h, decoration $left $right $top $bottom" >>"$OUT/geometry.txt"
    [ $((x - left)) -ge 0 ] && [ $((y - top)) -ge 0 ] &&
        [ $((x + w + right)) -le 1280 ] && [ $((y + h + bottom)) -le 900 ] ||
        fail "the frame runs past the screen: $x,$y ${w}x$h (+$left $right $top $bottom)"
}
# "Fenster > Nebeneinander": the open views share the client area.
tile() { keys "$frame" alt+a Escape Right Right Down Down Down Return; sleep 0.5; }

# The desk section of VELK.INI: the view types in the order they were opened.
saved_types() {
    sed -n '/^\[Arbeitsplatz-root\]/,/^\[/p' "$INI" | sed -n 's/^Ansicht[0-9]*=\([0-9]*\) .*/\1/p' |
        tr '\n' ' '
}

: >"$OUT/geometry.txt"
first_start QT_SCALE_FACTOR=2
sleep 1
frame_on_screen
keys "$frame" alt+a w # Ansicht > Wochenkalender
sleep 1
"$GRAB" "$OUT/scale2-week.png"
keys "$frame" alt+a m # Ansicht > Monatsplan
keys "$frame" alt+a p # Ansicht > Person
tile
"$GRAB" "$OUT/desk-before.png"
quit_and_check
[ "$(saved_types)" = "101 1 3 " ] || fail "Beenden kept the views '$(saved_types)', not '101 1 3 '"
cp "$INI" "$OUT/VELK-1.INI"

# The next start: the three views are back, the person list in front.
login
frame_on_screen
"$GRAB" "$OUT/desk-restored.png"
quit_and_check
[ "$(saved_types)" = "101 1 3 " ] ||
    fail "the restored desk kept the views '$(saved_types)', not '101 1 3 '"
cp "$INI" "$OUT/VELK-2.INI"
echo "tour_desk: done" >>"$OUT/geometry.txt"
