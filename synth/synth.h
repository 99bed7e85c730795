// synth.h - the song render.
//
// At start-up the show calls fillrand() and then synth(); when synth()
// returns, MusBuf holds the whole song. Both work on the program's one
// context block `base` and the static areas of storage.h. The routines
// below them take the context block as an argument, so that they can also
// be pointed at other instrument records and streams.
#pragma once
#include <cstdint>

#include "params.h"
#include "storage.h"

// Fills randdata from the seed in guid.
void fillrand();

// Renders the whole song into MusBuf.
void synth();

// --- The steps of the render -------------------------------------------

// Runs the generator from `state` (s0..s3, updated in place) and XORs
// `count` words into `words`.
void fillrand(uint32_t state[4], uint32_t *words, int32_t count);

// Puts the floating-point unit into the render's state: round to nearest
// with ties to even, 64-bit significand for x87 arithmetic, no exception
// trapped.
void fpuset();

// Set-up values of one partial group, in extended precision.
struct partgroup {
    long double r;      // unit value of the group's first random word
    long double rho;    // per-sample amplitude factor
    long double p;      // raw pitch ratio
    long double h;      // ratio after the pull to a whole number
    long double pitch;  // 12 log2 h, semitones above the tone
    long double amp;    // h^tilt times a signed random value
};

// Group k of the instrument at b->instptr.
partgroup makegroup(const synthbase *b, int32_t k);

// Builds the partial bank of `tone` in freqarr; returns the partial count.
int32_t makebank(const synthbase *b, double tone);

// Builds the tone's bank and writes the instrument's `length` frames of its
// sample table at `pos` (in sampbuf); returns pos moved past them.
double *makeinst(const synthbase *b, double tone, double *pos);

// Reads an event length (one or two bytes) at p and moves p past it.
int32_t eventlen(const uint8_t *&p);

// Renders the instrument at b->instptr into mixbuf and moves all five
// stream cursors on to the next instrument.
void makechan(synthbase *b);

// The two halves of makechan: the tone tables (returns the tone count), then
// the tracks (returns the number of notes placed) and the move to the next
// instrument record.
int32_t maketones(synthbase *b);
int32_t maketracks(synthbase *b);

// One band-pass step: the difference of two one-pole low-passes of x.
// k points at the two coefficients, s at the two states; both cursors are
// left past the entries used.
long double rfilter(long double x, const float *&k, double *&s);

// One comb of the reverb, as chosen.
struct combrec {
    int32_t length;    // delay in samples
    int32_t channel;   // 0 left, 1 right
    long double gain;  // feedback gain
};
constexpr int32_t combcount = 96;

// Runs the reverb over the first `frames` frames of mixbuf into revbuf;
// returns the number of combs run. If `used` is not null, the combs are
// recorded there in the order run (room for combcount).
int32_t reverb(synthbase *b, int32_t frames, combrec *used);

// Converts the first `samples` values of mixbuf + revbuf into MusBuf.
void makepcm(const synthbase *b, int32_t samples);

// The whole render over `frames` frames: instruments 0 to 4, the reverb,
// instruments 5 to 7, the conversion.
void synth(synthbase *b, int32_t frames);
