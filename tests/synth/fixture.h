// Helpers of the synthesizer's tests: small instruments and song streams,
// and clearing the shared areas between tests.
#pragma once
#include <cstring>
#include <vector>

#include "synth.h"

// An instrument that is cheap to build: one group of one partial that
// neither decays nor fades, with the note fields of `like`.
inline instparam cheapinst(const instparam &like, int32_t length)
{
    instparam p = like;
    p.groups = 1;
    p.partials = 1;
    p.decayvar = 0.0f;
    p.decay = 1.0f;
    p.slope1 = 0.0f;
    p.slope2 = 0.0f;
    p.length = length;
    return p;
}

// A song of its own: instrument records and the four streams, and a
// context block pointed at them.
struct songfix {
    std::vector<instparam> inst;
    std::vector<int8_t> tones;
    std::vector<int8_t> tracks;
    std::vector<uint8_t> lens;
    std::vector<int8_t> notes;

    synthbase makeblock()
    {
        return makebase(inst.data(), tones.data(), tracks.data(), lens.data(), notes.data());
    }
};

// Zeroes the first `frames` frames of mixbuf and revbuf, the same part of
// MusBuf, and all of delbuf.
inline void clearareas(int32_t frames)
{
    std::memset(mixbuf, 0, sizeof(double) * 2 * static_cast<size_t>(frames));
    std::memset(revbuf, 0, sizeof(double) * 2 * static_cast<size_t>(frames));
    std::memset(MusBuf, 0, sizeof(int16_t) * 2 * static_cast<size_t>(frames));
    std::memset(delbuf, 0, sizeof(delbuf));
}

// The stored constants with the cursors at the stored song.
inline synthbase storedblock()
{
    return makebase(iparam, itones, trdata, notelen, notesamp);
}
