#!/usr/bin/env bash
# tour_week.sh VELK GRAB_SCREEN OUTDIR VELK_CHECK TOUR_FILL
#
# The week calendar and the appointment list as a new user meets them, on a virtual X display:
# the first start creates the database and logs in as root; two persons with birthdays at the
# year's end are typed into the address book; another copy (tour_fill) stores appointments and
# tasks beside the running program.  The week calendar opens on today's week and is moved with
# the tool bar arrow to the week of 28 December, which shows the birthdays, the appointments in
# start order, the task, and "Neujahr" on 1 January; a second week calendar and the appointment
# list open beside it; "Löschen" takes an appointment out of the week.  Screenshots go to OUTDIR.
set -euo pipefail

[ $# -eq 5 ] || { echo "usage: $0 VELK GRAB_SCREEN OUTDIR VELK_CHECK TOUR_FILL" >&2; exit 2; }
VELK=$1 GRAB=$2 OUT=$3 CHECK=$4 FILL=$5
. "$(dirname "$0")/../../app/tour_lib.sh"

first_start

# --- persons with birthdays, through "Eingaben > Person ..." ----------------------------
new_person() { # ID NAME FIRSTNAME DAY MONTH YEAR
    keys "$frame" alt+e Down Return # "Eingaben > Person ..."
    local dlg
    dlg=$(wait_window "Person") || fail "no person dialog"
    type_into "$dlg" "$1"; keys "$dlg" Tab; type_into "$dlg" "$2"; keys "$dlg" Tab
    type_into "$dlg" "$3"; keys "$dlg" Tab; type_into "$dlg" "$4"; keys "$dlg" Tab
    type_into "$dlg" "$5"; keys "$dlg" Tab; type_into "$dlg" "$6"
    keys "$dlg" Return
    gone_window "Person" || fail "person dialog stays open after OK"
}
new_person mm "Müller" "Maria" 28 12 1960
new_person ab "Berg" "Anna" 1 1 1985

# --- appointments and tasks from another copy ---------------------------------------------
YEAR=$(date +%Y)
"$FILL" "$DB" "$YEAR" || fail "tour_fill could not store the appointments"

# --- the week calendar: today's week, then forward to the week of 28 December ---------------
monday() { # the Monday of the week a date opens (a Sunday opens the following week)
    local dow
    dow=$(date -d "$1" +%u)
    if [ "$dow" = 7 ]; then date -d "$1 +1 day" +%F; else date -d "$1 -$((dow - 1)) days" +%F; fi
}
from=$(monday "$(date +%F)")
target=$(monday "$YEAR-12-28")
moves=$(( ($(TZ=UTC date -d "$target" +%s) - $(TZ=UTC date -d "$from" +%s)) / 604800 ))

# A maximised view names itself in the frame's title, where xdotool can see it.
wait_view() { wait_window "$NAME - \\[$1\\]" >/dev/null; }

keys "$frame" alt+a w
sleep 0.5
xdotool mousemove --window "$frame" 300 62 click --repeat 2 --delay 100 1   # maximise it
wait_view "Wochenkalender" || fail "no week calendar"
"$GRAB" "$OUT/1-week-today.png"
# The tool bar's right arrow, the second button under the menu bar.
for _ in $(seq "$moves"); do
    xdotool mousemove --window "$frame" 45 35 click 1
done
caption="Wochenkalender $(date -d "$target" +%-d.%-m.%Y)"
wait_view "$caption" || fail "the arrow did not move the week to '$caption'"
"$GRAB" "$OUT/2-week-of-new-year.png"

# --- a second week calendar and the appointment list from today --------------------------------
keys "$frame" alt+a w
wait_view "Wochenkalender" || fail "no second week calendar"
keys "$frame" alt+a a Return
wait_view "Terminlist $(date +%-d.%-m.%Y)" || fail "no appointment list"
"$GRAB" "$OUT/3-appointment-list.png"
keys "$frame" alt+a Escape Right Right Down Down Down Return   # Fenster > Nebeneinander
sleep 0.5
"$GRAB" "$OUT/4-side-by-side.png"

# "Löschen" on Monday's "08:30 - Frühstück" in the moved week: gone at once, without a question.
xdotool mousemove --window "$frame" 60 110 click 1
keys "$frame" alt+b l
sleep 0.5
"$GRAB" "$OUT/5-after-loeschen.png"

quit_and_check
echo "tour_week: screenshots in $OUT"
