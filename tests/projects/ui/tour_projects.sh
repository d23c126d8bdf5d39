#!/usr/bin/env bash
# tour_projects.sh VELK GRAB_SCREEN OUTDIR [VELK_CHECK]
#
# Projects and tasks as a new user meets them, on a virtual X display: two persons and a group
# of both through the address book; a project with two tasks, one of them assigned to the group,
# and a second project with one task; the project list; the task list sorted by each column
# (a click on each header).  Screenshots go to OUTDIR; what was typed is checked in the files.
set -euo pipefail

[ $# -eq 3 ] || [ $# -eq 4 ] || { echo "usage: $0 VELK GRAB_SCREEN OUTDIR [VELK_CHECK]" >&2; exit 2; }
VELK=$1 GRAB=$2 OUT=$3 CHECK=${4:-}
. "$(dirname "$0")/../../app/tour_lib.sh"

first_start

# --- the address book: two persons and the group "team" of both --------------------------
enter_person mm "Müller" "Maria"
enter_person ab "Berg" "Anna"

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
sleep 0.5
keys "$sel" Home space Return
gone_window "Personenauswahl" || fail "person selection stays open"
keys "$grp" space
sel=$(wait_window "Personenauswahl") || fail "no person selection for the second member"
sleep 0.5
keys "$sel" End Return
gone_window "Personenauswahl" || fail "person selection stays open"
keys "$grp" Escape
gone_window "Gruppenzuordnung" || fail "group membership dialog stays open"

# --- projects: "Eingaben > Projekt..." (the last entry) -----------------------------------
new_project() { # ID TITLE SHOT
    keys "$frame" alt+e Up Return      # from the first entry up to the last
    local dlg
    dlg=$(wait_window "Projekt") || fail "no project dialog"
    type_into "$dlg" "$1"; keys "$dlg" Tab; type_into "$dlg" "$2"
    [ -z "$3" ] || "$GRAB" "$OUT/$3"
    keys "$dlg" Return
    gone_window "Projekt" || fail "project dialog stays open after OK"
}
new_project P1 "Umbau Süd" 1-project-dialog.png
new_project P2 "Garten" ""

# The project list; "Bearbeiten > Neu..." on a project line makes a task of that project.
keys "$frame" alt+a j
sleep 0.5
"$GRAB" "$OUT/2-project-list.png"

# A task typed field by field: ID, title, [worker: the group], units, status, comment, priority,
# completion date; OK by Return in the year field.
# The line is clicked at its height in the project list (the first sub-window, at the top left).
new_task() { # LINE-Y ID TITLE GROUP(yes/no) UNITS PRIO DAY MONTH YEAR SHOT
    xdotool mousemove --window "$frame" 60 "$1" click 1
    keys "$frame" alt+b n
    local dlg
    dlg=$(wait_window "Aufgabe") || fail "no task dialog"
    type_into "$dlg" "$2"; keys "$dlg" Tab; type_into "$dlg" "$3"
    keys "$dlg" Tab Tab                                   # Sehen, Ändern
    if [ "$4" = yes ]; then
        keys "$dlg" space
        local ask
        ask=$(wait_window "Person oder Gruppe") || fail "no person-or-group question"
        keys "$ask" Tab space                             # "Gruppe"
        local chooser
        chooser=$(wait_window "Gruppenzuordnung") || fail "no group chooser"
        sleep 0.3
        keys "$chooser" Down Return                       # the group, "Schließen"
        gone_window "Gruppenzuordnung" || fail "group chooser stays open"
    fi
    keys "$dlg" Tab Tab; type_into "$dlg" "$5"            # the list, Arbeits-Einheiten
    keys "$dlg" Tab Down                                  # Status: "Planung"
    keys "$dlg" Tab; type_into "$dlg" "Material bestellen"
    keys "$dlg" Tab; type_into "$dlg" "$6"
    keys "$dlg" Tab; type_into "$dlg" "$7"; keys "$dlg" Tab; type_into "$dlg" "$8"
    keys "$dlg" Tab; type_into "$dlg" "$9"
    [ -z "${10}" ] || "$GRAB" "$OUT/${10}"
    keys "$dlg" Return
    gone_window "Aufgabe" || fail "task dialog stays open after OK"
}
new_task 82 T1 "Dach decken" yes 12 10 15 3 2027 3-task-dialog.png
new_task 82 T2 "Fenster setzen" no 4 5 1 2 2027 ""
new_task 124 T10 "Rasen säen" no 2 1 "" "" "" ""
sleep 0.3
"$GRAB" "$OUT/4-project-list-tasks.png"

# The task list (the last ID first), then sorted by a click on each column header: the
# headers lie at these places of the second sub-window, beside the project list.
keys "$frame" alt+a u
sleep 0.5
"$GRAB" "$OUT/5-task-list.png"
for column in "390 ID" "480 Bezeichnung" "650 Prio" "720 Fertig"; do
    xdotool mousemove --window "$frame" ${column% *} 84 click 1
    sleep 0.3
    "$GRAB" "$OUT/6-sorted-${column#* }.png"
done

quit_and_check

# What was typed is stored: the group as the worker of T1, the task alarm for root and both
# members, and the tasks with their projects.
LC_ALL=C grep -qa "T1      Dach decken" "$DB/TASK.dat" || fail "TASK lacks T1"
LC_ALL=C grep -qa "Gteam" "$DB/TASK.dat" || fail "T1 is not assigned to the group"
[ "$(LC_ALL=C grep -ao "JT1" "$DB/ALARM.dat" | wc -l)" -eq 3 ] ||
    fail "the alarm of T1 is not stored for root and both members"
LC_ALL=C grep -qa "P1      Umbau S" "$DB/PROJECT.dat" || fail "PROJECT lacks P1"
LC_ALL=C grep -qa "T10     Rasen s" "$DB/TASK.dat" || fail "TASK lacks T10"
echo "tour_projects: all steps passed; screenshots in $OUT"
