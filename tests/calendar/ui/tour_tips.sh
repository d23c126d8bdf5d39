#!/usr/bin/env bash
# tour_tips.sh VELK GRAB_SCREEN OUTDIR TOUR_FILL PLAN_TOUR_FILL PLAN_TOUR_FIND
#
# Tooltips and "Heute" as a user meets them, on a virtual X display: a first start creates the
# database; tour_fill and plan_tour_fill store appointments (one today), tasks, resources and
# bookings.  The second start opens the week calendar, steps a week back with the tool bar arrow
# and comes back with "Heute" (Alt+Pos1): today's heading is marked.  The pointer resting on
# today's first line shows its tooltip; in the occupancy plan, resting on the booking "Messe"
# shows the booking's.  Screenshots go to OUTDIR.
set -euo pipefail

[ $# -eq 6 ] || {
    echo "usage: $0 VELK GRAB_SCREEN OUTDIR TOUR_FILL PLAN_TOUR_FILL PLAN_TOUR_FIND" >&2
    exit 2
}
VELK=$1 GRAB=$2 OUT=$3 FILL=$4 PLAN_FILL=$5 FIND=$6 CHECK=
# The screen as large as the frame opens: the pictures show the program and nothing around it.
TOUR_SCREEN=${TOUR_SCREEN:-900x640x24}
. "$(dirname "$0")/../../app/tour_lib.sh"

YEAR=$(date +%Y) MONTH=$((10#$(date +%m)))
first_start
quit_and_check
"$PLAN_FILL" "$DB/datadict" "$YEAR" "$MONTH" || fail "plan_tour_fill could not fill the database"
"$FILL" "$DB" "$YEAR" || fail "tour_fill could not store the appointments"

env "$VELK" >>"$OUT/velk.log" 2>&1 &
PID=$!
win=$(wait_window "Anmeldung") || fail "no login dialog"
type_into "$win" "root"
keys "$win" Return
frame=$(wait_window "$NAME") || fail "no main frame"

# The program's visible windows: a tooltip is one more.
windows() { xdotool search --onlyvisible --pid "$PID" 2>/dev/null | wc -l; }
# Rests the pointer at a screen point (after a small move there, which starts Qt's tip timer)
# until a tooltip window shows.
rest_for_tip() { # X Y WHAT
    local before; before=$(windows)
    xdotool mousemove "$1" "$2" sleep 0.3 mousemove $(($1 + 3)) "$2"
    for _ in $(seq 25); do
        [ "$(windows)" -gt "$before" ] && { sleep 0.3; return 0; }
        sleep 0.2
    done
    fail "no tooltip over $3"
}

# A maximised view names itself in the frame's title, where xdotool can see it.
wait_view() { wait_window "$NAME - \\[$1\\]" >/dev/null; }
# The Monday of the week a date lies in, a Sunday included (where "Heute" goes).
monday() { local dow; dow=$(date -d "$1" +%u); date -d "$1 -$((dow - 1)) days" +%F; }
caption() { echo "Wochenkalender $(date -d "$1" +%-d.%-m.%Y)"; }

# --- the week calendar: a week back, then "Heute" ---------------------------------------------
keys "$frame" alt+a w
sleep 0.5
xdotool mousemove --window "$frame" 300 62 click --repeat 2 --delay 100 1   # maximise it
wait_view "Wochenkalender" || fail "no week calendar"
xdotool mousemove --window "$frame" 20 35 click 1                          # the left arrow
this=$(monday "$(date +%F)")
# The menu opens on a Sunday the week after it, and the arrow comes back to today's week.
opened=$this
[ "$(date +%u)" != 7 ] || opened=$(date -d "$this +7 days" +%F)
wait_view "$(caption "$opened -7 days")" || fail "the arrow did not move the week back"
keys "$frame" alt+Home
wait_view "$(caption "$this")" || fail "Heute did not bring today's week"
xdotool mousemove --window "$frame" 5 5
sleep 0.5
"$GRAB" "$OUT/week-today.png"

# The pointer on the first line of today's pane: Monday to Thursday on the left, a quarter of
# the client each, Friday to Sunday on the right.  The client lies between the tool bar (its
# top 50 pixels below the frame's) and the status bar (26 pixels high); a line is 22 pixels
# below its pane's top.
geometry=$(xdotool getwindowgeometry --shell "$frame")
FW=$(sed -n 's/^WIDTH=//p' <<<"$geometry") FH=$(sed -n 's/^HEIGHT=//p' <<<"$geometry")
pane=$(($(date +%u) - 1))
quarter=$(((FH - 50 - 26) / 4))
lx=$((60 + (pane / 4) * FW / 2)) ly=$((50 + 22 + (pane % 4) * quarter))
FX=$(sed -n 's/^X=//p' <<<"$geometry") FY=$(sed -n 's/^Y=//p' <<<"$geometry")
rest_for_tip $((FX + lx)) $((FY + ly)) "today's first line"
"$GRAB" "$OUT/tooltip.png"

# --- the occupancy plan: the pointer on the booking "Messe" of SAAL, 30 January on ----------
keys "$frame" alt+a b
wait_view "Belegung $YEAR" || fail "no occupancy plan"
xdotool mousemove --window "$frame" 5 5
sleep 0.5
"$GRAB" "$OUT/belegung.png"
read -r X Y U H < <("$FIND" "$OUT/belegung.png") || fail "no occupancy plan on the screen"
rest_for_tip $((X + 2 * U * 30 + U)) $((Y + 2 * H + H / 2)) "the booking Messe"
"$GRAB" "$OUT/tooltip-plan.png"

quit_and_check
echo "tour_tips: screenshots in $OUT"
