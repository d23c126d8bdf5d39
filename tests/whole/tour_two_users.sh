#!/usr/bin/env bash
# tour_two_users.sh VELK GRAB_SCREEN OUTDIR VELK_CHECK
#
# Two users, two copies of the program on one display and one database directory.  root (user
# A) starts the program on a new database, enters the person "bert" and gives bert a password
# ("Bearbeiten > Anmelden..." in the person list); then stores three appointments for the next
# minute's day: "Geheim" private, "Offen" for everybody and "Runde" for the participants with
# bert as participant and an alarm at its start to bert as well.  bert logs in with a second copy
# beside the first: his week calendar shows "Offen" and "Runde", never "Geheim" (his export to a
# Portfolio file says the same in text), and his copy presents the alarm at its next check once
# its minute has passed.  Both end through "Beenden"; velk-check then finds the directory clean.
# The alarm timer runs every 3 s here (VELK_ALARM_PERIOD_MS).  Screenshots go to OUTDIR.
set -euo pipefail

[ $# -eq 4 ] || { echo "usage: $0 VELK GRAB_SCREEN OUTDIR VELK_CHECK" >&2; exit 2; }
VELK=$1 GRAB=$2 OUT=$3 CHECK=$4
. "$(dirname "$0")/../app/tour_lib.sh"

PIDB=
cleanup_both() {
    [ -z "$PIDB" ] || kill "$PIDB" 2>/dev/null || true
    cleanup
}
trap cleanup_both EXIT

# Like wait_window, for the windows of one process (both copies use the same titles).
window_of() { # PID TITLE
    local id
    for _ in $(seq 150); do
        id=$(xdotool search --all --onlyvisible --pid "$1" --name "^$2\$" 2>/dev/null | tail -1) || true
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
    return 1
}
# The person selection behind "Person oder Gruppe > Person": bert, the only person.
choose_bert() { # SHOT
    local pg sel
    pg=$(wait_window "Person oder Gruppe") || fail "no person-or-group question"
    keys "$pg" space                                        # "Person", the first button
    sel=$(wait_window "Personenauswahl") || fail "no person selection"
    sleep 0.5
    keys "$sel" Home space
    [ -z "$1" ] || "$GRAB" "$OUT/$1"
    keys "$sel" Return
    gone_window "Personenauswahl" || fail "person selection stays open"
}

first_start VELK_ALARM_PERIOD_MS=3000
"$GRAB" "$OUT/1-frame.png"

# --- root enters bert and gives him a password --------------------------------------------
enter_person bert "Berg" "Bernd"
keys "$frame" alt+a p                                       # Ansicht > Person
sleep 0.5
xdotool mousemove --window "$frame" 20 82 click 1           # bert's line, selected
keys "$frame" alt+b a                                       # Bearbeiten > Anmelden...
dlg=$(wait_window "Anmeldung") || fail "Anmelden... opened no dialog"
type_into "$dlg" "bert"; keys "$dlg" Tab; type_into "$dlg" "geheim"; keys "$dlg" Tab
type_into "$dlg" "geheim"
"$GRAB" "$OUT/2-password.png"
keys "$dlg" Return
gone_window "Anmeldung" || fail "password dialog stays open after OK"
grep -qa "bert" "$DB/USERS.dat" || fail "USERS has no record for bert"

# --- root's three appointments on the next minute's day ---------------------------------------
start=$(date -d '+1 minute' '+%s')
day=$(field "$start" %d) month=$(field "$start" %m) year=$(field "$start" %Y)
appointment() { # TITLE FROM-HOUR FROM-MINUTE TILL-HOUR TILL-MINUTE DOWN-KEYS PARTICIPANT SHOT
    keys "$frame" alt+e t                                   # Eingaben > Termin ...
    local dlg alarm
    dlg=$(wait_window "Termin") || fail "no appointment dialog for $1"
    # "" for each date's calendar button, which Tab reaches after the year
    fill "$dlg" "$day" "$month" "$year" "" "$2" "$3" "$day" "$month" "$year" "" "$4" "$5"
    type_into "$dlg" "$1"
    keys "$dlg" Tab Tab                                     # Belegung, participants' Ändern
    if [ "$7" = bert ]; then
        keys "$dlg" space
        choose_bert "3-choose-participant.png"
        keys "$dlg" Tab Tab space                           # their list, Alarm
        alarm=$(wait_window "Alarm") || fail "ticking Alarm opened no alarm dialog"
        keys "$alarm" Tab Tab Tab Tab Tab Tab               # past the date, its calendar, the time
        type_into "$alarm" "Runde beginnt"
        keys "$alarm" Tab Down Tab space                    # "zusätzlich an", its Ändern
        choose_bert ""
        "$GRAB" "$OUT/4-alarm-to-bert.png"
        keys "$alarm" Return
        gone_window "Alarm" || fail "alarm dialog stays open after OK"
        keys "$dlg" Tab Tab Tab                             # Alarm's Ändern, Wiederholung, visibility
    else
        keys "$dlg" Tab Tab Tab Tab                         # list, Alarm, Wiederholung, visibility
    fi
    [ -z "$6" ] || keys "$dlg" $6
    [ -z "$8" ] || "$GRAB" "$OUT/$8"
    keys "$dlg" Return
    gone_window "Termin" || fail "appointment dialog for $1 stays open after OK"
}
sh=$(field "$start" %H) sm=$(field "$start" %M)
appointment "Geheim" 0 0 0 30 "Right Right" "" "5-private.png"
appointment "Offen" 0 30 1 0 "" "" ""
appointment "Runde" "$sh" "$sm" "$sh" "$sm" "Right" bert "6-involved.png"
[ "$(LC_ALL=C grep -aoE "Geheim|Offen|Runde" "$DB/TERMIN.dat" | sort -u | wc -l)" -eq 3 ] ||
    fail "TERMIN lacks one of the three appointments"
LC_ALL=C grep -qa "Runde beginnt" "$DB/ALARM.dat" || fail "ALARM lacks the alarm"
# "alle Beteiligten" with bert: READ names him as WITH does ("Pbert" twice); "alle" leaves READ empty.
[ "$(LC_ALL=C grep -ao "Pbert" "$DB/TERMIN.dat" | wc -l)" -eq 2 ] ||
    fail "Runde is not stored for its participants (READ and WITH naming bert)"

# --- bert's copy beside root's ---------------------------------------------------------------
"$VELK" >"$OUT/velk-bert.log" 2>&1 &
PIDB=$!
win=$(window_of "$PIDB" "Anmeldung") || fail "bert's copy shows no login"
type_into "$win" "bert"; keys "$win" Tab; type_into "$win" "geheim"
keys "$win" Return
frameb=$(window_of "$PIDB" "$NAME") || fail "bert's copy shows no main frame"
xdotool windowraise "$frameb"
keys "$frameb" alt+a w                                      # Ansicht > Wochenkalender
sleep 0.5
xdotool mousemove --window "$frameb" 300 62 click --repeat 2 --delay 100 1   # maximise it
window_of "$PIDB" "$NAME - \\[Wochenkalender.*\\]" >/dev/null || fail "bert has no week calendar"
sleep 0.5
"$GRAB" "$OUT/7-bert-week.png"

# The same in text: bert's export (Portfolio, "a") holds what he sees.
keys "$frameb" alt+d a
dlg=$(window_of "$PIDB" "Speichern unter") || dlg=$(window_of "$PIDB" "Save As") ||
    fail "bert's copy shows no save dialog"
keys "$dlg" Tab a shift+Tab
type_into "$dlg" "$WORK/bert.dry"
keys "$dlg" Return
for _ in $(seq 50); do [ -s "$WORK/bert.dry" ] && break; sleep 0.2; done
cp "$WORK/bert.dry" "$OUT/bert.dry" 2>/dev/null || fail "bert's export made no file"
grep -q "Offen" "$WORK/bert.dry" || fail "bert does not see the appointment for everybody"
grep -q "Runde" "$WORK/bert.dry" || fail "bert does not see the appointment he takes part in"
! grep -q "Geheim" "$WORK/bert.dry" || fail "bert sees root's private appointment"

# --- the alarm: bert's copy presents it at its next check once its minute has passed ------------
msg=
for _ in $(seq 180); do
    msg=$(xdotool search --all --onlyvisible --pid "$PIDB" --name "^Alarm-Meldung\$" 2>/dev/null | tail -1) || true
    [ -n "$msg" ] && break
    sleep 1
done
[ -n "$msg" ] || fail "bert's copy presented no Alarm-Meldung within three minutes"
xdotool windowraise "$msg"
sleep 1
"$GRAB" "$OUT/8-bert-alarm.png"
keys "$msg" Return                                          # Schließen
# root is a recipient too (the sender always is): his copy shows its own message.
if msga=$(window_of "$PID" "Alarm-Meldung"); then keys "$msga" Return; fi

# --- both end; the directory is clean ------------------------------------------------------------
keys "$frameb" alt+d b
wait_exit "$PIDB" || fail "bert's copy did not end through Beenden"
PIDB=
quit_and_check
echo "tour_two_users: all steps passed; screenshots in $OUT"
