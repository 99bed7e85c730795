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
