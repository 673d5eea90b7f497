#!/usr/bin/env bash
# End to end: vhpack import with files other programs wrote. Pictures made by ImageMagick play
# upright with their colours as the first intro; a box written as OBJ + MTL + PNG, and the same box
# converted to glTF by assimp's own tool, stands in scene three in place of a house facing the
# right way; an archive model exported as glTF and imported back draws exactly as before; and what
# cannot be imported is one line, status 1, the archive untouched.
set -u
bin="${VH_BIN_DIR:?}"
fail() { echo "FAIL: $*"; exit 1; }
[ -n "${DISPLAY:-}" ] || fail "no X display"
[ -f "${VH_RUN_DIR:?}/vh_data.clu" ] || fail "no generated data in $VH_RUN_DIR"
for tool in convert assimp; do command -v $tool >/dev/null || fail "$tool is missing (scripts/setup installs it)"; done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fresh() { rm -rf run && mkdir run && cp "$VH_RUN_DIR/vh_data.clu" "$VH_RUN_DIR/credits.txt" run/; }
vhpack() { "$bin/vhpack" "$@" >out 2>err; status=$?; }
# The frame at demo time $1 (400x300) of the run folder, after the keys $2, as $3.
frame() {
    local keys=()
    [ -n "${2:-}" ] && keys=(--keys "$2")
    timeout 120 "$bin/vhcapture" --data run --fps 20 --size 400x300 --quiet "${keys[@]}" --at "$1" \
        --until "$1.05" --out cap >/dev/null 2>capture.err || fail "vhcapture: $(cat capture.err)"
    mv "cap/at_$(printf '%07d' $(($1 * 1000))).png" "$3"
}
# Mean colour of a region WxH+X+Y of a picture, as "R G B" in 0..255.
mean() { convert "$1" -crop "$2" +repage -scale '1x1!' -depth 8 -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:; }
# Which of red, green, blue, yellow a mean colour is (or "other").
hue() {
    read -r r g b <<<"$1"
    if ((r > 150 && g > 150 && b < 80)); then echo yellow
    elif ((r > 150 && g < 80 && b < 80)); then echo red
    elif ((g > 150 && r < 80 && b < 80)); then echo green
    elif ((b > 150 && r < 80 && g < 80)); then echo blue
    else echo "other($1)"; fi
}

# ---- pictures: red, green / blue, yellow quadrants, 640x480, with a gradient so that palettes
# keep 8 bits; each imported as the first intro and played.
convert -size 320x240 gradient:'#f00000-#d00000' -size 320x240 gradient:'#00f000-#00d000' +append \
    \( -size 320x240 gradient:'#0000f0-#0000d0' -size 320x240 gradient:'#f0f000-#d0d000' +append \) -append quad.png
convert quad.png -alpha set -channel A -evaluate set 60% +channel alpha.png
convert quad.png -quality 90 quad.jpg
convert quad.png -type Palette -depth 8 -compress none BMP3:palette.bmp
convert quad.png -type Palette -depth 8 BMP3:rle8.bmp
# ImageMagick 6 writes a picture of no set orientation top row first under the format's bottom-left
# flag, so every reader that follows the format (ffmpeg's, stb's, the demo's own) shows it upside
# down; told the orientation, it writes a top-left TGA that means what the PNG shows.
convert quad.png -orient TopLeft -compress RLE rle.tga
convert quad.png -type TrueColor BMP3:true24.bmp
identify -format '%f %m %z %r %C\n' palette.bmp rle8.bmp rle.tga >kinds.txt
grep -q 'palette.bmp BMP3 8 PseudoClass .* None' kinds.txt && grep -q 'rle8.bmp BMP3 8 PseudoClass .* RLE' kinds.txt &&
    grep -q 'rle.tga TGA .*RLE' kinds.txt ||
    fail "ImageMagick did not write the kinds meant: $(cat kinds.txt)"
for picture in alpha.png quad.jpg palette.bmp rle8.bmp rle.tga true24.bmp; do
    fresh
    vhpack import run/vh_data.clu "$picture" --name intro1.bmp --replace
    [ "$status" -eq 0 ] || fail "$picture: status $status: $(cat err)"
    [ "$(cat out)" = "$picture -> intro1.bmp: 512x512 24-bit, was 640x480" ] || fail "$picture: said '$(cat out)'"
    if [ "$picture" = alpha.png ]; then
        grep -q "alpha.png: its alpha is dropped in intro1.bmp" err || fail "alpha.png: no word of the alpha: $(cat err)"
    else
        [ ! -s err ] || fail "$picture: stderr '$(cat err)'"
    fi
    "$bin/vhpack" check run/vh_data.clu --deep >/dev/null || fail "$picture: the archive fails check --deep"
    frame 2 "" "$picture.png"
    seen="$(hue "$(mean "$picture.png" 150x100+25+25)") $(hue "$(mean "$picture.png" 150x100+225+25)")"
    seen+=" $(hue "$(mean "$picture.png" 150x100+25+175)") $(hue "$(mean "$picture.png" 150x100+225+175)")"
    [ "$seen" = "red green blue yellow" ] || fail "$picture as intro 1 shows $seen"
done
# Alpha kept under a .tga name (the demo's picture reader decodes it), the size chosen by --size.
fresh
vhpack import run/vh_data.clu alpha.png --size 256x128
[ "$status" -eq 0 ] && [ "$(cat out)" = "alpha.png -> alpha.tga: 256x128 32-bit, was 640x480" ] ||
    fail "alpha.png as .tga: $status '$(cat out)' '$(cat err)'"
# Export and import give back the same picture: the PNG of an entry imports to the same bytes.
vhpack export run/vh_data.clu intro2.bmp -o intro2.png
[ "$status" -eq 0 ] || fail "export intro2.bmp: $(cat err)"
vhpack import run/vh_data.clu intro2.png --name again.bmp
[ "$status" -eq 0 ] || fail "import of the exported intro2: $(cat err)"
mkdir x && "$bin/vhpack" extract run/vh_data.clu intro2.bmp again.bmp -C x && cmp -s x/intro2.bmp x/again.bmp ||
    fail "intro2.bmp exported and imported again differs"

# ---- models: a 4-unit box on y = 0 whose front (+z) is textured red, its +x side a plain green
# material, the rest grey. Scene three looks at the second house from +x, +z: the front shows on
# the left, the green side on the right; a box turned or mirrored shows them otherwise.
convert -size 64x64 xc:'#ff2020' red.png
cat >box.mtl <<'EOF'
newmtl front
Kd 1 1 1
map_Kd red.png
newmtl side
Kd 0.1 0.9 0.1
newmtl rest
Kd 0.5 0.5 0.5
EOF
cat >box.obj <<'EOF'
mtllib box.mtl
v -2 0 -2
v 2 0 -2
v 2 4 -2
v -2 4 -2
v -2 0 2
v 2 0 2
v 2 4 2
v -2 4 2
vt 0 0
vt 1 0
vt 1 1
vt 0 1
usemtl front
f 5/1 6/2 7/3 8/4
usemtl side
f 6/1 2/2 3/3 7/4
usemtl rest
f 2/1 1/2 4/3 3/4
f 1/1 5/2 8/3 4/4
f 8/1 7/2 3/3 4/4
f 1/1 2/2 6/3 5/4
EOF
assimp export box.obj box.gltf >assimp.out 2>&1 && [ -f box.gltf ] || fail "assimp export: $(cat assimp.out)"
river="1:n,2:n,3:n,4:n,5:n,6:n,7:n" # each 'n' moves on; by 7 s scene three is up
fresh
frame 10 "$river" original.png
for model in box.obj box.gltf; do
    fresh
    vhpack import run/vh_data.clu "$model" --name "house 2 f.3ds" --replace
    [ "$status" -eq 0 ] || fail "$model: status $status: $(cat err)"
    head -1 out | grep -q "^$model -> house 2 f.3ds: 3 objects, 12 faces, 3 textures$" || fail "$model: said '$(cat out)'"
    grep -q '^red.png -> house_2_f_t1.bmp: 64x64 24-bit$' out || fail "$model: texture line '$(cat out)'"
    "$bin/vhpack" check run/vh_data.clu --deep >/dev/null || fail "$model: the archive fails check --deep"
    frame 10 "$river" "$model.png"
    moved=$(compare -metric AE -crop 120x90+140+80 original.png "$model.png" null: 2>&1)
    [ "${moved%%.*}" -gt 3000 ] || fail "$model: the house's place hardly changed ($moved pixels)"
    front=$(mean "$model.png" 30x30+165+110)
    side=$(mean "$model.png" 16x30+218+110)
    read -r r g b <<<"$front"
    ((r > 2 * g && r > 2 * b && r > 60)) || fail "$model: the front is not red on the left: $front"
    read -r r g b <<<"$side"
    ((g > 2 * r && g > 2 * b && g > 60)) || fail "$model: the green side is not on the right: $side"
done

# --fit scales to the size asked; an STL, z up by its kind's custom, stands up in y. Both read back
# through export as OBJ.
extent() { # largest x, y, z extents of an OBJ's vertices
    awk '$1 == "v" { for (i = 2; i <= 4; i++) { if (!(i in lo) || $i < lo[i]) lo[i] = $i; if (!(i in hi) || $i > hi[i]) hi[i] = $i } }
         END { printf "%.2f %.2f %.2f\n", hi[2] - lo[2], hi[3] - lo[3], hi[4] - lo[4] }' "$1"
}
fresh
vhpack import run/vh_data.clu box.obj --fit 10
[ "$status" -eq 0 ] || fail "--fit: $(cat err)"
vhpack export run/vh_data.clu box.3ds -o fit.obj
[ "$status" -eq 0 ] && [ "$(extent fit.obj)" = "10.00 10.00 10.00" ] || fail "--fit 10 gives $(extent fit.obj): $(cat err)"
printf 'solid tall\n' >tall.stl
for t in "0 0 0,1 0 0,1 1 8" "0 0 0,1 1 8,0 1 8"; do
    printf 'facet normal 0 0 0\nouter loop\n' >>tall.stl
    IFS=, read -r a b c <<<"$t"
    printf 'vertex %s\nvertex %s\nvertex %s\n' "$a" "$b" "$c" >>tall.stl
    printf 'endloop\nendfacet\n' >>tall.stl
done
printf 'endsolid tall\n' >>tall.stl
vhpack import run/vh_data.clu tall.stl
[ "$status" -eq 0 ] || fail "tall.stl: $(cat err)"
vhpack export run/vh_data.clu tall.3ds -o tall.obj
[ "$(extent tall.obj)" = "1.00 8.00 1.00" ] || fail "the STL's z is not up: extents $(extent tall.obj)"

# Texture coordinates that repeat are reported; a mesh of more faces than a 3DS object holds is split.
sed 's/^vt 1 1$/vt 3 1/' box.obj >tiled.obj
vhpack import run/vh_data.clu tiled.obj
[ "$status" -eq 0 ] && grep -q "^vhpack: tiled.obj: .* (material front): texture coordinates repeat outside 0..1 (u 0.00..3.00" err ||
    fail "repeating texture coordinates: $status '$(cat err)'"
awk 'BEGIN { n = 200; m = 180
    for (j = 0; j <= m; j++) for (i = 0; i <= n; i++) print "v", i, 0, j
    for (j = 0; j < m; j++) for (i = 0; i < n; i++) { a = j * (n + 1) + i + 1; print "f", a, a + n + 1, a + 1; print "f", a + 1, a + n + 1, a + n + 2 } }' >grid.obj
vhpack import run/vh_data.clu grid.obj
[ "$status" -eq 0 ] && grep -q "^grid.obj -> grid.3ds: 2 objects, 72,000 faces, 1 texture$" out ||
    fail "a grid of 72,000 faces: $status '$(cat out)' '$(cat err)'"

# An archive model out as glTF and back in draws exactly as before.
fresh
vhpack export run/vh_data.clu house_one.3ds -o house_one.glb
[ "$status" -eq 0 ] || fail "export house_one.3ds: $(cat err)"
vhpack import run/vh_data.clu house_one.glb --replace
[ "$status" -eq 0 ] || fail "import house_one.glb: $(cat err)"
frame 10 "$river" roundtrip.png
moved=$(compare -metric AE original.png roundtrip.png null: 2>&1)
[ "$moved" = 0 ] || fail "house_one.3ds through glTF and back moved $moved pixels"

# ---- refusals: one line naming the file, status 1, the archive byte for byte as it was.
fresh
cp run/vh_data.clu before.clu
: >empty.png
head -c 300 quad.png >cut.png
printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\n' >nofaces.obj
printf 'hello\n' >notes.xyz
check_refused() { # FILE WORDS [OPTIONS...]
    vhpack import run/vh_data.clu "$1" "${@:3}"
    [ "$status" -eq 1 ] || fail "$1: status $status"
    [ "$(wc -l <err)" -eq 1 ] && grep -q "$2" err || fail "$1: stderr '$(cat err)'"
    [ ! -s out ] || fail "$1: stdout '$(cat out)'"
    cmp -s before.clu run/vh_data.clu || fail "$1: the archive changed"
}
check_refused empty.png "^vhpack: empty.png: is empty"
check_refused cut.png "^vhpack: cut.png: is a damaged or unsupported picture"
check_refused nofaces.obj "^vhpack: nofaces.obj: .*no faces\|^vhpack: nofaces.obj: is no model"
check_refused notes.xyz "^vhpack: notes.xyz: is neither a picture nor a model the importer takes (pictures: .png"
check_refused quad.png "^vhpack: run/vh_data.clu: entry intro1.bmp already exists (use --replace)" --name intro1.bmp
# A file that sets the model library spinning (a PLY whose header never ends) is stopped by the CPU
# limit of the helper process that reads it.
printf 'ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\nend_hedear\n0 0 0\n' >spin.ply
VHPACK_IMPORT_SECONDS=2 check_refused spin.ply "^vhpack: spin.ply: the reader was still busy after 2 s of work"
vhpack import run/vh_data.clu quad.png --size 640x480
[ "$status" -eq 2 ] && grep -q 'power of two' err || fail "--size 640x480: $status '$(cat err)'"
echo "ok"
