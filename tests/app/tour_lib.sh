# tour_lib.sh: sourced by the tours (velk_tour.sh and the subsystems' own tours) after they set
# VELK, GRAB, OUT and CHECK.  Starts a virtual X display with its own scratch directory ($WORK,
# removed at exit), and gives the helpers that drive the program like a user: wait_window,
# gone_window, keys, type_into, wait_exit, fail, enter_person; first_start creates a database in
# $DB, logs in as root and leaves the frame's window id in $frame and the program's pid in $PID.
command -v Xvfb >/dev/null && command -v xdotool >/dev/null ||
    { echo "velk_tour: needs Xvfb (package xvfb) and xdotool" >&2; exit 2; }
WORK=$(mktemp -d /tmp/velk_tour.XXXXXX)

# The X server picks a free display itself and tells its number (xvfb-run -a guesses one, and
# two runs at once may both take the same).  -noreset: without it the server resets when its
# last client leaves, between two starts of the program, and refuses the next connection.
Xvfb -displayfd 3 -noreset -screen 0 "${TOUR_SCREEN:-1024x768x24}" -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
XVFB=$!
PID=
WM=
cleanup() {
    [ -z "$PID" ] || kill "$PID" 2>/dev/null || true
    [ -z "$WM" ] || kill "$WM" 2>/dev/null || true
    kill "$XVFB" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
for _ in $(seq 150); do [ -s "$WORK/display" ] && break; sleep 0.2; done
[ -s "$WORK/display" ] || { echo "velk_tour: Xvfb did not start" >&2; cat "$WORK/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -1 "$WORK/display")"
# Umlauts and ß as keys of the keyboard map.  Without them xdotool types each such letter by
# remapping a spare key for a moment, and a busy program may read the key only after the map
# was put back, losing the letter.
if command -v xmodmap >/dev/null; then
    spare=($(xmodmap -pke | awk 'NF == 3 { print $2 }' | head -4))
    if [ ${#spare[@]} -eq 4 ]; then
        xmodmap -e "keycode ${spare[0]} = adiaeresis Adiaeresis" \
                -e "keycode ${spare[1]} = odiaeresis Odiaeresis" \
                -e "keycode ${spare[2]} = udiaeresis Udiaeresis" \
                -e "keycode ${spare[3]} = ssharp question" || true
    fi
fi
# A window manager where the tour asks for one (TOUR_WM=openbox): it stacks, decorates and
# focuses the windows as on a desktop.  Ready once it announces itself on the root window.
if [ -n "${TOUR_WM:-}" ]; then
    command -v "$TOUR_WM" >/dev/null || { echo "velk_tour: needs $TOUR_WM" >&2; exit 2; }
    "$TOUR_WM" >"$WORK/wm.log" 2>&1 &
    WM=$!
    for _ in $(seq 150); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
        sleep 0.2
    done
fi
mkdir -p "$OUT"
: >"$OUT/velk-check.log"
export XDG_CONFIG_HOME=$WORK/config
DB=$WORK/Termine
mkdir -p "$DB"

fail() { echo "velk_tour: $*" >&2; "$GRAB" "$OUT/failure.png" || true; exit 1; }

# Waits until a visible window with exactly this title exists (at most 30 s); prints its id.
wait_window() {
    local id
    for _ in $(seq 150); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | tail -1) || true
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
    return 1
}
gone_window() {
    for _ in $(seq 150); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.2
    done
    return 1
}
# Focuses the window and presses keys in it (there is no window manager to do the focusing).
keys() {
    local win=$1; shift
    xdotool windowfocus --sync "$win" key --delay 80 "$@"
}
type_into() {
    xdotool windowfocus --sync "$1" type --delay 30 "$2"
}
# Each field: select what it shows, type the new value, on to the next.
fill() { # WINDOW VALUE...
    local win=$1; shift
    for v in "$@"; do
        keys "$win" ctrl+a
        type_into "$win" "$v"
        keys "$win" Tab
    done
}
# A part of a moment given in seconds, without leading zeros: field SECONDS %d
field() { date -d "@$1" "+$2" | sed 's/^0*\([0-9]\)/\1/'; }
wait_exit() {
    for _ in $(seq 150); do
        kill -0 "$1" 2>/dev/null || { wait "$1"; return $?; }
        sleep 0.2
    done
    kill "$1"; return 124
}

NAME="V.E.L.K. Terminplaner"

# The first start of the program on a new database: path prompt, file dialog, login as root.
# Extra arguments become environment settings of the program (NAME=VALUE).
first_start() {
    env "$@" "$VELK" >"$OUT/velk-first.log" 2>&1 &
    PID=$!
    local win
    win=$(wait_window "$NAME") || fail "no prompt for the database path"
    keys "$win" Return
    win=$(wait_window "Öffnen") || win=$(wait_window "Open") || fail "no file dialog"
    type_into "$win" "$DB/start"
    keys "$win" Return
    win=$(wait_window "Anmeldung") || fail "no login dialog"
    type_into "$win" "root"
    keys "$win" Return
    gone_window "Anmeldung" || fail "login dialog stays open"
    frame=$(wait_window "$NAME") || fail "no main frame"
}

# "Eingaben > Person ...": ID, name and first name, then OK by Return.
enter_person() { # ID NAME FIRSTNAME
    keys "$frame" alt+e Down Return
    local dlg
    dlg=$(wait_window "Person") || fail "no person dialog"
    type_into "$dlg" "$1"; keys "$dlg" Tab; type_into "$dlg" "$2"; keys "$dlg" Tab
    type_into "$dlg" "$3"
    keys "$dlg" Return
    gone_window "Person" || fail "person dialog stays open after OK"
}

# Ends the program through "Datei > Beenden" and, with velk-check given, checks the directory.
quit_and_check() {
    keys "$frame" alt+d b
    wait_exit "$PID" || fail "the program did not end through Beenden (status $?)"
    if [ -n "${CHECK:-}" ]; then
        "$CHECK" "$DB" >>"$OUT/velk-check.log" 2>&1 ||
            fail "velk-check after Beenden: status $?, not 0 (clean); see $OUT/velk-check.log"
    fi
}
