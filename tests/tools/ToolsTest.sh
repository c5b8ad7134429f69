#!/usr/bin/env bash
# roombench and rosterbench: bad options give the usage and exit 2; roombench prints its figures
# for an arrangement at the room limit and none for one past it, which it names and fails.
set -u
roombench=$1
rosterbench=$2
source "$(dirname "${BASH_SOURCE[0]}")/../common/Expect.sh"
# A figure: a number with decimals, or a time in ms.
figure='[0-9]\.[0-9]|(^|[^a-z])ms($|[^a-z])'

# Each line of the input is a command line the tool refuses: exit 2, its usage, nothing on stdout.
refuses() { # tool, its name
    local name=$2
    while read -r args; do
        # shellcheck disable=SC2086
        timeout 60 "$1" $args >"$tmp/out" 2>"$tmp/err"
        rc=$?
        expect "$name $args exits 2" '[ $rc -eq 2 ]'
        expect "$name $args prints nothing on stdout" '[ ! -s "$tmp/out" ]'
        expect "$name $args gives the usage" 'grep -q "^usage: $name" "$tmp/err"'
    done
}

refuses "$roombench" roombench <<'LIST'
--seats 0
--seats 100
--students 0
--students 9703
--students 12x
--runs 0
--runs
--pictures
--rooms 3
5
LIST

refuses "$rosterbench" rosterbench <<'LIST'
--rows 0
--rows 65536
--rows many
--rows
--rows 10 --rows 20
1000
LIST

# 99 rooms of one seat are the most exam numbers can name; the grade's 99 students do not fill its
# two classes evenly, so one class has a student fewer.
timeout 60 "$roombench" --students 99 --seats 1 --runs 1 >"$tmp/out" 2>"$tmp/err"
rc=$?
expect "roombench at 99 rooms succeeds" '[ $rc -eq 0 ]'
expect "roombench at 99 rooms reports no failure" '! grep -qE "^(failed|refused):" "$tmp/err"'
expect "roombench at 99 rooms states its size" 'grep -q "99 students, 1 seats per room (99 rooms)" "$tmp/out"'
expect "roombench at 99 rooms gives every figure" \
    '[ "$(grep -cE "^  .* +[0-9]+\.[0-9]{2}( |$)" "$tmp/out")" -eq 5 ]'
expect "roombench at 99 rooms prints 99 pages of room lists" 'grep -q "room lists to PDF (99 pages)" "$tmp/out"'

# One student more needs a 100th room: the dialog refuses, and the run fails with its message.
timeout 60 "$roombench" --students 100 --seats 1 --runs 1 >"$tmp/out" 2>"$tmp/err"
rc=$?
expect "a refused roombench run exits 1" '[ $rc -eq 1 ]'
expect "a refused roombench run prints nothing on stdout" '[ ! -s "$tmp/out" ]'
expect "a refused roombench run gives the dialog's message" \
    'grep -qx "refused: 100 students at 1 seats per room: 考室数不能超过99个！" "$tmp/err"'
expect "a refused roombench run prints no figure" '! grep -qE "$figure" "$tmp/out" "$tmp/err"'

exit $failed
