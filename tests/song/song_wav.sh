#!/usr/bin/env bash
# The song as a file: intro-render wav writes MusBuf as a 44.1 kHz 16-bit
# stereo WAV of 7,667,712 frames (kept at OUT for the playback test), and
# intro-render sound reports on it; refused command lines leave no file.
#   song_wav.sh INTRO-RENDER OUT.wav
set -u
render=$1 out=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cd "$work"

# Each refused command line: a one-line message, a non-zero status, no file.
# None of them renders the song first.
refuse() {
  rm -rf x.wav x.wav.* x.png* err
  "$@" 2>err >/dev/null && fail "accepted: $*"
  [ "$(wc -l <err)" -eq 1 ] || fail "not one line of error for: $* ($(cat err))"
  ls x.wav* x.png* missing/x.wav* 2>/dev/null | grep -q . && fail "left a file behind: $*"
  return 0
}
refuse "$render" wav
refuse "$render" wav --out
refuse "$render" wav --out x.wav --rate 48000
refuse "$render" wav --out missing/x.wav
refuse "$render" sound --from missing.wav
refuse "$render" sound --from x.wav --wav x.wav
echo "not a wav" >bad.wav
refuse "$render" sound --from bad.wav --png x.png

rm -f "$out"
"$render" wav --out "$out" || fail "wav --out failed"
[ "$(soxi -t "$out")" = wav ] || fail "not a WAV file: $(soxi "$out" 2>&1)"
[ "$(soxi -r "$out") $(soxi -c "$out") $(soxi -b "$out") $(soxi -e "$out")" = "44100 2 16 Signed Integer PCM" ] ||
  fail "format: $(soxi "$out")"
[ "$(soxi -s "$out")" = 7667712 ] || fail "$(soxi -s "$out") frames, not 7667712"
[ "$(stat -c %s "$out")" = $((44 + 4 * 7667712)) ] || fail "file size $(stat -c %s "$out")"
ls "$out".* 2>/dev/null | grep -q . && fail "a temporary file was left beside $out"

# The report of the written file, with its spectrogram.
"$render" sound --from "$out" --png spectrum.png >report || fail "sound --from failed"
grep -Eq '^frames 7667712 \(173\.87 s\), peak [0-9]+ \(-?[0-9.]+ dBFS\), samples at \+-32767: [0-9]+$' report ||
  fail "no figures line: $(head -n 1 report)"
[ "$(grep -Ec '^ *[0-9]+ +[0-9]+-[0-9]+ ' report)" = 47 ] || fail "not 47 bars of 3.75 s in the report"
[ "$(identify -format '%m' spectrum.png 2>/dev/null)" = PNG ] || fail "no spectrogram PNG"
exit 0
