// fast.h - the pieces of the fast render: its vector kernels, one version
// per instruction set (fastsimd.cpp), and the drivers that share them out
// over the threads (fast.cpp, fastreverb.cpp).
//
// Every kernel computes, lane by lane, the same double operations in the
// same order whatever the width of its vectors, so all instruction sets give
// the same doubles.
#pragma once
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <system_error>
#include <thread>

#include "synth.h"

namespace fast {

// --- Tone tables -------------------------------------------------------

// Partials are padded with silent ones to a multiple of this, the most
// partials a kernel takes in one pass.
constexpr int32_t bankpad = 32;

// A partial bank laid out one array per field, each `count` long (a
// multiple of bankpad; the padding partials are all zero).
struct bankrows {
    double *rotre, *rotim;    // per-sample complex multiplier
    double *oscre, *oscim;    // current complex value
    double *ramp1, *ramp2;    // the two envelope ramps
    double *env;              // the clamped envelope, where it never changes
    int32_t count;
};

// How a tone's envelopes behave over its samples.
enum class envkind : int32_t {
    ramps,     // at least one ramp moves: clamp min(ramp1, ramp2) every sample
    fixed,     // neither moves: every partial keeps its clamped value env[i]
    unity,     // neither moves and every env[i] is exactly 1
};

// Samples of one tone table: the sum over the bank of envelope times the
// real part of each oscillator after its rotation, saturated, one double
// per sample into `out` (`samples` of them). Advances the bank.
struct tonespec {
    envkind kind;
    double step1, step2;      // per-sample steps of the two ramps
    double drive;             // saturation amount
    double parts;             // partial count of the unpadded bank
    double one;               // the context block's 1.0
    int32_t samples;
};
void tonetable(simdset s, const bankrows &bank, const tonespec &tone, double *out);

// --- Notes -------------------------------------------------------------

// One note, as the note loop of the straight render sees it.
struct noteplace {
    const double *table;      // the tone table, one double per sample
    double *at;               // mixbuf frame of the note's first sample
    int32_t length;           // samples
    double left, right;       // gains
    double release, attack;   // ramp steps
    double ramp0;             // release ramp at the first sample
    double one;               // the context block's 1.0, the envelope's ceiling
    bool direct;              // the ramps' values can be formed directly (see fast.cpp)
};

// Adds samples [from, to) of the note into mixbuf.
void placepart(simdset s, const noteplace &n, int32_t from, int32_t to);

// --- Reverb combs ------------------------------------------------------

// Each comb's delay line is a ring of its length plus this many doubles,
// which repeat its first ones so that a vector read may run past the end.
constexpr int32_t ringpad = 8;

// Up to eight combs on one channel, run side by side.
struct combset {
    int32_t count;            // combs in use
    double *ring[8];          // delay lines, ring[l][k] for k < length[l] + ringpad
    int32_t length[8];        // delay in samples
    int32_t pos[8];           // position in the ring of the next read and write
    double gain[8];           // feedback gain
    double state[4][8];       // input band-pass a, b; feedback band-pass a, b
};

// Coefficients of the two band-passes and the comb level, as doubles.
struct combcoefs {
    double inhi, inlo, fbhi, fblo, level;
};

// Frames [from, to) of every comb of `count` sets on one channel: x[2n] is
// the channel's input at frame n. With `acc` not null, each comb's delayed
// signal times the level is added to acc[n - from], comb by comb in set
// order.
void runcombs(simdset s, combset *sets, int32_t count, const double *x, int64_t from, int64_t to, double *acc,
              const combcoefs &k);

// The widest vector of the set, in doubles; runcombs runs sets of exactly
// this many combs with vectors, others comb by comb.
int32_t lanes(simdset s);

// The set the fast render uses when asked for `want`.
simdset pickset(simdset want);

// --- The reverb driver (fastreverb.cpp) --------------------------------

// Time segments the song is cut into for the reverb, whatever the thread
// count, so that the output does not depend on it.
constexpr int32_t reverbsegments = 2;

// Runs the reverb of `frames` frames of mixbuf into revbuf on up to
// `threads` threads; returns the number of time segments used (0 when the
// combs ran one after another).
int32_t fastreverb(const synthbase *b, int32_t frames, int32_t threads, simdset s);

// --- Threads -----------------------------------------------------------

// Most threads the fast render starts.
constexpr int32_t maxthreads = 64;

// Runs task(i, worker) for i = 0 to tasks - 1, each once, on up to
// `threads` threads, the calling one among them; `worker` is the number of
// the thread running the task, below `threads`. Tasks are taken in order
// of i as threads come free. Every thread starts with the render's
// floating-point state, and all are joined before it returns; a thread
// that cannot be started leaves its share to the others.
template <class Task>
void parallel(int32_t threads, int32_t tasks, Task &&task)
{
    std::atomic<int32_t> next{0};
    auto loop = [&](int32_t worker) {
        fpuset();
        for (int32_t i = next.fetch_add(1); i < tasks; i = next.fetch_add(1))
            task(i, worker);
    };
    const int32_t count = std::max(1, std::min({threads, tasks, maxthreads}));
    std::thread pool[maxthreads];
    int32_t started = 1;
    for (; started < count; ++started) {
        try {
            pool[started] = std::thread(loop, started);
        } catch (const std::system_error &) {
            break;
        }
    }
    loop(0);
    for (int32_t w = 1; w < started; ++w)
        pool[w].join();
}

}  // namespace fast
