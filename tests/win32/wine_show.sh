#!/usr/bin/env bash
# The Windows show end to end under Wine, in a virtual X server with Mesa.
#   wine_show.sh WINE WINESERVER PREFIX INTRO WININFO XCLOSE MODE
#   nodisplay: without any display: "window_init()!" on stderr, exit status 1
#   noentry:   a driver without the OpenGL 4.1 entry points (hidden by Mesa's
#              overrides): the window goes, the box "intro_init()!" under
#              "error" with one OK button and no owner, exit status 1
#   escape:    window of class "zw_" titled "Intro", 800x600 client area,
#              centred; frames with black letterbox rows and a picture that
#              is not black; Escape ends it with 0 within seconds. Sound goes
#              to a null device, so the clock is the wave-out position.
#   close:     the same without any sound device (the clock runs from the
#              monotonic clock), ended by the window's close request
#   small:     on a screen smaller than the window, its corner lies above
#              and left of the screen's; a close request sent at once, while
#              the song is rendered, waits in the queue and ends the show
#              with 0 after its first frame
set -u
here=$(dirname "$0")
. "$here/wine_common.sh"
. "$here/../lib/xserver.sh"
wine_setup "$1" "$2" "$3"
intro=$4 wininfo=$5 xclose=$6 mode=$7
work=$(mktemp -d)
xvfb=
show=
cleanup() {
  [ -n "$show" ] && kill "$show" 2>/dev/null
  wine_stop
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  [ -s "$work/show.err" ] && grep -v '^ALSA' "$work/show.err" | sed 's/^/  show: /' | tail -n 20
  exit 1
}

# Waits up to $1 tenths of a second for the show to end; its status in $status.
wait_show() {
  for _ in $(seq "$1"); do
    kill -0 "$show" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$show" 2>/dev/null && return 1
  wait "$show"
  status=$?
  show=
  return 0
}

# What wininfo prints about a window, one "key value" per line; Windows
# programs end their lines with CR LF.
window_facts() { "$wine" "$wininfo" "$@" 2>"$work/info.err" | tr -d '\r' >"$work/info" && [ -s "$work/info" ]; }
fact() { awk -v k="$1" '$1 == k { $1 = ""; sub(/^ /, ""); print; exit }' "$work/info"; }

# The show's window as Windows sees it: class, title, styles, and the window,
# frame included, centred on the primary screen with the halves rounded
# towards minus infinity. The platform may shrink a window larger than the
# screen, so the size centred is the one asked for: 800x600 inside the frame.
check_window() {
  window_facts zw_ Intro || fail "no window of class zw_ titled Intro: $(cat "$work/info.err")"
  [ "$(fact class)" = zw_ ] || fail "class $(fact class)"
  [ "$(fact title)" = Intro ] || fail "title $(fact title)"
  [ "$(fact classstyle)" = 0x23 ] || fail "class style $(fact classstyle)"
  local style left top frame_l frame_t frame_r frame_b screen_w screen_h width height
  style=$(fact style)
  [ $((style & 0x90CF0000)) = $((0x90CF0000)) ] || fail "style $style lacks popup, visible or overlapped-window bits"
  read -r left top _ <<<"$(fact window)"
  read -r frame_l frame_t frame_r frame_b <<<"$(fact frame)"
  read -r screen_w screen_h <<<"$(fact screen)"
  width=$((800 + frame_r - frame_l)) height=$((600 + frame_b - frame_t))
  [ "$left" = $(((screen_w - width) >> 1)) ] && [ "$top" = $(((screen_h - height) >> 1)) ] ||
    fail "a ${width}x$height window at $left,$top is not centred on a ${screen_w}x$screen_h screen"
  window_left=$left window_top=$top
}

screen=1280x1024
case $mode in
  nodisplay)
    env -u DISPLAY -u WAYLAND_DISPLAY "$wine" "$intro" >"$work/show.out" 2>"$work/show.err" &
    show=$!
    wait_show 300 || fail "the show still runs 30 s after it was started without a display"
    [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
    grep -q '^error: window_init()!' "$work/show.err" || fail "no window_init()! message"
    exit 0 ;;
  noentry)
    # Mesa offers OpenGL 3.0 without separable programs, so Wine resolves
    # none of the entry points that came with them.
    export MESA_GL_VERSION_OVERRIDE=3.0 MESA_EXTENSION_OVERRIDE=-GL_ARB_separate_shader_objects ;;
  escape)
    # A sound device that plays into nothing.
    export ALSA_CONFIG_PATH=$work/asound.conf
    echo 'pcm.!default { type null }' >"$ALSA_CONFIG_PATH" ;;
  close) ;;
  small)
    # Odd sizes, so that the halves are not whole.
    screen=641x481 ;;
  *)
    echo "usage: wine_show.sh WINE WINESERVER PREFIX INTRO WININFO XCLOSE nodisplay|noentry|escape|close|small" >&2
    exit 2 ;;
esac

xvfb_start "$work" "$screen" || fail "Xvfb did not start"
xvfb=$xvfb_pid

"$wine" "$intro" >"$work/show.out" 2>"$work/show.err" &
show=$!

case $mode in
  noentry)
    window_facts '#32770' error || fail "no message box titled error: $(cat "$work/info.err")"
    [ -z "$(xdotool search --name '^Intro$' 2>/dev/null)" ] || fail "the show's window is still there under the box"
    grep -qx 'child Static intro_init()!' "$work/info" || fail "box text: $(grep '^child' "$work/info")"
    [ "$(grep -c '^child Button' "$work/info")" = 1 ] && grep -qx 'child Button OK' "$work/info" ||
      fail "box buttons: $(grep '^child Button' "$work/info")"
    [ "$(fact owner)" = 0 ] || fail "the box has an owner window"
    box=$(xdotool search --name '^error$' 2>/dev/null | head -n 1)
    [ -n "$box" ] || fail "no X window for the box"
    kill -0 "$show" 2>/dev/null || fail "the show ended before the box was dismissed"
    timeout 10 xdotool windowfocus --sync "$box" key Return 2>/dev/null
    wait_show 100 || fail "the show still runs 10 s after the box was dismissed"
    [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
    grep -q '^error: intro_init()!' "$work/show.err" || fail "no intro_init()! message on stderr"
    exit 0 ;;
  small)
    check_window
    [ "$window_left" -lt 0 ] && [ "$window_top" -lt 0 ] || fail "window at $window_left,$window_top"
    window=$(xdotool search --name '^Intro$' 2>/dev/null | head -n 1)
    [ -n "$window" ] || fail "no X window titled Intro"
    "$xclose" "$window" || fail "could not send the close request"
    wait_show 600 || fail "the show still runs 60 s after the close request"
    [ "$status" -eq 0 ] || fail "exit status $status"
    exit 0 ;;
esac

check_window
[ "$(fact client)" = "800 600" ] || fail "client area $(fact client)"

# The same window on the X server, where the frames are seen.
window=$(xdotool search --name '^Intro$' 2>/dev/null | head -n 1)
[ -n "$window" ] || fail "no X window titled Intro"
geometry=$(xwininfo -id "$window")
[ "$(awk '/Width:/ {print $2}' <<<"$geometry")x$(awk '/Height:/ {print $2}' <<<"$geometry")" = 800x600 ] ||
  fail "X window $(awk '/Width:|Height:/ {printf "%s ", $2}' <<<"$geometry")"

# Frames: the song is rendered first, then every frame has black rows 0-74
# and 525-599, and once the picture runs its middle is not black.
band_max() { convert "$work/shot.png" -crop "$1" +repage -format '%[fx:int(255*maxima)]' info:; }
presented=
for _ in $(seq 240); do
  kill -0 "$show" 2>/dev/null || fail "the show ended by itself"
  if import -window "$window" "$work/shot.png" 2>/dev/null &&
     [ "$(band_max 800x75+0+0)" = 0 ] && [ "$(band_max 800x75+0+525)" = 0 ] &&
     [ "$(band_max 800x450+0+75)" -gt 32 ]; then
    presented=1
    break
  fi
  sleep 0.5
done
[ -n "$presented" ] || fail "no frame with black letterbox rows and a picture between them was presented"

case $mode in
  escape)
    timeout 10 xdotool windowfocus --sync "$window" key Escape 2>/dev/null ;;
  close)
    "$xclose" "$window" || fail "could not send the close request" ;;
esac
# The loop ends after the frame that sees the request, or after the next
# one; a frame takes 2 to 3 s with Mesa's software renderer here.
asked=$SECONDS
wait_show 150 || fail "the show still runs 15 s after the $mode request"
[ "$status" -eq 0 ] || fail "exit status $status"
echo "the show ended $((SECONDS - asked)) s after the $mode request, with status 0"
exit 0
