#!/usr/bin/env bash
# tour_exchange.sh VELK GRAB_SCREEN OUTDIR VELK_EXCHANGE [VELK_CHECK]
#
# The "Datei" menu's file commands as a new user meets them, on a virtual X display.  A first
# database gets three appointments from a Portfolio file (through velk-exchange, as a script
# would fill it, umlauts included) and a person typed into the person dialog; "Sichern als..."
# writes the appointments and the persons to dBASE files and the appointments to a Portfolio
# file, each chosen by the file type of the save dialog.  A second, new database then takes the
# two dBASE files through "Öffnen..."; the appointment list shows the imported appointments with
# their umlauts, the person list the imported person, and the person list's own "Öffnen..."
# answers "noch nicht implementiert" for the other file types.  iCalendar and vCard files are
# written too; the vCard read into the second database finds its person there already.
# velk-exchange exports from the second database what the first one wrote: the same diary,
# umlauts and all.  Screenshots go to OUTDIR.
set -euo pipefail

[ $# -eq 4 ] || [ $# -eq 5 ] ||
    { echo "usage: $0 VELK GRAB_SCREEN OUTDIR VELK_EXCHANGE [VELK_CHECK]" >&2; exit 2; }
VELK=$1 GRAB=$2 OUT=$3 EXCHANGE=$4 CHECK=${5:-}
. "$(dirname "$0")/../../app/tour_lib.sh"

# A file dialog, German or English title: the file type by its first letter in the type box (one
# Tab after the name), then the name, then Return.
file_dialog() { # TITLE ENGLISH-TITLE TYPE-LETTER NAME SHOT
    local dlg title
    dlg=$(wait_window "$1") || dlg=$(wait_window "$2") || fail "no file dialog $1"
    title=$(xdotool getwindowname "$dlg")
    shift 2
    keys "$dlg" Tab "$1" shift+Tab
    type_into "$dlg" "$2"
    [ -z "$3" ] || "$GRAB" "$OUT/$3"
    keys "$dlg" Return
    gone_window "$title" || fail "file dialog stays open"
}
save_as() { keys "$frame" alt+d a; file_dialog "Speichern unter" "Save As" "$@"; }
open_file() { keys "$frame" alt+d f; file_dialog "Öffnen" "Open" "$@"; }

# A message box: a second visible window with the program's name; its text is in the shot.
message_box() { # SHOT
    local ids
    for _ in $(seq 100); do
        ids=$(xdotool search --onlyvisible --name "^$NAME\$" 2>/dev/null) || true
        [ "$(echo "$ids" | grep -c .)" -ge 2 ] && break
        sleep 0.2
    done
    [ "$(echo "$ids" | grep -c .)" -ge 2 ] || fail "no message box"
    sleep 0.3
    "$GRAB" "$OUT/$1"
    keys "$(echo "$ids" | grep -vx "$frame" | tail -1)" Return
}

# --- the first database: three appointments from a script, a person typed in ------------------
# Today and the next two days, so that the appointment list (ten days from today) shows them.
day() { date -d "+$1 days" +%d/%m/%y; }
printf '   %s\r\n    09:30 - 11:00 Besprechung mit M\xfcller\r\n   %s Betriebsausflug\r\n   %s\r\n    14:00 Stra\xdfenfest\r\n' \
    "$(day 0)" "$(day 1)" "$(day 2)" >"$WORK/start.dry"
echo | "$EXCHANGE" --password-stdin "$DB" import portfolio "$WORK/start.dry" >"$OUT/exchange.log"
grep -qx "3 Termine gespeichert" "$OUT/exchange.log" || fail "velk-exchange stored not three"

first_start
keys "$frame" alt+e Down Return # "Eingaben > Person ..."
dlg=$(wait_window "Person") || fail "no person dialog"
# Typed in plain letters: xdotool now and then drops a typed umlaut.  The umlauts travel with the
# appointments, through both dBASE files and back.
# "" passes the birthday's calendar button.
for field in mm "Berg" "Maria" 24 12 1960 "" "0711 4711" "Hauptweg 1"; do
    type_into "$dlg" "$field"; keys "$dlg" Tab
done
keys "$dlg" Return
gone_window "Person" || fail "person dialog stays open after OK"

save_as t "$WORK/termine.dbf" ""
save_as p "$WORK/personen.dbf" ""
save_as a "$WORK/termine.dry" exchange-1-save-portfolio.png
save_as i "$WORK/termine.ics" exchange-6-save-icalendar.png
save_as v "$WORK/personen.vcf" ""
for f in termine.dbf personen.dbf termine.dry termine.ics personen.vcf; do
    [ -s "$WORK/$f" ] || fail "Sichern als... wrote no $f"
done
cmp -s "$WORK/start.dry" "$WORK/termine.dry" || fail "the diary written differs from the one read"
quit_and_check

# --- a second, new database takes the files --------------------------------------------------
rm -f "$XDG_CONFIG_HOME/VELK.INI"
DB=$WORK/Zweite
mkdir -p "$DB"
first_start
open_file t "$WORK/termine.dbf" exchange-2-open-termine.png
sleep 0.5
"$GRAB" "$OUT/exchange-2-status.png" # the status bar says what the import stored
open_file p "$WORK/personen.dbf" ""
# The same person once more, as a vCard: the import says that it is there already.
open_file v "$WORK/personen.vcf" ""
message_box exchange-7-vcard-known.png
keys "$frame" alt+a Down Down Down Return # "Ansicht > aktuelle Termine": the imported ones
sleep 0.5
"$GRAB" "$OUT/exchange-3-appointment-list.png"
keys "$frame" alt+a p # "Ansicht > Person"
sleep 0.5
"$GRAB" "$OUT/exchange-3-person-list.png" # beside the appointment list

# The person list's own "Öffnen...": the second file type is not implemented.
keys "$frame" alt+d f
dlg=$(wait_window "Öffnen") || dlg=$(wait_window "Open") || fail "no open dialog of the person list"
keys "$dlg" Tab a shift+Tab
type_into "$dlg" "$WORK/personen.dbf"
"$GRAB" "$OUT/exchange-4-person-list-open.png"
keys "$dlg" Return
message_box exchange-5-not-implemented.png
quit_and_check

# What the second database holds, written again by velk-exchange: the same diary.
echo | "$EXCHANGE" --password-stdin "$DB" export portfolio "$WORK/again.dry" >>"$OUT/exchange.log"
cmp -s "$WORK/start.dry" "$WORK/again.dry" ||
    fail "the second database's appointments differ from the first's"
echo | "$EXCHANGE" --password-stdin "$DB" export personen-txt "$WORK/again.txt" >>"$OUT/exchange.log"
grep -qa '"mm";"Berg";"Maria";' "$WORK/again.txt" ||
    fail "the second database lacks the person"
echo "tour_exchange: all steps passed; screenshots in $OUT"
