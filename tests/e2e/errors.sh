#!/usr/bin/env bash
# End to end: what the programs say when their data is bad. A damaged archive is refused
# at start-up with one line naming it; a damaged path file ends the run with one line
# naming it; assets that may fail quietly leave one warning each; every added line starts
# on a line of its own and is also in vh_debug.txt.
set -u
bin="${VH_BIN_DIR:?}"
fail() { echo "FAIL: $*"; exit 1; }
[ -n "${DISPLAY:-}" ] || fail "no X display"
[ -f "${VH_RUN_DIR:?}/vh_data.clu" ] || fail "no generated data in $VH_RUN_DIR"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fresh() { # a run folder holding the generated data
    rm -rf "$work/run" && mkdir "$work/run" && cp "$VH_RUN_DIR/vh_data.clu" "$VH_RUN_DIR/credits.txt" "$work/run/"
}
# vexhal in the run folder; sets status, out (stdout) and err (stderr).
vexhal() {
    (cd "$work/run" && timeout 30 "$bin/vexhal" "$@" >"$work/out" 2>"$work/err")
    status=$?
    out=$(cat "$work/out")
    err=$(cat "$work/err")
}
# vhcapture that presses 'n' every 0.1 s for the given seconds; sets status and err.
capture() {
    local keys="" i
    for ((i = 1; i <= $1 * 10; i++)); do keys+="$((i / 10)).$((i % 10)):n,"; done
    (cd "$work/run" && timeout 120 "$bin/vhcapture" --keys "${keys%,}" "${@:2}" >/dev/null 2>"$work/err")
    status=$?
    err=$(cat "$work/err")
}

# --help and --version answer on stdout with status 0; an unknown option of ours is a usage error.
fresh
vexhal --help
[ "$status" -eq 0 ] && grep -q 'vh_data.clu' <<<"$out" && grep -q 'ESC' <<<"$out" || fail "--help: $status '$out'"
vexhal --version
[ "$status" -eq 0 ] && [ "$out" = "vexhal 1.2.0" ] || fail "--version: $status '$out'"
vexhal --no-such-option
[ "$status" -eq 2 ] && grep -q 'unknown option --no-such-option' <<<"$err" || fail "unknown option: $status '$err'"

# A damaged archive: found at start-up, one line naming the file and the fault, status 1.
for damage in empty random truncated folder; do
    fresh
    case $damage in
        empty) : >"$work/run/vh_data.clu" ;;
        random) head -c 5000 /dev/urandom >"$work/run/vh_data.clu" ;;
        truncated) truncate -s -1 "$work/run/vh_data.clu" ;;
        folder) rm "$work/run/vh_data.clu" && mkdir "$work/run/vh_data.clu" ;;
    esac
    vexhal
    [ "$status" -eq 1 ] || fail "$damage archive: status $status"
    [ "$(grep -c '^error: vh_data.clu: ' <<<"$err")" -eq 1 ] || fail "$damage archive: stderr '$err'"
    grep -q '^error: vh_data.clu: ' "$work/run/vh_debug.txt" || fail "$damage archive: not in the debug log"
done
fresh
truncate -s -1 "$work/run/vh_data.clu"
vexhal --quiet
grep -q '^error: vh_data.clu: check value .* does not match' <<<"$err" || fail "truncated archive: '$err'"
grep -q 'NO GL ERROR' <<<"$err" && fail "--quiet still reports NO GL ERROR: '$err'"
vexhal
grep -q 'NO GL ERROR' <<<"$err" || fail "without --quiet the GL reports are gone: '$err'"

# A path file that is not one ends the run when scene three starts: one line, status 1.
fresh
printf 'not a path file, though long enough to hold a header and a record or two: %s\n' {1..4} >"$work/junk.wed"
"$bin/vhpack" add "$work/run/vh_data.clu" "$work/junk.wed" --name boatpath.wed --replace --force 2>/dev/null ||
    fail "vhpack could not plant the junk path"
capture 4
[ "$status" -eq 1 ] || fail "junk path: vhcapture status $status"
[ "$(grep -c '^error: boatpath.wed: not a WED path file$' <<<"$err")" -eq 1 ] || fail "junk path: '$err'"
grep -q '^error: boatpath.wed: not a WED path file$' "$work/run/vh_debug.txt" || fail "junk path: not in the log"
grep -q 'ended itself with status 1 at [0-9.]* s: boatpath.wed: not a WED path file' <<<"$err" ||
    fail "junk path: vhcapture does not repeat the cause: '$err'"

# vexhal --start scene3 begins at the river: with the junk path it ends at once, not after two scenes.
vexhal --quiet --start scene3
[ "$status" -eq 1 ] && grep -q '^error: boatpath.wed: not a WED path file$' <<<"$err" ||
    fail "--start scene3: status $status '$err'"
vexhal --start nowhere
[ "$status" -eq 2 ] && grep -q -- '--start nowhere: not a part' <<<"$err" || fail "--start nowhere: $status '$err'"

# A missing intro picture plays black, with one warning however often it is asked for.
fresh
"$bin/vhpack" remove "$work/run/vh_data.clu" intro1.bmp >/dev/null || fail "vhpack could not remove intro1.bmp"
(cd "$work/run" && timeout 60 "$bin/vhcapture" --until 3 >/dev/null 2>"$work/err")
[ $? -eq 0 ] || fail "missing intro: vhcapture failed: $(cat "$work/err")"
[ "$(grep -c '^warning: intro1.bmp: not found in the archive' "$work/err")" -eq 1 ] ||
    fail "missing intro: $(cat "$work/err")"
grep -q '^warning: intro1.bmp: ' "$work/run/vh_debug.txt" || fail "missing intro: not in the log"

# credits.txt missing, empty, a folder or binary: the run ends well, with one warning naming it.
for damage in missing empty folder binary; do
    fresh
    case $damage in
        missing) rm "$work/run/credits.txt" ;;
        empty) : >"$work/run/credits.txt" ;;
        folder) rm "$work/run/credits.txt" && mkdir "$work/run/credits.txt" ;;
        binary) head -c 3000 /dev/urandom >"$work/run/credits.txt" ;;
    esac
    capture 5
    [ "$status" -eq 0 ] || fail "$damage credits: status $status: $err"
    [ "$(grep -c '^warning: credits.txt: ' <<<"$err")" -eq 1 ] || fail "$damage credits: '$err'"
done
echo "ok"
