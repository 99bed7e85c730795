// songwalk.h - reading one instrument's tone list and tracks from the song
// streams. Both renders read the streams through these two walkers, so
// they consume the same bytes, rewrite the same bytes in place and leave
// the cursors of the context block in the same places.
#pragma once
#include <cstdint>

#include "synth.h"

// Samples per tick of the song's time grid.
constexpr int32_t ticksamples = 1291;

// Reads the tone list at b->toneptr: calls tone(T) for each tone T, in list
// order, and leaves toneptr past the count byte. Returns the tone count.
template <class Tone>
int32_t walktones(synthbase *b, Tone &&tone)
{
    int32_t sum = 0;
    int32_t tones = 0;
    for (;;) {
        sum += *b->toneptr++;
        if (sum < 0)
            break;  // the count byte
        tone(sum);
        ++tones;
    }
    return tones;
}

// Reads the tracks of the instrument at b->instptr, right after its tone
// list: calls note(start, tone index, velocity, gate in samples) for each
// note, in track and event order, with `start` in mixbuf; rewrites the
// track records and the count byte in place and moves instptr on by one
// record. Returns the number of notes.
template <class Note>
int32_t walktracks(synthbase *b, Note &&note)
{
    const instparam *ip = b->instptr;
    int8_t *count = b->toneptr - 1;  // the last byte of the tone list
    int32_t notes = 0;

    do {
        b->mixpos = mixbuf;

        // The track record: gate byte, then (tone index, velocity) pairs
        // whose deltas are summed in place up to the first negative sum.
        int8_t *record = b->trackptr;
        const int32_t gate = static_cast<uint8_t>(record[0]);
        int8_t *delta = record + 1;
        int8_t sum = *delta;
        do {
            delta += 2;
            sum = static_cast<int8_t>(sum + *delta);
            *delta = sum;
        } while (sum >= 0);
        b->trackptr = delta + 1;

        // The events, up to the first of length 0.
        for (;;) {
            const int32_t span = eventlen(b->lenptr) * ticksamples;
            double *start = b->mixpos;
            b->mixpos += 2 * static_cast<int64_t>(span);
            const int32_t value = *b->noteptr++;
            if (value >= 1) {
                const int32_t tone = static_cast<uint8_t>(record[2 * value - 1]);
                const int32_t velocity = static_cast<uint8_t>(record[2 * value]);
                note(start, tone, velocity, gate != 0 ? gate * ticksamples : span);
                ++notes;
            }
            if (span == 0)
                break;
        }

        // Counts up from the count byte; the instrument is done when it
        // wraps from -128 to 127.
        *count = static_cast<int8_t>(*count - 1);
    } while (*count < 0);

    b->instptr = ip + 1;
    return notes;
}
