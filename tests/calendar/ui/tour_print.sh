#!/usr/bin/env bash
# tour_print.sh VELK GRAB_SCREEN OUTDIR VELK_CHECK TOUR_FILL PLAN_TOUR_FILL PLAN_TOUR_FIND EXCHANGE
#
# "Datei > Druckvorschau..." as a user meets it, on a virtual X display: a first start creates
# the database; plan_tour_fill stores three resources and their bookings (one across the year's
# end), tour_fill the appointments of the week of 28 December with its birthdays' neighbour
# Neujahr.  The week calendar is moved to that week and shown in the print preview (Qt's own
# dialog through the program's host); then the occupancy plan, whose month-range dialog is
# answered with January to June, in the preview of its two quarters; last the selection list of
# 30 January (a double click on its day number) and its own "Drucken...".  Screenshots go to OUTDIR,
# the previews also at 900x640 (velk-preview-*.png, for the user's guide).  Last, velk-exchange
# writes the same week as a PDF, whose first page pdftoppm turns into week-print.png.
set -euo pipefail

[ $# -eq 8 ] || {
    echo "usage: $0 VELK GRAB_SCREEN OUTDIR VELK_CHECK TOUR_FILL PLAN_TOUR_FILL PLAN_TOUR_FIND EXCHANGE" >&2
    exit 2
}
VELK=$1 GRAB=$2 OUT=$3 CHECK=$4 FILL=$5 PLAN_FILL=$6 FIND=$7 EXCHANGE=$8
export TOUR_SCREEN=1280x900x24
. "$(dirname "$0")/../../app/tour_lib.sh"

YEAR=$(date +%Y)
first_start
quit_and_check
"$PLAN_FILL" "$DB/datadict" "$YEAR" 12 || fail "plan_tour_fill could not fill the database"
"$FILL" "$DB" "$YEAR" || fail "tour_fill could not store the appointments"

env "$VELK" >>"$OUT/velk.log" 2>&1 &
PID=$!
win=$(wait_window "Anmeldung") || fail "no login dialog"
type_into "$win" "root"
keys "$win" Return
frame=$(wait_window "$NAME") || fail "no main frame"

# A maximised view names itself in the frame's title, where xdotool can see it.
wait_view() { wait_window "$NAME - \\[$1\\]" >/dev/null; }

# "Datei > Druckvorschau...": the preview, made large and shot; a cropped copy for the guide.
# With FIRST and LAST, the occupancy plan's month range is answered first; with a DIALOG, that
# dialog's "Drucken..." opens the preview instead of the menu.
preview() { # SHOT-NAME [FIRST LAST | DIALOG]
    local dlg months
    if [ $# -eq 2 ]; then
        keys "$2" alt+d # the selection list's own button
    else
        keys "$frame" alt+d v
    fi
    if [ $# -eq 3 ]; then
        months=$(wait_window "Belegung drucken") || fail "no month range for $1"
        keys "$months" ctrl+a "$2" Tab ctrl+a "$3" Return
        gone_window "Belegung drucken" || fail "the month range stays open"
    fi
    dlg=$(wait_window "Druckvorschau") || fail "no print preview for $1"
    xdotool windowmove --sync "$dlg" 0 0 windowsize --sync "$dlg" 1280 900
    sleep 1.5
    "$GRAB" "$OUT/$1.png"
    # The guide's picture: the dialog at 900x640, cut out of the screen.
    if command -v convert >/dev/null; then
        xdotool windowsize --sync "$dlg" 900 640
        sleep 1.5
        "$GRAB" "$OUT/screen-$1-small.png"
        convert "$OUT/screen-$1-small.png" -crop 900x640+0+0 +repage "$OUT/velk-$1.png" ||
            fail "convert could not crop the preview"
    fi
    keys "$dlg" Escape
    gone_window "Druckvorschau" || fail "the print preview stays open"
}

# --- the week of 28 December -------------------------------------------------------------
monday() { # the Monday of the week a date opens (a Sunday opens the following week)
    local dow
    dow=$(date -d "$1" +%u)
    if [ "$dow" = 7 ]; then date -d "$1 +1 day" +%F; else date -d "$1 -$((dow - 1)) days" +%F; fi
}
from=$(monday "$(date +%F)")
target=$(monday "$YEAR-12-28")
moves=$((($(TZ=UTC date -d "$target" +%s) - $(TZ=UTC date -d "$from" +%s)) / 604800))

keys "$frame" alt+a w
sleep 0.5
xdotool mousemove --window "$frame" 300 62 click --repeat 2 --delay 100 1 # maximise it
wait_view "Wochenkalender" || fail "no week calendar"
for _ in $(seq "$moves"); do
    xdotool mousemove --window "$frame" 45 35 click 1 # the tool bar's right arrow
done
caption="Wochenkalender $(date -d "$target" +%-d.%-m.%Y)"
wait_view "$caption" || fail "the arrow did not move the week to '$caption'"
"$GRAB" "$OUT/1-woche.png"
preview preview-week

# --- the occupancy plan, January to June ---------------------------------------------------
keys "$frame" alt+a b
wait_view "Belegung.*" || fail "no occupancy plan"
sleep 0.5
"$GRAB" "$OUT/2-belegung.png"
preview preview-occupancy 1 6

# --- the selection list of 30 January, "Messe" on SAAL ---------------------------------------
read -r X Y U H < <("$FIND" "$OUT/2-belegung.png") || fail "no occupancy plan on the screen"
xdotool mousemove $((X + 2 * U * 29 + U)) $((Y - H / 2)) click --repeat 2 --delay 80 1
list=$(wait_window "30\\. 1\\.$YEAR") || fail "no selection list for 30 January"
"$GRAB" "$OUT/3-auswahlliste.png"
preview preview-selection "$list"
keys "$list" Escape
gone_window "30\\. 1\\.$YEAR" || fail "the selection list stays open"

quit_and_check

# --- the same week as a PDF from a script, its page as a picture -------------------------------
echo | "$EXCHANGE" --password-stdin "$DB" export woche-pdf "$OUT/woche.pdf" \
    --datum "28.12.$YEAR" >>"$OUT/velk.log" 2>&1 || fail "velk-exchange wrote no week PDF"
if command -v pdftoppm >/dev/null; then
    pdftoppm -png -r 80 -singlefile "$OUT/woche.pdf" "$OUT/week-print" ||
        fail "pdftoppm could not render the week PDF"
    [ -s "$OUT/week-print.png" ] || fail "no week-print.png"
fi
echo "tour_print: screenshots in $OUT"
