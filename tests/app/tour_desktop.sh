#!/usr/bin/env bash
# tour_desktop.sh VELK GRAB_SCREEN OUTDIR [VELK_CHECK]
#
# The program on a desktop: a window manager (openbox) stacks, decorates and focuses the windows
# of a 1280x900 screen, and the session sets no XDG_RUNTIME_DIR.  A new user enters two persons,
# opens the person list and clicks its first line: "Bearbeiten > Ändern..." is enabled and opens
# the person; Return on the line opens it too.  F1 in the person dialog brings the help to the
# front, above the dialog and with the focus; F1 in the frame, after the frame was raised over
# the help, brings it to the front again.  The program prints no warning about its runtime
# directory.  Screenshots:
# 1-edit-enabled.png (the open menu), 2-help-over-dialog.png, 3-help-over-frame.png.
set -euo pipefail

[ $# -eq 3 ] || [ $# -eq 4 ] || { echo "usage: $0 VELK GRAB_SCREEN OUTDIR [VELK_CHECK]" >&2; exit 2; }
VELK=$1 GRAB=$2 OUT=$3 CHECK=${4:-}
TOUR_WM=openbox TOUR_SCREEN=1280x900x24
. "$(dirname "$0")/tour_lib.sh"

# The window the window manager stacks on top, and the one with the focus, as decimal ids.
top_window() { echo $(( $(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*[#,] //') )); }
active_window() { echo $(( $(xprop -root _NET_ACTIVE_WINDOW | sed 's/.*# //') )); }
in_front() { # WINDOW: on top and active, within 5 s
    for _ in $(seq 25); do
        [ "$(top_window)" = "$1" ] && [ "$(active_window)" = "$1" ] && return 0
        sleep 0.2
    done
    return 1
}

unset XDG_RUNTIME_DIR
first_start
enter_person mm "Müller" "Maria"
enter_person ab "Berg" "Anna"

# The person list; a click on its first line, which is the current one already.
keys "$frame" alt+a p
sleep 0.5
xdotool windowactivate --sync "$frame" mousemove --window "$frame" 40 82 click 1
sleep 0.3
keys "$frame" alt+b
sleep 0.3
"$GRAB" "$OUT/1-edit-enabled.png"
keys "$frame" d # Än&dern...
dlg=$(wait_window "Person") || fail "Ändern... stayed grey after a click on the first line"

# F1 in the dialog: the help in front of it, with the focus.
keys "$dlg" F1
help=$(wait_window "$NAME - Hilfe") || fail "F1 in the person dialog opened no help"
in_front "$help" || fail "the help opened behind (top $(top_window), active $(active_window), help $help)"
sleep 0.3
"$GRAB" "$OUT/2-help-over-dialog.png"
xdotool windowactivate --sync "$dlg" key Escape
gone_window "Person" || fail "person dialog stays open after Escape"

# Return on the selected line opens the person as a double click does.
keys "$frame" Return
dlg=$(wait_window "Person") || fail "Return on the selected line opened nothing"
xdotool windowactivate --sync "$dlg" key Escape
gone_window "Person" || fail "person dialog stays open after Escape"

# The frame raised over the help; F1 brings the help back to the front.
xdotool windowactivate --sync "$frame"
[ "$(top_window)" = "$frame" ] || fail "the frame did not come to the front"
keys "$frame" F1
in_front "$help" || fail "F1 in the frame left the help behind"
sleep 0.3
"$GRAB" "$OUT/3-help-over-frame.png"

xdotool windowactivate --sync "$frame"
quit_and_check
# No warning about the runtime directory (a sanitizer build adds its own report at the end).
! grep -q "XDG_RUNTIME_DIR\|QStandardPaths" "$OUT/velk-first.log" ||
    fail "the program warned: $(grep -m1 "XDG_RUNTIME_DIR\|QStandardPaths" "$OUT/velk-first.log")"
echo "tour_desktop: all steps passed; screenshots in $OUT"
