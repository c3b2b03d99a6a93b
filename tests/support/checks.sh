# The reporting of the shell tests, sourced by bash or sh: one "ok -" or "not ok -" line a check, and
# at the end the "N passed, N failed" line that CTest's log shows. Also the few checks that more
# than one of them asks.

passed=0
failed=0
skipped=0

pass() { passed=$((passed + 1)); echo "ok - $1"; }
fail() { failed=$((failed + 1)); echo "not ok - $1"; }
skip() { skipped=$((skipped + 1)); echo "skip - $1"; }

# check DESCRIPTION COMMAND...: passes when the command succeeds.
check() {
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

# status_is STATUS, status_failed: how the command under test ended, by $rc, which the test sets.
status_is() { [ "$rc" -eq "$1" ]; }
status_failed() { [ "$rc" -ne 0 ]; }
# lines TEXT...: each argument on a line of its own, to compare with the lines of a file.
lines() { printf '%s\n' "$@"; }
# same_text FILE TEXT: the file holds TEXT, line ends at its end aside; a missing file holds none.
same_text() { [ "$(cat -- "$1" 2>/dev/null)" = "$2" ]; }

# finish: the summary, and the exit status of the whole test.
finish() {
    [ "$skipped" -eq 0 ] || echo "# $skipped skipped"
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
