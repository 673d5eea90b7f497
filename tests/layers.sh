#!/usr/bin/env bash
# The folders of src/ depend one way, and the check that keeps it so really catches a
# planted upward include.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "FAIL: $*"; exit 1; }

"$root/scripts/check-layers" "$root/src" || fail "src/ has an include that runs upward"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$root/src" "$work/src"
echo '#include "shell/state.h"' >> "$work/src/core/timer.cpp"
echo '#include "camera/wedpath.h"' >> "$work/src/model/mesh.h"
out=$("$root/scripts/check-layers" "$work/src") && fail "planted upward includes went unnoticed"
grep -q 'core/timer.cpp: includes shell/' <<<"$out" || fail "core including shell not named: $out"
grep -q 'model/mesh.h: includes camera/' <<<"$out" || fail "model including camera not named: $out"
mkdir "$work/src/newfolder"
"$root/scripts/check-layers" "$work/src" | grep -q 'src/newfolder: a folder the layer order does not know' ||
    fail "an unknown folder slipped through"
echo "ok"
