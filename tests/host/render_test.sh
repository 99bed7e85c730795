#!/usr/bin/env bash
# The windowless renderer's command line: a frame at 20 s, and arguments it
# must refuse without leaving a file behind.
#   render_test.sh INTRO-RENDER
set -u
render=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cd "$work"

"$render" frame --time 20 --out f.png || fail "frame --time 20 failed"
[ "$(identify -format '%wx%h' f.png)" = 800x600 ] || fail "f.png is not 800x600"
for band in 800x75+0+0 800x75+0+525; do
  [ "$(convert f.png -crop $band +repage -format '%[fx:int(255*maxima)]' info:)" = 0 ] ||
    fail "rows of $band are not black"
done
# Dark pixels (every channel at most 2) in a region of a picture.
dark() { convert "$1" -crop "$2" +repage -channel RGB -separate -evaluate-sequence max -threshold 1% \
           -format '%[fx:int(w*h*(1-mean)+0.5)]' info:; }
"$render" frame --time 0.5 --out early.png || fail "frame --time 0.5 failed"
[ "$(convert early.png -format '%[fx:int(255*maxima)]' info:)" = 0 ] || fail "the picture before 1 s is not black"
# At 20 s the logo panel is black off its strokes (around window x 490, y 330
# counted upwards), and so are the title glyphs below it; the strokes are not.
[ "$(dark f.png 6x6+487+266)" = 36 ] || fail "the panel at 20 s is not black"
[ "$(dark f.png 10x4+395+298)" = 0 ] || fail "the mark's centre at 20 s is black"
titles=$(dark f.png 800x60+0+384)
[ "$titles" -gt 300 ] || fail "no title glyphs cut out at 20 s ($titles dark pixels)"
"$render" frame --time 30 --out mid.png || fail "frame --time 30 failed"
stray=$(dark mid.png 800x450+0+75)
[ "$stray" -lt 50 ] || fail "the panel or titles show at 30 s ($stray dark pixels)"
"$render" frame --time 20 --pass scene --out s.png || fail "--pass scene failed"
[ "$(identify -format '%wx%h %[channels]' s.png)" = "800x600 srgba" ] || fail "s.png: $(identify s.png)"

# Each refused command line: a one-line message, a non-zero status, no file.
refuse() {
  rm -rf out.png out.png.* err
  "$@" 2>err >/dev/null && fail "accepted: $*"
  [ "$(wc -l <err)" -eq 1 ] || fail "not one line of error for: $* ($(cat err))"
  ls out.png* missing/out.png 2>/dev/null | grep -q . && fail "left a file behind: $*"
  return 0
}
refuse "$render"
refuse "$render" paint
refuse "$render" frame --out out.png
refuse "$render" frame --time --out out.png
refuse "$render" frame --time 2x --out out.png
refuse "$render" frame --time nan --out out.png
refuse "$render" frame --time 20
refuse "$render" frame --time 20 --out out.png --pass glyphs
refuse "$render" frame --time 20 --out out.png --colour red
refuse "$render" frame --time 20 --out missing/out.png
refuse "$render" frame --time 20 --out /proc/out.png
exit 0
