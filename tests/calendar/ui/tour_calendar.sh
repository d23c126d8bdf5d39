#!/usr/bin/env bash
# tour_calendar.sh VELK GRAB_SCREEN OUTDIR [VELK_CHECK]
#
# The calendar as a new user meets it, on a virtual X display: on a new database, "Eingaben >
# Termin ..." with a start in the next minute, a weekly recurrence (three more) and an alarm at
# the start; the alarm list shows it; once its minute has passed the "Alarm-Meldung" appears by
# itself ("Schließen" closes it); "Beenden".  The alarm timer runs every 3 s here
# (VELK_ALARM_PERIOD_MS) instead of every minute.  Screenshots go to OUTDIR.
set -euo pipefail

[ $# -eq 3 ] || [ $# -eq 4 ] || { echo "usage: $0 VELK GRAB_SCREEN OUTDIR [VELK_CHECK]" >&2; exit 2; }
VELK=$1 GRAB=$2 OUT=$3 CHECK=${4:-}
. "$(dirname "$0")/../../app/tour_lib.sh"

first_start VELK_ALARM_PERIOD_MS=3000

# The start: the next minute (and its date, should that be tomorrow), one hour long.
start=$(date -d '+1 minute' '+%s')
end=$((start + 3600))

keys "$frame" alt+e t                                    # Eingaben > Termin ...
dlg=$(wait_window "Termin") || fail "no appointment dialog"
# "" for each date's calendar button, which Tab reaches after the year.
fill "$dlg" "$(field $start %d)" "$(field $start %m)" "$(field $start %Y)" "" \
    "$(field $start %H)" "$(field $start %M)" \
    "$(field $end %d)" "$(field $end %m)" "$(field $end %Y)" "" "$(field $end %H)" "$(field $end %M)"
type_into "$dlg" "Teamsitzung"
# Tab: Belegung, participants' Ändern, their list, Alarm, Wiederholung (disabled buttons skipped).
keys "$dlg" Tab Tab Tab Tab Tab space
rep=$(wait_window "Wiederholung") || fail "ticking Wiederholung opened no recurrence dialog"
keys "$rep" ctrl+a
type_into "$rep" "3"
keys "$rep" Tab Down Down space                          # jährlich, monatlich, wöchentlich
"$GRAB" "$OUT/1-recurrence.png"
keys "$rep" Return
gone_window "Wiederholung" || fail "recurrence dialog stays open after OK"
keys "$dlg" shift+Tab space                              # Alarm
alarm=$(wait_window "Alarm") || fail "ticking Alarm opened no alarm dialog"
keys "$alarm" Tab Tab Tab Tab Tab Tab # past the date, its calendar button, the time
type_into "$alarm" "Teamsitzung beginnt"
"$GRAB" "$OUT/2-alarm.png"
keys "$alarm" Return
gone_window "Alarm" || fail "alarm dialog stays open after OK"
"$GRAB" "$OUT/3-appointment.png"
keys "$dlg" Return
gone_window "Termin" || fail "appointment dialog stays open after OK"

keys "$frame" alt+a a a Return   # Ansicht > Alarmliste, the second entry with "a"
sleep 0.5
"$GRAB" "$OUT/4-alarm-list.png"

# The alarm is due once its minute has passed: at most two minutes from now.
msg=
for _ in $(seq 180); do
    msg=$(xdotool search --onlyvisible --name "^Alarm-Meldung\$" 2>/dev/null | tail -1) || true
    [ -n "$msg" ] && break
    sleep 1
done
[ -n "$msg" ] || fail "no Alarm-Meldung within three minutes"
"$GRAB" "$OUT/5-alarm-message.png"
keys "$msg" Return                                        # Schließen
gone_window "Alarm-Meldung" || fail "Alarm-Meldung stays open after Schließen"

quit_and_check
[ "$(LC_ALL=C grep -ao "Teamsitzung" "$DB/TERMIN.dat" | wc -l)" -eq 4 ] ||
    fail "TERMIN has not the appointment and its three repetitions"
LC_ALL=C grep -qa "Teamsitzung beginnt" "$DB/ALARM.dat" || fail "ALARM lacks the alarm"
for week in 1 2 3; do
    day=$(date -d "@$((start + week * 7 * 86400))" +%Y%m%d)
    LC_ALL=C grep -qa "$day" "$DB/TERMIN.dat" || fail "no repetition on $day (weekly)"
done
echo "tour_calendar: all steps passed; screenshots in $OUT"
