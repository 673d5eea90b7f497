#!/usr/bin/env bash
# End to end: the real vexhal where no audio device is (CI, this virtual X server): a default run
# plays silently and says nothing of sound on stdout, stderr or in vh_debug.txt; --trace notes the
# missing device; --mute and --volume start as usual; a bad --volume is one line and status 2.
set -u
bin="${VH_BIN_DIR:?}/vexhal"
fail() { echo "FAIL: $*"; exit 1; }
[ -n "${DISPLAY:-}" ] || fail "no X display"
command -v xdotool >/dev/null || fail "xdotool missing"

work=$(mktemp -d)
trap 'kill "${pid:-}" 2>/dev/null; rm -rf "$work"' EXIT
[ -f "${VH_RUN_DIR:-}/vh_data.clu" ] || fail "no generated data in ${VH_RUN_DIR:-?}"

# Plays the first intro for a moment with the given options, then ESC; sets status.
play() {
    rm -rf "$work/run" && mkdir "$work/run"
    cp "$VH_RUN_DIR/vh_data.clu" "$VH_RUN_DIR/credits.txt" "$work/run/"
    (cd "$work/run" && exec "$bin" --quiet "$@" >"$work/out" 2>"$work/err") &
    pid=$!
    local wid
    wid=$(timeout 20 xdotool search --sync --onlyvisible --name "vexhal" | head -n 1)
    [ -n "$wid" ] || fail "the window did not appear ($*)"
    xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
    sleep 1.5
    xdotool key --clearmodifiers Escape
    for ((i = 0; i < 100; i++)); do
        kill -0 "$pid" 2>/dev/null || { wait "$pid"; status=$?; return 0; }
        sleep 0.1
    done
    fail "still running after ESC ($*)"
}

play
[ "$status" -eq 0 ] || fail "default run: status $status"
[ ! -s "$work/out" ] || fail "default run: stdout holds '$(cat "$work/out")'"
# The square-root banner is the only thing a quiet run has ever written on stderr.
[ "$(cat "$work/err")" = "FAST SQRT LIB INIT" ] || fail "default run: stderr holds '$(cat "$work/err")'"
[ "$(grep -c . "$work/run/vh_debug.txt")" -eq 2 ] || fail "default run: vh_debug.txt holds $(cat "$work/run/vh_debug.txt")"

play --trace
grep -q '^music: no audio device found (.*); the demo plays silently$' "$work/run/vh_debug.txt" ||
    fail "--trace: no line on the missing device in $(cat "$work/run/vh_debug.txt")"

play --mute --volume 40
[ "$status" -eq 0 ] && [ "$(cat "$work/err")" = "FAST SQRT LIB INIT" ] || fail "--mute --volume 40: $status '$(cat "$work/err")'"

"$bin" --volume 101 >/dev/null 2>"$work/err"
status=$?
[ "$status" -eq 2 ] && grep -q 'vexhal: --volume 101: give a whole number from 0 to 100' "$work/err" ||
    fail "--volume 101: status $status, '$(cat "$work/err")'"
echo "e2e sound: ok"
