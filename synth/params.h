// params.h - the render's context block, the instrument table and the song
// streams.
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>

// One instrument record: 21 little-endian fields of 4 bytes, 84 bytes.
struct instparam {
    int32_t groups;    // partial groups of the instrument
    int32_t partials;  // partials per group
    int32_t randofs;   // first random word; group k starts at 256 k + randofs
    int32_t spread;    // semitone range of a group's raw pitch ratio
    float decayvar;    // random part of the amplitude factor per 4096 samples
    float decay;       // fixed part of that factor
    float harmonic;    // pull of a group's ratio to the nearest whole number
    float tilt;        // exponent of the amplitude law
    float detune;      // spread in semitones of a group's partials
    float edge1;       // pivot of the first envelope ramp, semitones above the tone
    float edge2;       // pivot of the second envelope ramp
    float slope1;      // gain change per semitone of the first ramp
    float slope2;      // the same for the second ramp
    float sweep1;      // semitones per sample the first pivot moves
    float sweep2;      // the same for the second pivot
    float drive;       // amount of soft saturation of the summed partials
    int32_t length;    // samples per tone table, and samples mixed per note
    float release;     // per-sample step of the note's release ramp
    float attack;      // per-sample step of the note's attack ramp
    float volume;      // output units per step of note velocity
    float pan;         // left gain times 1 - pan, right gain times 1 + pan
};
static_assert(sizeof(instparam) == 84);
static_assert(offsetof(instparam, length) == 64);
static_assert(offsetof(instparam, pan) == 80);

// Constants and cursors shared by all render routines.
struct alignas(16) synthbase {
    double one[2];        // two-lane 1.0
    int32_t octave;       // semitones per octave, 12
    float randscale;      // 2^-31: signed random word to [-1, 1)
    float clip;           // output limit, applied as +-clip
    float basefreq;       // phase step of tone 0 in radians per sample
    float revgain;        // comb feedback gain at the longest candidate length
    float revgrow;        // gain factor per step to the next shorter length
    // The next five are read through one advancing cursor: the input
    // band-pass pair, the feedback band-pass pair, then the comb level.
    float inbandhi;
    float inbandlo;
    float fbbandhi;
    float fbbandlo;
    float revlevel;
    const instparam *instptr;  // the current instrument's record
    int8_t *toneptr;           // read position in the tone lists
    int8_t *trackptr;          // read position in the track records
    const uint8_t *lenptr;     // read position in the event lengths
    const int8_t *noteptr;     // read position in the event values
    double *mixpos;            // current time: write position in mixbuf
    double filtstate[4];       // input band-pass a, b; feedback band-pass a, b
};
static_assert(offsetof(synthbase, octave) == 16);
static_assert(offsetof(synthbase, inbandlo) == offsetof(synthbase, inbandhi) + 4);
static_assert(offsetof(synthbase, fbbandhi) == offsetof(synthbase, inbandhi) + 8);
static_assert(offsetof(synthbase, fbbandlo) == offsetof(synthbase, inbandhi) + 12);
static_assert(offsetof(synthbase, revlevel) == offsetof(synthbase, inbandhi) + 16);

constexpr int32_t instcount = 8;

// The program's one context block and the eight instrument records.
extern synthbase base;
extern const instparam iparam[instcount];

// The song streams. The tone lists and track records are rewritten in place
// while the song is rendered, so they live in writable storage.
constexpr int32_t itonesbytes = 41;
constexpr int32_t trdatabytes = 120;
extern int8_t itones[itonesbytes];
extern int8_t trdata[trdatabytes];
extern const uint8_t notelen[];
extern const int8_t notesamp[];
extern const int32_t notelenbytes;
extern const int32_t notesampbytes;

namespace synthbits {
constexpr float f32(uint32_t b) { return std::bit_cast<float>(b); }
}

// A context block holding the stored constants (single-precision ones given
// by their bit patterns), with the cursors at the start of the given
// instrument records and streams and mixpos null.
constexpr synthbase makebase(const instparam *inst, int8_t *tones, int8_t *tracks,
                             const uint8_t *lens, const int8_t *notes)
{
    using synthbits::f32;
    return synthbase{
        {1.0, 1.0},
        12,
        f32(0x30000000u),  // randscale 2^-31
        f32(0x46fffe00u),  // clip 32767
        f32(0x3b18ae03u),  // basefreq 0.00232970784 = 2 pi 440 2^(-57/12) / 44100
        f32(0x3f52e999u),  // revgain 0.823876917
        f32(0x3f8001e8u),  // revgrow 1.00005817
        f32(0x3e8a71e2u),  // inbandhi 0.270400107
        f32(0x3c23d70au),  // inbandlo 0.00999999978
        f32(0x3ea09032u),  // fbbandhi 0.313600123
        f32(0x3c23d70au),  // fbbandlo 0.00999999978
        f32(0x3c2737efu),  // revlevel 0.0102062067, about 0.1 / sqrt(96)
        inst, tones, tracks, lens, notes,
        nullptr,
        {0.0, 0.0, 0.0, 0.0},
    };
}
