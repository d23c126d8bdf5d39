#!/usr/bin/env bash
# tour_booking.sh VELK GRAB_SCREEN OUTDIR PLAN_TOUR_FILL PLAN_TOUR_FIND
#
# A double booking as a user makes it, on a virtual X display: a first start creates the
# database; plan_tour_fill stores three resources and the bus's "Ausflug" on 3 and 4 January of
# this year.  The second start opens "Ansicht > Belegung" and drags over 2 to 5 January on the
# bus's row; OK in the appointment dialog asks whether to store anyway, naming the "Ausflug".
# "Nein" keeps the dialog open and stores nothing, "Ja" stores the booking.  Screenshots go to
# OUTDIR (double-booking.png is the question).
set -euo pipefail

[ $# -eq 5 ] || { echo "usage: $0 VELK GRAB_SCREEN OUTDIR PLAN_TOUR_FILL PLAN_TOUR_FIND" >&2; exit 2; }
VELK=$1 GRAB=$2 OUT=$3 FILL=$4 FIND=$5 CHECK=
. "$(dirname "$0")/../../app/tour_lib.sh"

YEAR=$(date +%Y)

first_start
quit_and_check
"$FILL" "$DB/datadict" "$YEAR" 1 || fail "plan_tour_fill could not fill the database"

env "$VELK" >>"$OUT/velk.log" 2>&1 &
PID=$!
win=$(wait_window "Anmeldung") || fail "no login dialog"
type_into "$win" "root"
keys "$win" Return
gone_window "Anmeldung" || fail "login dialog stays open"
frame=$(wait_window "$NAME") || fail "no main frame"

keys "$frame" alt+a b                                    # Ansicht > Belegung
keys "$frame" alt+a Escape Right Right Down Down Down Return # Fenster > Nebeneinander
sleep 0.5
"$GRAB" "$OUT/1-belegung.png"
read -r X Y U H < <("$FIND" "$OUT/1-belegung.png") || fail "no occupancy plan on the screen"
cellx() { echo $((X + 2 * U * ($1 - 1) + U)); }
celly() { echo $((Y + H * $1 + H / 2)); }

# Rows: 0 BEAMER, 1 BUS, 2 SAAL.  From 2 to 5 January on the bus, over its "Ausflug".
xdotool mousemove "$(cellx 2)" "$(celly 1)" mousedown 1
xdotool mousemove "$(cellx 3)" "$(celly 1)" sleep 0.2 mousemove "$(cellx 5)" "$(celly 1)" sleep 0.3
xdotool mouseup 1
dialog=$(wait_window "Termin") || fail "the drag opened no appointment dialog"
# From the start day through the ten date and time fields and the two calendar buttons to "Bez.".
keys "$dialog" Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab
type_into "$dialog" "Umzug"
"$GRAB" "$OUT/2-termin.png"

# The message box carries the program's name, as the frame does: the visible one that is not it.
question() {
    local id
    for _ in $(seq 150); do
        for id in $(xdotool search --onlyvisible --name "^$NAME\$" 2>/dev/null); do
            [ "$id" != "$frame" ] && { echo "$id"; return 0; }
        done
        sleep 0.2
    done
    return 1
}

keys "$dialog" Return                                    # OK
box=$(question) || fail "OK over a booked bus asked nothing"
sleep 0.3
"$GRAB" "$OUT/double-booking.png"
keys "$box" alt+n                                        # Nein
sleep 0.5
xdotool search --onlyvisible --name "^Termin\$" >/dev/null 2>&1 ||
    fail "after Nein the appointment dialog is gone"
LC_ALL=C grep -qa "Umzug" "$DB/TERMIN.dat" && fail "after Nein the booking was stored"
"$GRAB" "$OUT/3-nein.png"

keys "$dialog" Return                                    # OK again
box=$(question) || fail "the second OK asked nothing"
keys "$box" alt+j                                        # Ja
gone_window "Termin" || fail "after Ja the appointment dialog stays open"
LC_ALL=C grep -qa "Umzug" "$DB/TERMIN.dat" || fail "after Ja the booking was not stored"
sleep 0.5
"$GRAB" "$OUT/4-ja.png"
quit_and_check
