#!/bin/bash
# The bash completion of velk-exchange: a table of command lines (the cursor at the end; a
# trailing blank starts a new word) and the completions expected, sorted.  Run in a scratch
# directory with the database directories "db" and "dbx", a file "a.ics" and a vdir "v/".
# Arguments: the completion script, the velk-exchange binary.
set -u
script=$1
exchange=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir db dbx v
touch a.ics
source "$script"
failures=0

check()
{
    local line=$1 want=$2
    read -r -a COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMPREPLY=()
    _velk_exchange
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ *$//')
    if [[ $got != "$want" ]]; then
        echo "FAIL: '$line': got '$got', want '$want'"
        failures=$((failures + 1))
    fi
}

#     command line                                      completions
check "velk-exchange --v"                               "--version --von"
check "velk-exchange --p"                               "--password-stdin"
check "velk-exchange --h"                               "--help"
check "velk-exchange d"                                 "db dbx"
check "velk-exchange --user root --password-stdin d"    "db dbx"
check "velk-exchange db "                               "export import server suche sync"
check "velk-exchange db s"                              "server suche sync"
check "velk-exchange db import "                        "ical personen-dbf portfolio termine-dbf vcard"
check "velk-exchange db export te"                      "termine-dbf terminliste-pdf"
check "velk-exchange db export p"                       "personen-dbf personen-pdf personen-txt portfolio"
check "velk-exchange db sync "                          "alle personen termine termine-team"
check "velk-exchange --user anna db sync termine "      "db dbx v"
check "velk-exchange db import ical a"                  "a.ics"
check "velk-exchange db export woche-pdf --datum 01.01.2027 a" "a.ics"
check "velk-exchange db suche wort --art "              "aufgabe gruppe person projekt ressource termin"
check "velk-exchange db suche wort --art termin,p"      "termin,person termin,projekt"
check "velk-exchange db suche wort --von "              ""
check "velk-exchange db sync alle "                     ""
check "velk-exchange db suche "                         ""

# Every kind it offers is one the program names in its usage.
usage=$("$exchange" --help)
for cmd in import export sync; do
    read -r -a COMP_WORDS <<<"velk-exchange db $cmd"
    COMP_WORDS+=("")
    COMP_CWORD=3
    COMPREPLY=()
    _velk_exchange
    for kind in "${COMPREPLY[@]}"; do
        if [[ $usage != *" $kind"* ]]; then
            echo "FAIL: $cmd $kind is not in velk-exchange --help"
            failures=$((failures + 1))
        fi
    done
done

echo "$failures failures"
((failures == 0))
