#!/usr/bin/env bash
# The show's sound end to end: a private PulseAudio server whose default
# output is a null sink, and the show in a virtual X server.
#   song_e2e.sh INTRO SONG-XCORR REFERENCE.wav play|escape
#   play:   the first 5 s that the show plays, recorded from the sink's
#           monitor, match the start of MusBuf (REFERENCE, as exported)
#   escape: an Escape pressed while the song renders ends the show after its
#           first frame: the render finishes, the sound starts, and the show
#           ends by itself with status 0
set -u
intro=$1 xcorr=$2 reference=$3 mode=$4
. "$(dirname "$0")/../lib/xserver.sh"
work=$(mktemp -d)
helpers=()
show=
cleanup() {
  [ -n "$show" ] && kill "$show" 2>/dev/null
  for p in "${helpers[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  [ -s "$work/show.err" ] && sed 's/^/  show: /' "$work/show.err" | tail -n 20
  [ -s "$work/pulse.log" ] && grep -v '^W:' "$work/pulse.log" | sed 's/^/  pulse: /' | tail -n 10
  exit 1
}
now() { date +%s.%N; }
inputs() { pactl list short sink-inputs 2>/dev/null | wc -l; }

# PulseAudio, private to this test: its own home, runtime folder and socket.
export HOME=$work XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
cat >"$work/pulse.pa" <<PA
load-module module-native-protocol-unix socket=$work/pulse.sock auth-anonymous=1
load-module module-null-sink sink_name=intro_test rate=44100 channels=2 format=s16le
set-default-sink intro_test
PA
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disable-shm=yes --use-pid-file=no \
  -F "$work/pulse.pa" >"$work/pulse.log" 2>&1 &
helpers+=($!)
export PULSE_SERVER=unix:$work/pulse.sock SDL_AUDIODRIVER=pulseaudio
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
[ "$(pactl get-default-sink 2>/dev/null)" = intro_test ] || fail "PulseAudio did not start with the null sink"

xvfb_start "$work" || fail "Xvfb did not start"
helpers+=($xvfb_pid)

# Everything the sink plays, from before the show starts.
parec -d intro_test.monitor --format=s16le --rate=44100 --channels=2 --latency-msec=20 >"$work/sound.raw" &
recorder=$!
helpers+=($recorder)

# The software renderer keeps to one core, leaving one to the sound.
LP_NUM_THREADS=1 "$intro" >"$work/show.out" 2>"$work/show.err" &
show=$!
window=$(show_window $show) || fail "no window titled Intro"

# Waits up to $1 seconds for the show's sound to start; prints the time.
wait_sound() {
  for _ in $(seq $(($1 * 10))); do
    [ "$(inputs)" -gt 0 ] && { now; return 0; }
    kill -0 $show 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
# Waits up to $1 seconds for the show to end; sets status.
wait_end() {
  for _ in $(seq $(($1 * 10))); do
    kill -0 $show 2>/dev/null || break
    sleep 0.1
  done
  kill -0 $show 2>/dev/null && return 1
  wait $show
  status=$?
  show=
  return 0
}

case $mode in
  play)
    wait_sound 180 >/dev/null || fail "the show's sound never reached the sink"
    sleep 6
    kill $recorder
    wait $recorder 2>/dev/null
    xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool key Escape
    wait_end 20 || fail "the show still runs 20 s after Escape"
    [ $status -eq 0 ] || fail "exit status $status"
    "$xcorr" "$reference" "$work/sound.raw" || fail "the recorded sound is not the start of MusBuf"
    ;;
  escape)
    [ "$(inputs)" -eq 0 ] || fail "the sound started before the song was rendered"
    xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool key Escape
    pressed=$(now)
    started=$(wait_sound 180) || fail "the show ended without starting its sound: the render did not finish"
    wait_end 30 || fail "the show still runs 30 s after its sound started: the Escape pressed during the render was lost"
    [ $status -eq 0 ] || fail "exit status $status"
    echo "Escape pressed; the sound started $(awk "BEGIN { printf \"%.1f\", $started - $pressed }") s later and the show ended by itself"
    ;;
  *) fail "unknown mode $mode" ;;
esac
exit 0
