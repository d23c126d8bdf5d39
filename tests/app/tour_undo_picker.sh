#!/usr/bin/env bash
# tour_undo_picker.sh VELK GRAB_SCREEN OUTDIR [VELK_CHECK]
#
# The calendar beside the date fields and "Rückgängig", on a virtual X display: on a new
# database, "Eingaben > Termin ..." opens on today; F4 in the start's day field opens the
# calendar, two days on and Return take the day after tomorrow, and so does the end's calendar;
# OK stores the appointment.  "Ansicht > aktuelle Termine" shows it; "Bearbeiten > Löschen"
# deletes it, Ctrl+Z brings it back, and the status bar says so.  Screenshots go to OUTDIR (the
# guide's date-picker.png and undo.png are 1-date-picker.png and 4-undo.png).
set -euo pipefail

[ $# -eq 3 ] || [ $# -eq 4 ] || { echo "usage: $0 VELK GRAB_SCREEN OUTDIR [VELK_CHECK]" >&2; exit 2; }
VELK=$1 GRAB=$2 OUT=$3 CHECK=${4:-}
. "$(dirname "$0")/tour_lib.sh"

first_start
day=$(date -d '+2 days' +%-d) month=$(date -d '+2 days' +%-m) year=$(date -d '+2 days' +%Y)

keys "$frame" alt+e t                                    # Eingaben > Termin ...
dlg=$(wait_window "Termin") || fail "no appointment dialog"
# The calendar is a popup with the keyboard: its keys go to whatever has the focus.
popup_keys() { xdotool key --delay 80 "$@"; }
keys "$dlg" F4                                           # the start's calendar
sleep 0.5
popup_keys Right Right
sleep 0.3
"$GRAB" "$OUT/1-date-picker.png"
popup_keys Return                                        # takes the day, back in the year
# Tab: the calendar button, hour, minute, the end's day and month; its calendar by Alt+Down.
keys "$dlg" Tab Tab Tab Tab Tab alt+Down
sleep 0.5
popup_keys Right Right Return
keys "$dlg" Tab Tab Tab Tab                              # button, hour, minute, title
type_into "$dlg" "Teamsitzung"
"$GRAB" "$OUT/2-appointment.png"
keys "$dlg" Return
gone_window "Termin" || fail "appointment dialog stays open after OK"

keys "$frame" alt+a a Return                             # Ansicht > aktuelle Termine
sleep 0.5
xdotool mousemove --window "$frame" 60 82 click 1          # its one line, at the top left
sleep 0.3
keys "$frame" alt+b l                                    # Bearbeiten > Löschen
sleep 0.5
"$GRAB" "$OUT/3-deleted.png"
keys "$frame" ctrl+z                                     # Bearbeiten > Rückgängig
sleep 0.5
"$GRAB" "$OUT/4-undo.png"

quit_and_check
LC_ALL=C grep -qa "Teamsitzung" "$DB/TERMIN.dat" || fail "TERMIN lacks the appointment"
stamp=$(printf '%04d%02d%02d' "$year" "$month" "$day")
[ "$(LC_ALL=C grep -ao "$stamp" "$DB/TERMIN.dat" | wc -l)" -ge 2 ] ||
    fail "the appointment does not start and end on $day.$month.$year"
echo "tour_undo_picker: all steps passed; screenshots in $OUT"
