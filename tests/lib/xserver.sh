# Sourced by the end-to-end tests: a private X server, and the show's window
# on it.
#   xvfb_start WORK [WIDTHxHEIGHT]  starts Xvfb on a free display (default
#                                   1280x1024), exports DISPLAY, sets xvfb_pid
#   show_window PID                 prints the id of the window titled "Intro"
#                                   once it appears, waiting up to 60 s while
#                                   process PID runs; fails otherwise

xvfb_start() {
  local work=$1 screen=${2:-1280x1024}
  Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || return 1
  export DISPLAY=:$(cat "$work/display")
}

show_window() {
  local pid=$1 window
  for _ in $(seq 600); do
    window=$(xdotool search --name '^Intro$' 2>/dev/null | head -n 1)
    [ -n "$window" ] && { echo "$window"; return 0; }
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
