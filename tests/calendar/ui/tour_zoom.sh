#!/usr/bin/env bash
# tour_zoom.sh VELK GRAB_SCREEN OUTDIR PLAN_TOUR_FILL
#
# The drawn views zoomed, on a virtual X display of 1280 x 900: after a first start
# plan_tour_fill stores resources, bookings, this month's appointments and birthdays.  The
# second start fills the frame with the month planner alone and fits it to the window ("Ansicht >
# An Fenster anpassen"), then the occupancy plan, fitted too and brought to today with Alt+Home.
# VELK.INI then keeps both zooms.  A third start does the planner at twice the pixels
# (QT_SCALE_FACTOR=2).  Screenshots go to OUTDIR: planner-fit.png, occupancy-today.png,
# planner-fit-scale2.png.
set -euo pipefail

[ $# -eq 4 ] || { echo "usage: $0 VELK GRAB_SCREEN OUTDIR PLAN_TOUR_FILL" >&2; exit 2; }
VELK=$1 GRAB=$2 OUT=$3 FILL=$4 CHECK=
TOUR_SCREEN=1280x900x24
. "$(dirname "$0")/../../app/tour_lib.sh"

YEAR=$(date +%Y) MONTH=$((10#$(date +%m)))

first_start
quit_and_check
"$FILL" "$DB/datadict" "$YEAR" "$MONTH" || fail "plan_tour_fill could not fill the database"

login() { # extra arguments: environment settings of the program
    env "$@" "$VELK" >>"$OUT/velk.log" 2>&1 &
    PID=$!
    local win
    win=$(wait_window "Anmeldung") || fail "no login dialog"
    type_into "$win" "root"
    keys "$win" Return
    frame=$(wait_window "$NAME") || fail "no main frame"
    # The whole screen, as a maximised window on a desktop of 1280 x 900.
    xdotool windowmove --sync "$frame" 0 0 windowsize --sync "$frame" 1280 900
    sleep 0.5
}
# "Fenster > Nebeneinander": the one open view fills the client area.
tile() { keys "$frame" alt+a Escape Right Right Down Down Down Return; sleep 0.5; }
fit() { keys "$frame" alt+a f; sleep 0.5; }              # Ansicht > An Fenster anpassen
close_all() { keys "$frame" alt+a Escape Right Right Down Down Down Down Down Return; sleep 0.3; }

login
keys "$frame" alt+a m                                    # Ansicht > Monatsplan
tile
fit
"$GRAB" "$OUT/planner-fit.png"
close_all
keys "$frame" alt+a b                                    # Ansicht > Belegung
tile
fit
keys "$frame" alt+Home                                   # Heute
sleep 0.5
"$GRAB" "$OUT/occupancy-today.png"
quit_and_check
grep -q '^ZoomMonatsplan=[0-9]' "$XDG_CONFIG_HOME/VELK.INI" ||
    fail "VELK.INI keeps no zoom of the month planner"
grep -q '^ZoomBelegung=[0-9]' "$XDG_CONFIG_HOME/VELK.INI" ||
    fail "VELK.INI keeps no zoom of the occupancy plan"
grep '^Zoom' "$XDG_CONFIG_HOME/VELK.INI" >"$OUT/zoom.txt"

login QT_SCALE_FACTOR=2
keys "$frame" alt+a m
tile
fit
"$GRAB" "$OUT/planner-fit-scale2.png"
quit_and_check
