#!/usr/bin/env bash
# tour_sync.sh VELK GRAB_SCREEN OUTDIR VELK_EXCHANGE [VELK_CHECK]
#
# The sync with a calendar server as a user meets it, on a virtual X display.  A Radicale server
# runs on a free port of 127.0.0.1 with its collections in the scratch directory (user anna).
# The database gets an appointment through velk-exchange; in the program "Datei > Server
# einrichten..." takes the server's address, the user and the password, and OK makes the
# collections.  A second client (vdirsyncer with a vdir of its own) then puts an appointment of
# today on the server; "Datei > Synchronisieren" brings it in and sends ours out, its message
# counts both, and the week calendar shows the appointment that came from the server.  The
# second client finds ours on the server afterwards.  Screenshots go to OUTDIR.
set -euo pipefail

[ $# -eq 4 ] || [ $# -eq 5 ] ||
    { echo "usage: $0 VELK GRAB_SCREEN OUTDIR VELK_EXCHANGE [VELK_CHECK]" >&2; exit 2; }
VELK=$1 GRAB=$2 OUT=$3 EXCHANGE=$4 CHECK=${5:-}
for program in radicale vdirsyncer python3; do
    command -v "$program" >/dev/null || { echo "tour_sync: needs $program" >&2; exit 0; }
done
. "$(dirname "$0")/../../app/tour_lib.sh"

# --- the server --------------------------------------------------------------------------------
PORT=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
URL="http://127.0.0.1:$PORT/"
SERVER=$WORK/radicale
mkdir -p "$SERVER/collections"
echo "anna:geheim1" >"$SERVER/users"
cat >"$SERVER/config" <<CONF
[server]
hosts = 127.0.0.1:$PORT
[auth]
type = htpasswd
htpasswd_filename = $SERVER/users
htpasswd_encryption = plain
[rights]
type = owner_only
[storage]
filesystem_folder = $SERVER/collections
[web]
type = none
[logging]
level = warning
CONF
radicale --config "$SERVER/config" >"$OUT/radicale.log" 2>&1 &
RADICALE=$!
trap 'kill $RADICALE 2>/dev/null || true; cleanup' EXIT
for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$PORT") 2>/dev/null && break
    sleep 0.2
done
(exec 3<>"/dev/tcp/127.0.0.1/$PORT") 2>/dev/null || fail "radicale does not answer on $PORT"

# --- the second client: vdirsyncer between a vdir of its own and anna's velk-termine ----------
PEER=$WORK/peer
mkdir -p "$PEER/vdir" "$PEER/status"
cat >"$PEER/config" <<CONF
[general]
status_path = "$PEER/status/"

[pair peer]
a = "peer_local"
b = "peer_server"
collections = ["velk-termine"]

[storage peer_local]
type = "filesystem"
path = "$PEER/vdir/"
fileext = ".ics"

[storage peer_server]
type = "caldav"
url = "$URL"
username = "anna"
password = "geheim1"
CONF
peer() { vdirsyncer -c "$PEER/config" "$@" >>"$OUT/peer.log" 2>&1; }

# --- our side: an appointment tomorrow, then the program ---------------------------------------
day() { date -d "+$1 days" +%d/%m/%y; }
printf '   %s\r\n    08:00 - 09:00 Teamsitzung\r\n' "$(day 1)" >"$WORK/start.dry"
echo | "$EXCHANGE" --password-stdin "$DB" import portfolio "$WORK/start.dry" >"$OUT/exchange.log"

first_start
keys "$frame" alt+d e # "Datei > Server einrichten..."
dlg=$(wait_window "Server einrichten") || fail "no set-up dialog"
type_into "$dlg" "$URL"; keys "$dlg" Tab
type_into "$dlg" "anna"; keys "$dlg" Tab
type_into "$dlg" "geheim1"
sleep 0.3
"$GRAB" "$OUT/sync-1-setup-dialog.png"
keys "$dlg" Return
gone_window "Server einrichten" || fail "set-up dialog stays open after OK"
gone_window "Einrichtung des Servers" || fail "the set-up does not end"

# A message box: a second visible window with the program's name; its text is in the shot.
message_box() { # SHOT
    local ids
    for _ in $(seq 300); do
        ids=$(xdotool search --onlyvisible --name "^$NAME\$" 2>/dev/null) || true
        [ "$(echo "$ids" | grep -c .)" -ge 2 ] && break
        sleep 0.2
    done
    [ "$(echo "$ids" | grep -c .)" -ge 2 ] || fail "no message box"
    sleep 0.3
    "$GRAB" "$OUT/$1"
    keys "$(echo "$ids" | grep -vx "$frame" | tail -1)" Return
}
message_box sync-2-setup-done.png
[ -d "$SERVER/collections/collection-root/anna/velk-termine" ] ||
    fail "the set-up made no collection velk-termine on the server"

# The second client puts an appointment of today, 10:00 to 11:00 in Berlin (the program's local
# time), on the server, written in UTC as phones often do.
peer discover --no-list <<<$'y\ny\ny\n' || fail "the second client's discover failed"
utc() { date -u -d "TZ=\"Europe/Berlin\" $(date +%F) $1" +%Y%m%dT%H%M%SZ; }
from=$(utc 10:00) till=$(utc 11:00)
printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//tour//peer//DE\r\nBEGIN:VEVENT\r\nUID:tour-peer-1\r\nDTSTAMP:%s\r\nDTSTART:%s\r\nDTEND:%s\r\nSUMMARY:Kundenbesuch vom Handy\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n' \
    "$from" "$from" "$till" >"$PEER/vdir/velk-termine/tour-peer-1.ics"
peer sync || fail "the second client's sync failed"

keys "$frame" alt+d y # "Datei > Synchronisieren"
# The progress window while it runs (it may be gone before the shot is taken).
if prog=$(wait_window "Abgleich mit dem Server"); then "$GRAB" "$OUT/sync-3-progress.png" || true; fi
gone_window "Abgleich mit dem Server" || fail "the sync does not end"
message_box sync-4-sync-done.png

keys "$frame" alt+a w # "Ansicht > Wochenkalender"
sleep 1
"$GRAB" "$OUT/sync-5-week.png"

# The second client finds our appointment on the server.
peer sync || fail "the second client's second sync failed"
grep -rqs "SUMMARY:Teamsitzung" "$PEER/vdir/velk-termine/" ||
    fail "our appointment did not reach the server"
quit_and_check
# And the database holds the second client's appointment, at its time.
echo | "$EXCHANGE" --password-stdin "$DB" export ical "$WORK/after.ics" >>"$OUT/exchange.log"
grep -q "SUMMARY:Kundenbesuch vom Handy" "$WORK/after.ics" ||
    fail "the appointment from the server is not in the database"
grep -q "DTSTART;TZID=Europe/Berlin:$(date +%Y%m%d)T100000" "$WORK/after.ics" ||
    fail "the appointment from the server is not at 10:00"
echo "tour_sync: all steps passed; screenshots in $OUT"
