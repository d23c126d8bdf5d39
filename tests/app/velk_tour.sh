#!/usr/bin/env bash
# velk_tour.sh VELK GRAB_SCREEN OUTDIR [VELK_CHECK]
#
# The program as a new user meets it, on a virtual X display: the first start asks for the
# database directory (the user types ".../start"), creates the database and logs in as root
# without a password; F1 opens the help; the views that exist are opened and arranged side by
# side and one above the other; "Beenden" ends the program.  A second start asks nothing but
# the login; while it waits there, velk-check (when given) finds the directory in use and
# changes nothing, and after "Beenden" finds it clean.  Screenshots go to OUTDIR (velk_tour.png
# shows the frame with the help open).
set -euo pipefail

[ $# -eq 3 ] || [ $# -eq 4 ] || { echo "usage: $0 VELK GRAB_SCREEN OUTDIR [VELK_CHECK]" >&2; exit 2; }
VELK=$1 GRAB=$2 OUT=$3 CHECK=${4:-}
. "$(dirname "$0")/tour_lib.sh"

# --- first start -------------------------------------------------------------------------
"$VELK" >"$OUT/velk1.log" 2>&1 &
PID=$!
win=$(wait_window "$NAME") || fail "no prompt for the database path"
"$GRAB" "$OUT/1-prompt.png"
keys "$win" Return
win=$(wait_window "Öffnen") || win=$(wait_window "Open") || fail "no file dialog"
type_into "$win" "$DB/start"
keys "$win" Return
win=$(wait_window "Anmeldung") || fail "no login dialog"
"$GRAB" "$OUT/2-login.png"
type_into "$win" "root"
keys "$win" Return
gone_window "Anmeldung" || fail "login dialog stays open"
frame=$(wait_window "$NAME") || fail "no main frame"

grep -qx "Path=$DB/datadict" "$XDG_CONFIG_HOME/VELK.INI" || fail "VELK.INI lacks the path"
for f in datadict.dat datadict.ndx blob.mp blob.st USERS.dat USERS.ndx; do
    [ -f "$DB/$f" ] || fail "database file $f missing"
done

# F1 in the frame: the help's contents.
keys "$frame" F1
help=$(wait_window "$NAME - Hilfe") || fail "F1 opened no help"

# --- the address book, as a new user fills it -------------------------------------------
# "Eingaben > Person ...": two persons, typed field by field (Tab), OK by Return in a line field.
new_person() { # ID NAME FIRSTNAME DAY MONTH YEAR TEL STREET SHOT
    keys "$frame" alt+e Down Return          # "Person ...", below "Termin ..."
    local dlg
    dlg=$(wait_window "Person") || fail "no person dialog"
    type_into "$dlg" "$1"; keys "$dlg" Tab; type_into "$dlg" "$2"; keys "$dlg" Tab
    type_into "$dlg" "$3"; keys "$dlg" Tab; type_into "$dlg" "$4"; keys "$dlg" Tab
    type_into "$dlg" "$5"; keys "$dlg" Tab; type_into "$dlg" "$6"; keys "$dlg" Tab Tab # calendar
    type_into "$dlg" "$7"; keys "$dlg" Tab; type_into "$dlg" "$8"; keys "$dlg" Tab
    type_into "$dlg" "70173"; keys "$dlg" Tab; type_into "$dlg" "Stuttgart"
    [ -z "$9" ] || "$GRAB" "$OUT/$9"
    keys "$dlg" Return
    gone_window "Person" || fail "person dialog stays open after OK"
}
new_person mm "Müller" "Maria" 24 12 1960 "0711 4711" "Königstraße 1" 4-person-dialog.png
new_person ab "Berg" "Anna" 1 2 0 "0711 815" "Hauptstraße 5" ""
keys "$frame" alt+a p                                   # Ansicht > Person
sleep 0.5
"$GRAB" "$OUT/5-person-list.png"

# "Eingaben > Gruppen ...": a new group, chosen, with both persons as members.
keys "$frame" alt+e g
grp=$(wait_window "Gruppenzuordnung") || fail "no group membership dialog"
keys "$grp" Tab space                                    # group "Neu"
dlg=$(wait_window "Gruppe") || fail "no group dialog"
type_into "$dlg" "team"; keys "$dlg" Tab; type_into "$dlg" "Projektteam Süd"
keys "$dlg" Return
gone_window "Gruppe" || fail "group dialog stays open after OK"
keys "$grp" shift+Tab Down                               # select the group
keys "$grp" Tab Tab Tab Tab Tab space                    # member "Neu"
sel=$(wait_window "Personenauswahl") || fail "no person selection"
sleep 0.5 # the list takes the focus (and its first line the cursor) once the window is up
keys "$sel" Home space Return                             # the first line, selected
gone_window "Personenauswahl" || fail "person selection stays open"
keys "$grp" space
sel=$(wait_window "Personenauswahl") || fail "no person selection for the second member"
sleep 0.5
keys "$sel" End Return
gone_window "Personenauswahl" || fail "person selection stays open"
sleep 0.3
"$GRAB" "$OUT/6-groups.png"
keys "$grp" Escape
gone_window "Gruppenzuordnung" || fail "group membership dialog stays open"

# "Eingaben > Ressource ...": two resources; then "Ansicht > Ressourcen".
for r in "R1:Besprechungsraum" "R2:Beamer"; do
    keys "$frame" alt+e r
    dlg=$(wait_window "Ressource") || fail "no resource dialog"
    type_into "$dlg" "${r%%:*}"; keys "$dlg" Tab; type_into "$dlg" "${r#*:}"
    keys "$dlg" Return
    gone_window "Ressource" || fail "resource dialog stays open after OK"
done
keys "$frame" alt+a r
sleep 0.5
"$GRAB" "$OUT/7-resources.png"

# Every view the "Ansicht" menu offers (the first enabled entry, three times), then
# "Fenster": side by side, one above the other.  Entries not built yet are disabled and skipped.
for _ in 1 2 3; do keys "$frame" alt+a Return; done
keys "$frame" alt+a Escape Right Right Down Down Down Return   # Fenster > Nebeneinander
keys "$frame" alt+a Escape Right Right Down Down Down Down Return # Fenster > Untereinander
keys "$frame" Escape Escape
"$GRAB" "$OUT/velk_tour.png"

# "Beenden" through the menu: Alt+D, B.
keys "$frame" alt+d b
wait_exit "$PID" || fail "the program did not end through Beenden (status $?)"

# What was typed is stored, umlauts as one Windows-1252 byte each, members in MEMBER.
LC_ALL=C grep -qa "$(printf 'M\xfcller')" "$DB/PERSON.dat" || fail "PERSON lacks M\\xfcller"
LC_ALL=C grep -qa "$(printf 'K\xf6nigstra\xdfe')" "$DB/PERSON.dat" || fail "PERSON lacks the street"
grep -q "Besprechungsraum" "$DB/RESOURCE.dat" || fail "RESOURCE lacks the room"
[ "$(LC_ALL=C grep -ao "team    " "$DB/MEMBER.dat" | wc -l)" -eq 2 ] || fail "the group has not two members"
gone_window "$NAME - Hilfe" || fail "help stays open after Beenden"

# --- second start: only the login ---------------------------------------------------------
"$VELK" >"$OUT/velk2.log" 2>&1 &
PID=$!
win=$(wait_window "Anmeldung") || fail "second start did not go straight to the login"
# A copy waiting at its login holds no file lock but its in-use mark: velk-check keeps off.
if [ -n "$CHECK" ]; then
    files() { (cd "$DB" && ls -A && md5sum -- *); }
    before=$(files)
    for option in "" --repair --reset-locks; do
        status=0
        "$CHECK" $option "$DB" >>"$OUT/velk-check.log" 2>&1 || status=$?
        [ "$status" -eq 3 ] ||
            fail "velk-check $option beside a copy at its login: status $status, not 3 (in use)"
    done
    [ "$(files)" = "$before" ] || fail "velk-check changed the directory of a running copy"
fi
type_into "$win" "root"
keys "$win" Return
frame=$(wait_window "$NAME") || fail "no main frame on the second start"
keys "$frame" alt+d b
wait_exit "$PID" || fail "second run did not end through Beenden"
if [ -n "$CHECK" ]; then
    "$CHECK" "$DB" >>"$OUT/velk-check.log" 2>&1 ||
        fail "velk-check after Beenden: status $?, not 0 (clean); see $OUT/velk-check.log"
fi

# --- a refused login ends the program ------------------------------------------------------
"$VELK" >"$OUT/velk3.log" 2>&1 &
PID=$!
win=$(wait_window "Anmeldung") || fail "third start shows no login"
type_into "$win" "niemand"
keys "$win" Return
win=$(wait_window "$NAME") || fail "no refusal message"
"$GRAB" "$OUT/3-refused.png"
keys "$win" Return
status=0; wait_exit "$PID" || status=$?
[ "$status" -ne 0 ] || fail "a refused login ended with status 0"
echo "velk_tour: all steps passed; screenshots in $OUT"
