#!/usr/bin/env bash
# The reference render of the native build: the PCM at PCM, its hash line
# beside it at PCM.hash.
#   musbuf_reference.sh NATIVE_SYNTH_HASH PCM
set -u
native=$1 pcm=$2
rm -f "$pcm" "$pcm.hash"
"$native" "$pcm" >"$pcm.hash.part" || { echo "FAIL: the native render failed"; exit 1; }
mv "$pcm.hash.part" "$pcm.hash"
cat "$pcm.hash"
