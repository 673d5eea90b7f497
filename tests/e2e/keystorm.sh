#!/usr/bin/env bash
# End to end: a storm of real key events from xdotool at the real vexhal in the virtual X
# server, with the window resized between bursts: letters, 'n', 'A', the backquote, arrows,
# space, Enter, Backspace and console commands typed by accident. The program must keep
# running through all of it, end on ESC with status 0, and (in the sanitizer run) leave no
# sanitizer report. The keys come from a fixed seed, so every run sends the same storm.
#
# After the credits have stood three seconds any key ends the program, so a burst never holds
# enough 'n' to get there: each starts from a known place (the console closed, or opened and
# told to go back to an intro) and holds at most two 'n', where the credits need three scene
# closes from any intro. The console's state is known from outside because only the
# backquote opens or closes it.
set -u
bin="${VH_BIN_DIR:?}/vexhal"
fail() { echo "FAIL: $*"; exit 1; }
[ -n "${DISPLAY:-}" ] || fail "no X display"
command -v xdotool >/dev/null || fail "xdotool missing"
[ -f "${VH_RUN_DIR:?}/vh_data.clu" ] || fail "no generated data in $VH_RUN_DIR"

work=$(mktemp -d)
trap 'kill "${pid:-}" 2>/dev/null; rm -rf "$work"' EXIT
cp "$VH_RUN_DIR/vh_data.clu" "$VH_RUN_DIR/credits.txt" "$work/"
(cd "$work" && exec "$bin" --quiet --trace --size 400x300 >/dev/null 2>"$work/err") &
pid=$!
wid=$(timeout 60 xdotool search --sync --onlyvisible --name "vexhal" | head -n 1)
[ -n "$wid" ] || fail "the window did not appear"

RANDOM=18 # bash's generator, seeded: the same storm every run
letters=(a b c d e f g h i j k l m o p q r s t u v w x y z) # 'n' is placed by hand
others=(A grave Left Right Up Down space Return BackSpace 1 5 period)
# Typed by accident (nothing that ends the program or jumps to the credits).
commands=("goto scene1" "goto intro2" "goto scene2" "reload" "speed 10" "speed 0.1" "pause" "resume" "step"
    "wire" "fps" "camera" "textures" "meshes" "help" "keys" "shot" "goto nowhere" "speed abc")
keysyms() { # text -> xdotool key names
    local text=$1 i c
    for ((i = 0; i < ${#text}; i++)); do
        c=${text:i:1}
        case $c in
            " ") echo space ;;
            ".") echo period ;;
            *) echo "$c" ;;
        esac
    done
}
console_open=0
sent=0
press() { # key names...
    xdotool key --clearmodifiers --delay 3 "$@" 2>/dev/null || fail "xdotool could not send keys"
    sent=$((sent + $#))
}
parts=(intro1 intro2 intro3)
sizes=("640 480" "1 1" "1000 700" "37 211" "800 600" "300 40" "120 90")
for ((burst = 0; burst < 40; burst++)); do
    kill -0 "$pid" 2>/dev/null || fail "vexhal ended during burst $burst"
    # A known place: console closed, then opened to send the demo back to an intro.
    [ "$console_open" = 1 ] && press grave
    mapfile -t reset < <(keysyms "keys"; echo Return; keysyms "resume"; echo Return; keysyms "speed 1"; echo Return
        keysyms "goto ${parts[burst % 3]}"; echo Return)
    press grave "${reset[@]}" grave
    console_open=0
    xdotool windowsize "$wid" ${sizes[burst % ${#sizes[@]}]} 2>/dev/null
    xdotool windowfocus "$wid" 2>/dev/null

    storm=()
    ns=0
    while [ ${#storm[@]} -lt 100 ]; do
        roll=$((RANDOM % 100))
        if [ $roll -lt 55 ]; then
            storm+=("${letters[RANDOM % ${#letters[@]}]}")
        elif [ $roll -lt 85 ]; then
            key=${others[RANDOM % ${#others[@]}]}
            [ "$key" = grave ] && console_open=$((1 - console_open))
            storm+=("$key")
        elif [ $roll -lt 92 ]; then
            [ $ns -lt 2 ] && storm+=(n) && ns=$((ns + 1))
        else
            command=${commands[RANDOM % ${#commands[@]}]}
            count=$(tr -cd n <<<"$command" | wc -c)
            [ $((ns + count)) -gt 2 ] && continue
            ns=$((ns + count))
            mapfile -t typed < <(keysyms "$command")
            storm+=("${typed[@]}" Return)
        fi
    done
    press "${storm[@]}"
done
sleep 1
kill -0 "$pid" 2>/dev/null || fail "vexhal ended after the storm"
[ "$console_open" = 1 ] && press grave
press Escape
for ((i = 0; i < 300; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "still running 30 s after ESC"
wait "$pid"
status=$?
err=$(cat "$work/err")
grep -Eq 'Sanitizer|runtime error' <<<"$err" && fail "sanitizer report: $(grep -E -A30 'Sanitizer|runtime error' <<<"$err")"
[ "$status" -eq 0 ] || fail "exit status $status: $(tail -n 20 <<<"$err")"
# The storm reached the program: the scenes it sent the demo into traced their starts.
for scene in one two; do
    starts=$(grep -c "^scene $scene: step 0 at" "$work/vh_debug.txt")
    [ "$starts" -ge 5 ] || fail "scene $scene started only $starts times"
done
echo "$sent keys in 40 bursts with resizes: ran until ESC, status 0"
echo "ok"
