# The checks of the shell tests: `expect DESCRIPTION CONDITION` evaluates the condition and, when
# it does not hold, names it (with the last run's output kept in $tmp/out and $tmp/err, if any)
# and marks the test failed; the test ends with `exit $failed`. $tmp is removed on exit.
failed=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
expect() {
    if ! eval "$2"; then
        echo "FAIL: $1"
        for f in out err; do
            [ -s "$tmp/$f" ] && { echo "--- $f"; cat "$tmp/$f"; }
        done
        failed=1
    fi
    return 0
}
