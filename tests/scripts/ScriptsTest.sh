#!/usr/bin/env bash
# ./run without a display says so in one line before building anything; scripts/progress turns
# cmake's build output into a header line and the percentages.
set -u
root=$1
source "$(dirname "${BASH_SOURCE[0]}")/../common/Expect.sh"

# No display at all, and a local display whose server is not there.
for display in unset ":987"; do
    if [ "$display" = unset ]; then
        env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/run" >"$tmp/out" 2>"$tmp/err"
    else
        env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" "$root/run" >"$tmp/out" 2>"$tmp/err"
    fi
    rc=$?
    expect "run without a display ($display) fails" '[ $rc -ne 0 ]'
    expect "run without a display ($display) prints nothing on stdout" '[ ! -s "$tmp/out" ]'
    expect "run without a display ($display) says so in one line" \
        '[ "$(wc -l <"$tmp/err")" -eq 1 ] && grep -q "display" "$tmp/err"'
done

# A build with nothing to do says nothing.
printf '%s\n' '[ 10%] Built target veltora_log' '[100%] Built target Veltora' |
    "$root/scripts/progress" >"$tmp/out"
expect "an up-to-date build is silent" '[ ! -s "$tmp/out" ]'

# A build with work: the header, then each tenth reached (not on a terminal), 100% last.
printf '%s\n' '[  2%] Building CXX object platform/log/CMakeFiles/veltora_log.dir/Log.cpp.o' \
    '[  5%] Building CXX object platform/text/CMakeFiles/veltora_text.dir/Gbk.cpp.o' \
    'a compiler warning' \
    '[ 12%] Linking CXX static library libveltora_text.a' \
    '[ 11%] Building CXX object platform/db/CMakeFiles/veltora_db.dir/Connection.cpp.o' \
    '[ 35%] Built target veltora_db' \
    '[100%] Built target Veltora' | "$root/scripts/progress" >"$tmp/out"
printf '%s\n' "Building Veltora (the compiler's output goes to build/build.log)..." '   12%' '   35%' '  100%' \
    >"$tmp/expected"
expect "a build shows a header and its progress" 'diff "$tmp/expected" "$tmp/out"'

exit $failed
