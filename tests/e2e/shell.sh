#!/usr/bin/env bash
# End to end: the real vexhal binary in the virtual X server, driven by real key
# events from xdotool. Checks the missing-archive exit, ESC, the whole sequence with
# 'n' up to the credits wait, and the debug log's header and footer.
set -u
bin="${VH_BIN_DIR:?}/vexhal"
fail() { echo "FAIL: $*"; exit 1; }
[ -n "${DISPLAY:-}" ] || fail "no X display"
command -v xdotool >/dev/null || fail "xdotool missing"

work=$(mktemp -d)
trap 'kill "${pid:-}" 2>/dev/null; rm -rf "$work"' EXIT

# 1. No archive in the working directory: one message, status 1; stderr names the fault, then
#    the folder it looked in and how to point elsewhere.
mkdir "$work/empty"
out=$(cd "$work/empty" && timeout 20 "$bin" --quiet 2>"$work/err")
status=$?
[ "$status" -eq 1 ] || fail "missing archive: exit status $status, expected 1"
[ "$out" = "ERROR: DATA FILE:vh_data.clu NOT FOUND" ] || fail "missing archive: printed '$out'"
tail -n 2 "$work/err" >"$work/said"
expected="error: vh_data.clu: cannot be opened (No such file or directory)
note: looked for vh_data.clu in $work/empty; start the demo where the data is (cd build/run) or name that folder with --data DIR"
[ "$(cat "$work/said")" = "$expected" ] || fail "missing archive: stderr ended '$(cat "$work/said")'"

# Start the demo in a folder holding an archive (the generated one when it exists).
start_demo() {
    rm -rf "$work/run" && mkdir "$work/run"
    [ -f "${VH_RUN_DIR:-}/vh_data.clu" ] || fail "no generated data in ${VH_RUN_DIR:-?}"
    cp "$VH_RUN_DIR/vh_data.clu" "$VH_RUN_DIR/credits.txt" "$work/run/" 2>/dev/null
    (cd "$work/run" && exec "$bin" 2>/dev/null >/dev/null) &
    pid=$!
    wid=$(timeout 20 xdotool search --sync --onlyvisible --name "vexhal" | head -n 1)
    [ -n "$wid" ] || fail "the window did not appear"
    xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
}
press() { xdotool key --clearmodifiers "$1"; }
wait_exit() { # seconds -> sets status, fails if still running
    local i
    for ((i = 0; i < $1 * 10; i++)); do
        kill -0 "$pid" 2>/dev/null || { wait "$pid"; status=$?; return 0; }
        sleep 0.1
    done
    fail "still running after $1 s"
}
check_log() {
    local log="$work/run/vh_debug.txt"
    [ -f "$log" ] || fail "no vh_debug.txt"
    head -n 1 "$log" | grep -Eq '^----VEXHAL DEBUG FILE-[A-Z][a-z]{2} [ 0-9][0-9] [0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}$' \
        || fail "debug log header: $(head -n 1 "$log")"
    [ "$(grep -c -- '------END OF VEXHAL DEBUG FILE-------' "$log")" -eq 1 ] || fail "debug log footer missing"
}

# 2. ESC during the first intro ends the program with status 0.
start_demo
sleep 0.7
press Escape
wait_exit 10
[ "$status" -eq 0 ] || fail "ESC: exit status $status"
check_log

# 3. 'n' through the whole sequence reaches the credits, which wait for a key.
#    Nine presses close fade-in, intro and scene three times over; the spare ones
#    land in the exit state's first three seconds and must be ignored.
start_demo
sleep 0.5
for i in $(seq 1 12); do press n; sleep 0.15; done
sleep 1.0
kill -0 "$pid" 2>/dev/null || fail "the program ended before the credits wait was over"
sleep 2.5
kill -0 "$pid" 2>/dev/null || fail "keys pressed in the first three seconds of the credits ended the program"
press space
wait_exit 10
[ "$status" -eq 0 ] || fail "credits: exit status $status"
check_log
echo "e2e shell: ok"
