#!/usr/bin/env bash
# mkschool makes schools of the sizes asked and refuses sizes out of range with its usage line;
# statcalc names the reference of each figure and leaves the per-cell count replay out on request.
set -u
mkschool=$1
statcalc=$2
source "$(dirname "${BASH_SOURCE[0]}")/../common/Expect.sh"

for bad in "--grades 0" "--grades 201" "--classes 0" "--classes 99" "--students 0" "--students 100" \
    "--min-students 30 --max-students 20" "--exams -1" "--exams 101" "--exams x" "--students" \
    "--classes 3.5"; do
    "$mkschool" "$tmp/bad.mdb" $bad >"$tmp/out" 2>"$tmp/err"
    rc=$?
    expect "mkschool $bad exits 2" '[ $rc -eq 2 ]'
    expect "mkschool $bad prints the usage line" 'grep -q "^usage: mkschool" "$tmp/err"'
    expect "mkschool $bad makes no file" '[ ! -e "$tmp/bad.mdb" ]'
done

"$mkschool" "$tmp/small.mdb" --grades 2 --classes 3 --students 7 --exams 2 >"$tmp/out" 2>"$tmp/err"
expect "mkschool makes a school of the sizes asked" \
    'grep -q "2 grades, 6 classes, 42 students, 10 subjects, 4 exams" "$tmp/out"'
"$mkschool" "$tmp/range.mdb" --grades 1 --classes 4 --min-students 5 --max-students 6 --exams 1 \
    --no-edge-cases >"$tmp/out" 2>"$tmp/err"
students=$(sed -n 's/.* classes, \([0-9]*\) students,.*/\1/p' "$tmp/out")
expect "mkschool keeps each class within the students asked" '[ "$students" -ge 20 ] && [ "$students" -le 24 ]'
# The sizes apply on top of --large, before or after it.
"$mkschool" "$tmp/large.mdb" --classes 1 --students 2 --large --exams 1 >"$tmp/out" 2>"$tmp/err"
expect "sizes apply on top of --large" 'grep -q "20 grades, 20 classes, 40 students, 10 subjects, 20 exams" "$tmp/out"'

# statcalc: every figure line names its reference; the replay is left out on request.
password='Tavrin#2008' # the fixture's
"$statcalc" "$tmp/small.mdb" --password "$password" --only "score list" --runs 1 --no-tables >"$tmp/with" 2>"$tmp/err"
rc=$?
expect "statcalc runs the score lists" '[ $rc -eq 0 ]'
expect "statcalc times against the bare SQL" \
    'grep -q "^time: .*reference, bare SQL of the same statements" "$tmp/with"'
expect "statcalc gives the lists the per-cell count replay" \
    '[ "$(grep -c "per-cell count replay" "$tmp/with")" -ge 5 ]'
"$statcalc" "$tmp/small.mdb" --password "$password" --only "score list" --runs 1 --no-tables --no-cell-reference \
    >"$tmp/without" 2>"$tmp/err"
rc=$?
expect "statcalc runs without the replay" '[ $rc -eq 0 ]'
expect "statcalc --no-cell-reference leaves the replay out" '! grep -q "per-cell" "$tmp/without"'
expect "statcalc --no-cell-reference keeps the bare SQL reference" \
    '[ "$(grep -c "bare SQL of the same statements" "$tmp/without")" -eq "$(grep -c "bare SQL of the same statements" "$tmp/with")" ]'

exit $failed
