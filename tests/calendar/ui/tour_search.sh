#!/usr/bin/env bash
# tour_search.sh VELK GRAB_SCREEN OUTDIR VELK_CHECK SEARCH_TOUR_FILL
#
# "Bearbeiten > Suchen..." as a user meets it, on a virtual X display: a first start creates the
# database, search_tour_fill stores persons (Hans and Gerda Müller), a group, a resource,
# appointments (one with Hans Müller, two breakfasts), a project and a task.  The frame is made
# 900 x 640 and Ctrl+F opens the search window, tiled to fill the frame; "mueller" is typed
# (ue for ü) and shot, then "fruehstueck"; Down and Return open the first breakfast in the
# appointment dialog, shot too.  Screenshots go to OUTDIR; search-person.png and
# search-appointment.png are the frame alone, for the user's guide.
set -euo pipefail

[ $# -eq 5 ] || { echo "usage: $0 VELK GRAB_SCREEN OUTDIR VELK_CHECK SEARCH_TOUR_FILL" >&2; exit 2; }
VELK=$1 GRAB=$2 OUT=$3 CHECK=$4 FILL=$5
export TOUR_SCREEN=1280x900x24
. "$(dirname "$0")/../../app/tour_lib.sh"

YEAR=$(date +%Y)
first_start
quit_and_check
"$FILL" "$DB" "$YEAR" || fail "search_tour_fill could not fill the database"

env "$VELK" >>"$OUT/velk.log" 2>&1 &
PID=$!
win=$(wait_window "Anmeldung") || fail "no login dialog"
type_into "$win" "root"
keys "$win" Return
frame=$(wait_window "$NAME") || fail "no main frame"
xdotool windowmove --sync "$frame" 0 0 windowsize --sync "$frame" 900 640
sleep 0.5

# The frame alone, cut out of the screen: SHOT-NAME
shot() {
    "$GRAB" "$OUT/screen-$1.png"
    if command -v convert >/dev/null; then
        convert "$OUT/screen-$1.png" -crop 900x640+0+0 +repage "$OUT/$1.png" ||
            fail "convert could not crop $1"
    fi
}

keys "$frame" ctrl+f
sleep 0.5
# "Fenster > Nebeneinander": the one open window fills the frame; the cursor stays in its field.
keys "$frame" alt+a Escape Right Right Down Down Down Return
sleep 0.5
keys "$frame" ctrl+f
type_into "$frame" "mueller"
sleep 1
shot search-person

keys "$frame" ctrl+a
type_into "$frame" "fruehstueck"
sleep 1
shot search-appointment

keys "$frame" Down Return
dlg=$(wait_window "Termin.*") || fail "Return on the first result opened no appointment dialog"
sleep 0.5
"$GRAB" "$OUT/search-dialog.png"
keys "$dlg" Escape
gone_window "Termin.*" || fail "the appointment dialog stays open"

quit_and_check
echo "tour_search: screenshots in $OUT"
