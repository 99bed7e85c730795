#!/usr/bin/env bash
# The song as a Windows build renders it under Wine, against the render of
# this machine's native build.
#   musbuf.sh WINE WINESERVER PREFIX SYNTH_HASH_EXE NATIVE_SYNTH_HASH REFERENCE_PCM
# Passes when both renders are the same sample for sample; otherwise prints
# both hashes, how many samples differ and by how much.
set -u
here=$(dirname "$0")
. "$here/wine_common.sh"
wine_setup "$1" "$2" "$3"
exe=$4 native=$5 reference=$6
work=$(mktemp -d "$(dirname "$reference")/musbuf.XXXXXX")
trap 'wine_stop; rm -rf "$work"' EXIT

[ -s "$reference.hash" ] || { echo "FAIL: no reference render at $reference"; exit 1; }
# The dump goes to the working folder, which Wine maps to a drive of its own.
(cd "$work" && "$wine" "$exe" windows.pcm >hash 2>err)
status=$?
[ $status -eq 0 ] || { echo "FAIL: $exe exited with $status: $(grep -v '^ALSA' "$work/err")"; exit 1; }
echo "native:  $(cat "$reference.hash")"
echo "windows: $(tr -d '\r' <"$work/hash")"
"$native" --compare "$reference" "$work/windows.pcm"
