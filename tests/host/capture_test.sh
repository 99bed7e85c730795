#!/usr/bin/env bash
# Captures of the show: a two-second video at 10 fps against the song and
# the single-frame renderer, a PNG sequence, and the command lines that must
# be refused without leaving a file behind.
#   capture_test.sh INTRO-RENDER
set -u
render=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cd "$work"

# The music time of a frame, as the capture's summary line reports it.
first_time() { sed -n 's/.*music time \([0-9.e+-]*\) to .*/\1/p' "$1"; }
same_picture() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }

# A PNG sequence: two frames from 20 s; the first is the frame at its music time.
"$render" frames --from 20 --to 20.2 --fps 10 --out seq 2>frames.err || fail "frames: $(cat frames.err)"
[ "$(ls seq)" = "$(printf 'frame-000000.png\nframe-000001.png')" ] || fail "sequence: $(ls seq)"
t0=$(first_time frames.err)
[ -n "$t0" ] || fail "no music time in: $(cat frames.err)"
"$render" frame --time "$t0" --out single.png || fail "frame --time $t0"
same_picture seq/frame-000000.png single.png || fail "frame 0 of the sequence differs from frame --time $t0"

# Two seconds at 10 fps from 20 s.
"$render" video --from 20 --to 22 --fps 10 --out cap.mkv 2>video.err || fail "video: $(cat video.err)"
ls cap.mkv.* 2>/dev/null | grep -q . && fail "temporary files left beside the video"
probe=$(ffprobe -v error -count_frames -show_entries stream=codec_type,width,height,nb_read_frames,sample_rate,channels \
          -of compact=p=0:nk=1 cap.mkv)
[ "$(sed -n 1p <<<"$probe")" = "video|800|600|20" ] || fail "video stream: $probe"
[ "$(sed -n 2p <<<"$probe" | cut -d'|' -f1-3)" = "audio|44100|2" ] || fail "audio stream: $probe"
[ "$(first_time video.err)" = "$t0" ] || fail "the video starts at music time $(first_time video.err), not $t0"
ffmpeg -v error -i cap.mkv -frames:v 1 -pix_fmt rgb24 video0.png || fail "cannot decode the first video frame"
same_picture video0.png single.png || fail "frame 0 of the video differs from frame --time $t0"

# Its sound is the song's stereo frames 882,000 to 969,999, bit for bit.
ffmpeg -v error -i cap.mkv -map 0:a -f s16le -acodec pcm_s16le sound.raw || fail "cannot decode the sound"
[ "$(stat -c %s sound.raw)" = 352800 ] || fail "the sound holds $(stat -c %s sound.raw) bytes, not 2 s"
"$render" wav --out song.wav || fail "wav"
tail -c +$((44 + 882000 * 4 + 1)) song.wav | head -c 352800 >expected.raw
cmp -s sound.raw expected.raw || fail "the video's sound differs from the song"

# Refused: a one-line message, a non-zero status, and no file created or changed.
echo keep >kept.mkv
refuse() {
  rm -f err
  "$@" 2>err >/dev/null && fail "accepted: $*"
  [ "$(wc -l <err)" -eq 1 ] || fail "not one line of error for: $* ($(cat err))"
  [ "$(cat kept.mkv)" = keep ] || fail "changed the existing file: $*"
  ls | grep -Eq '^(out\.mkv|.*\.part[0-9]+)' && fail "left a file behind: $*"
  return 0
}
refuse "$render" video --from 20 --to 21 --fps 10 --out kept.mkv
refuse "$render" video --from 5 --to 4 --out out.mkv
refuse "$render" video --from -1 --to 1 --out out.mkv
refuse "$render" video --to 200 --out out.mkv
refuse "$render" video --from 1 --to 1.01 --fps 10 --out out.mkv
refuse "$render" video --fps 0 --out out.mkv
refuse "$render" video --fps 2.5 --out out.mkv
refuse "$render" video --codec vp9 --out out.mkv
refuse "$render" video --from 20
refuse "$render" video --from 20 --to 21 --out missing/out.mkv
refuse "$render" video --from 20 --to 21 --out /proc/out.mkv
refuse env PATH=/nonexistent "$render" video --from 20 --to 21 --out out.mkv
refuse "$render" frames --fps 0 --out seq2
[ -e seq2 ] && fail "frames made a folder for a refused command"
exit 0
