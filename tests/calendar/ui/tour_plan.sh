#!/usr/bin/env bash
# tour_plan.sh VELK GRAB_SCREEN OUTDIR PLAN_TOUR_FILL PLAN_TOUR_FIND
#
# The month planner and the occupancy plan as a new user meets them, on a virtual X display: a
# first start creates the database; plan_tour_fill then stores three resources, bookings (one
# across the end of this year), appointments of this month and two birthdays; the second start
# opens "Ansicht > Belegung", books a resource by dragging over days (the appointment dialog,
# where the program has one, stores it), double-clicks a day number for the selection list,
# scrolls to December and opens "Ansicht > Monatsplan".  A third start does the same at twice
# the pixels (QT_SCALE_FACTOR=2).  Screenshots go to OUTDIR.
set -euo pipefail

[ $# -eq 5 ] || { echo "usage: $0 VELK GRAB_SCREEN OUTDIR PLAN_TOUR_FILL PLAN_TOUR_FIND" >&2; exit 2; }
VELK=$1 GRAB=$2 OUT=$3 FILL=$4 FIND=$5 CHECK=
. "$(dirname "$0")/../../app/tour_lib.sh"

YEAR=$(date +%Y) MONTH=$((10#$(date +%m)))
: >"$OUT/notes.txt"

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
}
# "Fenster > Nebeneinander": the open views share the client area.
tile() { keys "$frame" alt+a Escape Right Right Down Down Down Return; sleep 0.5; }

# --- the occupancy plan at 96 dpi ----------------------------------------------------------
login
keys "$frame" alt+a b                                    # Ansicht > Belegung
tile
"$GRAB" "$OUT/1-belegung.png"
read -r X Y U H < <("$FIND" "$OUT/1-belegung.png") || fail "no occupancy plan on the screen"
echo "plan at $X,$Y; U $U, H $H" >"$OUT/plan-geometry.txt"
# Day d of January on resource row j (0 BEAMER, 1 BUS, 2 SAAL): the middle of its cell.
cellx() { echo $((X + 2 * U * ($1 - 1) + U)); }
celly() { echo $((Y + H * $1 + H / 2)); }

# A drag over 12 to 15 January on the bus's row: the rubber band, then the new booking.
xdotool mousemove "$(cellx 12)" "$(celly 1)" mousedown 1
xdotool mousemove "$(cellx 13)" "$(celly 1)" sleep 0.2 mousemove "$(cellx 15)" $(($(celly 1) + H / 3)) sleep 0.3
"$GRAB" "$OUT/2-ziehen.png"
xdotool mouseup 1
dialog=
for _ in $(seq 15); do
    dialog=$(xdotool search --onlyvisible --name "^Termin\$" 2>/dev/null | tail -1) || true
    [ -n "$dialog" ] && break
    sleep 0.2
done
if [ -n "$dialog" ]; then
    "$GRAB" "$OUT/3-termin.png"
    keys "$dialog" Return
    gone_window "Termin" || fail "the appointment dialog stays open"
    "$GRAB" "$OUT/3-gebucht.png"
    LC_ALL=C grep -qa "${YEAR}0112" "$DB/TERMIN.dat" || fail "the dragged booking was not stored"
else
    echo "tour_plan: no appointment dialog in this program yet; the drag opened nothing" \
        >>"$OUT/notes.txt"
fi

# A double click on the number of 30 January: the selection list of that day.
xdotool mousemove "$(cellx 30)" $((Y - H / 2)) click --repeat 2 --delay 80 1
list=$(wait_window "30\\. 1\\.$YEAR") || fail "no selection list for 30 January"
"$GRAB" "$OUT/4-auswahlliste.png"
keys "$list" Escape
gone_window "30\\. 1\\.$YEAR" || fail "the selection list stays open"

# Down to November and December by the wheel (three cells a notch): the booking across the
# year's end on SAAL.
xdotool mousemove "$(cellx 10)" "$(celly 1)" click --repeat 20 --delay 20 5
sleep 0.5
"$GRAB" "$OUT/5-dezember.png"

# The tool bar's right arrow (1002): the next year, with the rest of that booking in January.
geometry=$(xdotool getwindowgeometry --shell "$frame")
FX=$(sed -n 's/^X=//p' <<<"$geometry") FY=$(sed -n 's/^Y=//p' <<<"$geometry")
xdotool mousemove $((FX + 45)) $((FY + 35)) click 1
xdotool mousemove "$(cellx 10)" "$(celly 1)" click --repeat 25 --delay 20 4
sleep 0.5
"$GRAB" "$OUT/5-naechstes-jahr.png"
read -r X Y U H < <("$FIND" "$OUT/5-naechstes-jahr.png") || fail "the plan of the next year is not shown"

# The month planner beside it.
keys "$frame" alt+a m                                    # Ansicht > Monatsplan
tile
"$GRAB" "$OUT/6-monatsplan.png"
quit_and_check

# --- both at twice the pixels ----------------------------------------------------------------
login QT_SCALE_FACTOR=2
keys "$frame" alt+a m
tile
"$GRAB" "$OUT/7-monatsplan-192dpi.png"
keys "$frame" alt+a Escape Right Right Down Down Down Down Down Return # Alle Schließen
keys "$frame" alt+a b
tile
"$GRAB" "$OUT/8-belegung-192dpi.png"
quit_and_check
