#!/usr/bin/env bash
# End-to-end checks of the show in a virtual X server.
#   show_test.sh INTRO XCLOSE nodisplay|escape|close
#   nodisplay: without any display the show reports "window_init()!" and exits 1
#   escape:    the window appears as the show's, frames are presented, Escape ends it with 0
#   close:     the same, ended by the window's close request
set -u
intro=$1 xclose=$2 mode=$3
. "$(dirname "$0")/../lib/xserver.sh"
work=$(mktemp -d)
xvfb=
show=
cleanup() {
  [ -n "$show" ] && kill "$show" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -s "$work/show.err" ] && sed 's/^/  show: /' "$work/show.err" | tail -n 20; exit 1; }

if [ "$mode" = nodisplay ]; then
  env -u DISPLAY -u WAYLAND_DISPLAY "$intro" >"$work/out" 2>"$work/err"
  status=$?
  [ $status -eq 1 ] || fail "exit status $status, expected 1"
  grep -q 'window_init()!' "$work/err" || fail "no window_init()! message: $(cat "$work/err")"
  exit 0
fi

xvfb_start "$work" || fail "Xvfb did not start"
xvfb=$xvfb_pid

"$intro" >"$work/show.out" 2>"$work/show.err" &
show=$!

# The window: title, class, client size, centred on the 1280x1024 screen.
window=$(show_window $show) || fail "no window titled Intro"
xprop -id "$window" WM_CLASS | grep -q '"zw_", "zw_"' || fail "window class: $(xprop -id "$window" WM_CLASS)"
geometry=$(xwininfo -id "$window")
width=$(awk '/Width:/ {print $2}' <<<"$geometry")
height=$(awk '/Height:/ {print $2}' <<<"$geometry")
x=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$geometry")
y=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$geometry")
[ "$width"x"$height" = 800x600 ] || fail "client area ${width}x$height"
[ "$x","$y" = 240,212 ] || fail "window at $x,$y, not centred"

# Frames: the background (48, 32, 16) gives way to the letterboxed picture.
band_max() { convert "$work/shot.png" -crop "$1" +repage -format '%[fx:int(255*maxima)]' info:; }
presented=
for _ in $(seq 300); do
  kill -0 $show 2>/dev/null || fail "the show ended by itself"
  if import -window "$window" "$work/shot.png" 2>/dev/null &&
     [ "$(band_max 800x75+0+0)" = 0 ] && [ "$(band_max 800x75+0+525)" = 0 ]; then
    presented=1
    break
  fi
  sleep 0.5
done
[ -n "$presented" ] || fail "no frame with black rows 0-74 and 525-599 was presented"

case $mode in
  escape)
    xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool key Escape ;;
  close)
    "$xclose" "$window" || fail "could not send the close request" ;;
esac

for _ in $(seq 200); do
  kill -0 $show 2>/dev/null || break
  sleep 0.1
done
kill -0 $show 2>/dev/null && fail "the show still runs 20 s after the $mode request"
wait $show
status=$?
show=
[ $status -eq 0 ] || fail "exit status $status"
exit 0
