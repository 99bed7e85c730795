// The fast render's reverb: the same 96 combs over the same mix, in double
// precision, side by side in vectors and in time segments on several
// threads.
//
// In the straight render each comb starts from the delay line and filter
// states the previous comb left at the end of the song, so the combs form
// one chain 736 million steps long. But a comb forgets its past: its loop
// holds a feedback gain below 0.91 and a band-pass of gain below 1, so
// whatever state it had fades away. With the stored song, when the combs
// start each time segment below from silence 2^17 frames (3 s) early, the
// reverb comes within 0.04 in output units of the straight one; 2^18 frames
// early, within 6e-7: the combs' memory falls by about 96 dB every 2^17
// frames. Over `warmframes` = 2^20 frames (24 s) it falls below 10^-30 of
// its size, far under the rounding of a double. So
//   - each comb starts the song with the state the comb before it reaches
//     over the song's last `warmframes` frames, run from silence;
//   - each comb's state at the start of a later time segment is the state
//     it reaches over the `warmframes` frames before the segment.
// All combs of a segment then run at once, eight (four, two) to a vector,
// and the segments run on threads of their own. The segments are fixed by
// the song's length alone, so the result does not depend on the number of
// threads or the width of the vectors.
//
// What changes against the straight render is the rounding: doubles
// instead of 80-bit intermediates, no (v + 1) - 1 step (a flush of tiny
// results to zero keeps the filters clear of denormal numbers instead),
// and the comb outputs summed per sample before they reach revbuf. The
// reverb differs from the straight one by about 10^-12 in output units,
// which moves a 16-bit sample only where the sum lies that close to a
// rounding boundary.
#include <cstring>

#include "fast.h"

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#define FAST_MXCSR 1
#else
#define FAST_MXCSR 0
#endif

namespace fast {
namespace {

// Frames a comb runs from silence to reach the state it has at a frame.
constexpr int32_t warmframes = 1 << 20;

// Frames of mix taken at a time by all combs of a segment, so that the
// mix and the sums stay in cache while the combs pass over them.
constexpr int32_t chunkframes = 16384;

// Room for one comb's ring: the longest candidate length (pickcombs counts
// down from 3328) and the pad.
constexpr int32_t ringroom = 3328 + ringpad;

// Combs per channel: they alternate, left first.
constexpr int32_t perchannel = combcount / 2;

alignas(64) double rings[reverbsegments][combcount][ringroom];
alignas(64) double sums[reverbsegments][2][chunkframes];

struct reverbrun {
    const combrec *combs;
    int32_t frames;
    simdset simd;
    int32_t width;         // combs per set
    combcoefs coefs;
    int32_t bounds[reverbsegments + 1];  // segment starts, and the song's end
};

// The combs of one segment: set (c, g) holds combs g * width to
// (g + 1) * width - 1 of channel c, in their running order, each on a
// ring of its own.
struct segsets {
    combset set[2][perchannel];
    int32_t comb[2][perchannel][8];  // running number of each lane's comb
    int32_t input[2];                // channel the sets of each row read
    int32_t rows;                    // sets per channel
};

int32_t mod(int64_t n, int32_t m)
{
    return static_cast<int32_t>(n % m);
}

void setcomb(combset &set, int32_t l, double *ring, const combrec &c, int64_t frame)
{
    std::memset(ring, 0, sizeof(double) * ringroom);
    set.ring[l] = ring;
    set.length[l] = c.length;
    set.pos[l] = mod(frame, c.length);
    set.gain[l] = static_cast<double>(c.gain);
    for (double *s : set.state)
        s[l] = 0.0;
}

// Sets up the combs of `segment`, each from silence at frame 0.
void makesets(const reverbrun &run, int32_t segment, segsets &ss)
{
    ss.rows = perchannel / run.width;
    int32_t seen[2] = {0, 0};
    for (int32_t j = 0; j < combcount; ++j) {
        const int32_t c = run.combs[j].channel;
        const int32_t g = seen[c] / run.width, l = seen[c] % run.width;
        ++seen[c];
        ss.comb[c][g][l] = j;
        ss.set[c][g].count = run.width;
        setcomb(ss.set[c][g], l, rings[segment][j], run.combs[j], 0);
    }
    ss.input[0] = 0;
    ss.input[1] = 1;
}

// Runs every set over frames [from, to), chunk by chunk; with `out`, adds
// the combs' output into revbuf.
void runall(const reverbrun &run, segsets &ss, int32_t segment, int64_t from, int64_t to, bool out)
{
    for (int64_t c0 = from; c0 < to; c0 += chunkframes) {
        const int64_t c1 = std::min<int64_t>(to, c0 + chunkframes);
        const int32_t span = static_cast<int32_t>(c1 - c0);
        for (int32_t c = 0; c < 2; ++c) {
            double *acc = out ? sums[segment][c] : nullptr;
            if (acc)
                std::memset(acc, 0, sizeof(double) * span);
            runcombs(run.simd, ss.set[c], ss.rows, mixbuf + ss.input[c], c0, c1, acc, run.coefs);
        }
        if (out) {
            for (int32_t n = 0; n < span; ++n) {
                double *r = revbuf + 2 * (c0 + n);
                r[0] = r[0] + sums[segment][0][n];
                r[1] = r[1] + sums[segment][1][n];
            }
        }
    }
}

// One time segment: its combs' states at its start, then the segment.
void runsegment(const reverbrun &run, int32_t segment)
{
    static segsets sets[reverbsegments];
    segsets &ss = sets[segment];
    makesets(run, segment, ss);
    const int64_t from = run.bounds[segment], to = run.bounds[segment + 1];

    if (segment == 0) {
        // Comb j starts where comb j - 1 ends the song: run comb j - 1 on
        // comb j's ring over the end of the song, then hand the ring and
        // the states to comb j. Comb 0 starts from silence.
        const int64_t warm = run.frames - warmframes;
        for (int32_t c = 0; c < 2; ++c) {
            for (int32_t g = 0; g < ss.rows; ++g) {
                for (int32_t l = 0; l < run.width; ++l) {
                    const int32_t j = ss.comb[c][g][l];
                    setcomb(ss.set[c][g], l, rings[segment][j], run.combs[j > 0 ? j - 1 : j], warm);
                }
            }
            ss.input[c] = 1 - c;
        }
        runall(run, ss, segment, warm, run.frames, false);
        for (int32_t c = 0; c < 2; ++c) {
            for (int32_t g = 0; g < ss.rows; ++g) {
                combset &set = ss.set[c][g];
                for (int32_t l = 0; l < run.width; ++l) {
                    const int32_t j = ss.comb[c][g][l];
                    const combrec &own = run.combs[j];
                    if (j == 0) {
                        setcomb(set, l, set.ring[l], own, 0);
                        continue;
                    }
                    // The delay line of comb j is the first length(j)
                    // values of comb j - 1's, read from the start.
                    set.length[l] = own.length;
                    set.pos[l] = 0;
                    set.gain[l] = static_cast<double>(own.gain);
                    std::memcpy(set.ring[l] + own.length, set.ring[l], sizeof(double) * ringpad);
                }
            }
            ss.input[c] = c;
        }
    } else {
        for (int32_t c = 0; c < 2; ++c) {
            for (int32_t g = 0; g < ss.rows; ++g) {
                combset &set = ss.set[c][g];
                for (int32_t l = 0; l < run.width; ++l)
                    set.pos[l] = mod(from - warmframes, set.length[l]);
            }
        }
        runall(run, ss, segment, from - warmframes, from, false);
    }
    runall(run, ss, segment, from, to, true);
}

// The combs one after another, each from the state the one before it left,
// as the straight render runs them: for songs too short to cut.
void runchain(const reverbrun &run, int32_t count)
{
    combset set{};
    set.count = 1;
    double *ring = rings[0][0];
    std::memset(ring, 0, sizeof(double) * ringroom);
    for (int32_t j = 0; j < count; ++j) {
        const combrec &c = run.combs[j];
        set.ring[0] = ring;
        set.length[0] = c.length;
        set.pos[0] = 0;
        set.gain[0] = static_cast<double>(c.gain);
        std::memcpy(ring + c.length, ring, sizeof(double) * ringpad);
        for (int64_t c0 = 0; c0 < run.frames; c0 += chunkframes) {
            const int64_t c1 = std::min<int64_t>(run.frames, c0 + chunkframes);
            double *acc = sums[0][0];
            std::memset(acc, 0, sizeof(double) * (c1 - c0));
            runcombs(run.simd, &set, 1, mixbuf + c.channel, c0, c1, acc, run.coefs);
            for (int64_t n = c0; n < c1; ++n)
                revbuf[2 * n + c.channel] = revbuf[2 * n + c.channel] + acc[n - c0];
        }
    }
}

// Tiny results of the filters become 0 instead of denormal numbers while
// the reverb runs on this thread.
struct flushzero {
#if FAST_MXCSR
    unsigned int saved = _mm_getcsr();
    flushzero()
    {
        _mm_setcsr(saved | 0x8000u);
    }
    ~flushzero()
    {
        _mm_setcsr(saved);
    }
#endif
};

}  // namespace

int32_t fastreverb(const synthbase *b, int32_t frames, int32_t threads, simdset s)
{
    combrec combs[combcount];
    const int32_t count = pickcombs(b, combs);

    reverbrun run{};
    run.combs = combs;
    run.frames = frames;
    run.simd = s;
    run.width = lanes(s);
    run.coefs = {b->inbandhi, b->inbandlo, b->fbbandhi, b->fbbandlo, b->revlevel};

    // As many segments as fit, each at least `warmframes` long; segment
    // starts on a multiple of 8 frames.
    int32_t parts = 0;
    for (int32_t n = reverbsegments; n >= 1 && parts == 0; --n) {
        if (static_cast<int64_t>(frames) / n / 8 * 8 >= warmframes)
            parts = n;
    }
    // (The selection always takes combcount combs, alternating between
    // the channels; the chain takes whatever it is given.)
    if (parts == 0 || count != combcount) {
        flushzero fz;
        runchain(run, count);
        return 0;
    }
    for (int32_t i = 0; i < parts; ++i)
        run.bounds[i] = static_cast<int32_t>(static_cast<int64_t>(frames) * i / parts / 8 * 8);
    run.bounds[parts] = frames;

    parallel(threads, parts, [&](int32_t segment, int32_t) {
        flushzero fz;
        runsegment(run, segment);
    });
    return parts;
}

}  // namespace fast
