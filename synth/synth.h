// synth.h - the song render.
//
// At start-up the show calls fillrand() and then synth(); when synth()
// returns, MusBuf holds the whole song. Both work on the program's one
// context block `base` and the static areas of storage.h. The routines
// below them take the context block as an argument, so that they can also
// be pointed at other instrument records and streams.
//
// There are two renders of the same song. The straight render (synth(b,
// frames) and the steps below it) runs on one thread in the arithmetic the
// song is defined by, and is the reference. The fast render (synth(),
// synthfast()) runs on all cores with vector instructions and plain
// doubles, and gives the same MusBuf, byte for byte.
#pragma once
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "params.h"
#include "storage.h"

// Fills randdata from the seed in guid.
void fillrand();

// Renders the whole song into MusBuf with the fast render, on all cores.
void synth();

// Renders the whole song into MusBuf with the straight render.
void synthstraight();

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

// The same into `bank` (room for groups x partials records).
int32_t makebank(const synthbase *b, double tone, partial *bank);

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

// Chooses the combs of the reverb from randdata into `combs` (room for
// combcount), in the order they run; returns their number.
int32_t pickcombs(const synthbase *b, combrec *combs);

// Runs the reverb over the first `frames` frames of mixbuf into revbuf;
// returns the number of combs run. If `used` is not null, the combs are
// recorded there in the order run (room for combcount).
int32_t reverb(synthbase *b, int32_t frames, combrec *used);

// One output sample: mix + rev in extended precision, clipped to +-clip and
// rounded to the nearest integer, ties to even.
inline int16_t pcmsample(long double clip, double mix, double rev)
{
    long double v = static_cast<long double>(mix) + rev;
    if (v >= clip)
        v = clip;
    if (-v >= clip)
        v = -clip;
    return static_cast<int16_t>(lrintl(v));
}

// Converts the first `samples` values of mixbuf + revbuf into MusBuf.
void makepcm(const synthbase *b, int32_t samples);

// The whole render over `frames` frames: instruments 0 to 4, the reverb,
// instruments 5 to 7, the conversion.
void synth(synthbase *b, int32_t frames);

// --- The fast render ---------------------------------------------------

// Vector instruction sets of the fast render. All of them compute the same
// doubles; `best` takes the widest the processor has.
enum class simdset : int32_t { best, sse2, avx2, avx512 };

// The widest set this processor can run.
simdset simdbest();

// Name of a set, for reports: "sse2", "avx2", "avx512".
const char *simdname(simdset s);

struct fastopts {
    int32_t threads = 0;            // 0: one per hardware thread
    simdset simd = simdset::best;   // a set the processor lacks falls back to the best below it
};

// What the fast render did, and the wall time of its stages in seconds.
struct faststages {
    int32_t threads = 0;            // threads it ran on
    simdset simd = simdset::best;   // instruction set it used
    int32_t reverbparts = 0;        // time segments the reverb ran in (0: one comb after another)
    double streams = 0;             // reading the song streams
    double tables = 0;              // tone tables of all instruments
    double wet = 0;                 // notes of instruments 0 to 4
    double reverb = 0;              // the reverb
    double dry = 0;                 // notes of instruments 5 to 7 and the conversion
    double total = 0;
};

// The fast render of `frames` frames of the song at b, with the same
// results in MusBuf, mixbuf, the song streams and the cursors of b as
// synth(b, frames). revbuf matches to within rounding. It keeps the delay
// lines and filter states of its reverb in its own storage, so delbuf and
// b->filtstate are left as they were. `stages`, if not null, receives
// what it did.
void synthfast(synthbase *b, int32_t frames, const fastopts &opts, faststages *stages);

// Puts everything a render changes back to its state at program start:
// mixbuf, revbuf, sampbuf, freqarr, delbuf and MusBuf zero, the tone
// lists and track records as stored, and `base` with its initial cursors.
// randdata and guid, which only fillrand changes, are left as they are.
void synthreset();

// The 64-bit FNV-1a hash of `count` bytes: the fingerprint by which renders
// of the song are compared and stored (synth/data/song.hash).
uint64_t bytehash(const void *data, size_t count);
