#!/usr/bin/env bash
# The build's placing of the generated data into the run folder: a file there is replaced only
# when it is what the build last put there (or missing); a person's own file, or a link, is kept
# and named in one line that says how to get the generated one back.
set -u
place="${VH_SOURCE_DIR:?}/tools/assetgen/place_data.cmake"
fail() { echo "FAIL: $*"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
gen="$work/generated" run="$work/run"
mkdir "$gen" "$run"

generate() { # ROUND: a new generation of both files
    echo "archive $1" >"$gen/vh_data.clu"
    echo "credits $1" >"$gen/credits.txt"
}
build() { # places the data; said = what it printed
    said=$("${CMAKE:-cmake}" -DGEN="$gen" -DRUN="$run" -DNAMES=vh_data.clu,credits.txt -P "$place" 2>&1) ||
        fail "placing failed: $said"
}
holds() { [ "$(cat "$run/$1")" = "$2" ] || fail "$1 holds '$(cat "$run/$1")', expected '$2' ($3)"; }

generate 1 && build
[ -z "$said" ] || fail "a first build said '$said'"
holds vh_data.clu "archive 1" "first build" && holds credits.txt "credits 1" "first build"

generate 2 && build
holds vh_data.clu "archive 2" "what the build put there is renewed"

# A changed archive is kept through two new generations; the untouched credits follow them.
echo "my own" >"$run/vh_data.clu"
for round in 3 4; do
    generate $round && build
    holds vh_data.clu "my own" "round $round"
    holds credits.txt "credits $round" "round $round"
    [ "$(wc -l <<<"$said")" -eq 1 ] || fail "round $round said more than one line: '$said'"
    grep -q "^$run/vh_data.clu: .*kept.*$gen/vh_data.clu.*remove yours and build again" <<<"$said" ||
        fail "round $round: '$said'"
done
[ ! -e "$run/vh_data.clu.placing" ] || fail "a half-placed file is left"

# Removed, it comes back; the same bytes as the generator's are taken as its own again.
rm "$run/vh_data.clu" && build
holds vh_data.clu "archive 4" "removed" && [ -z "$said" ] || fail "restoring said '$said'"
generate 5 && cp "$gen/vh_data.clu" "$run/vh_data.clu" && build
generate 6 && build
holds vh_data.clu "archive 6" "equal to the generated file, then a new generation"

# A link is someone's own arrangement: kept, and nothing is written through it.
echo "theirs" >"$work/elsewhere.clu"
rm "$run/vh_data.clu" && ln -s "$work/elsewhere.clu" "$run/vh_data.clu"
generate 7 && build
[ -L "$run/vh_data.clu" ] && [ "$(cat "$work/elsewhere.clu")" = "theirs" ] || fail "the link was replaced or written"
grep -q "^$run/vh_data.clu: is a link" <<<"$said" || fail "link: '$said'"
echo "place_data: ok"
