// The fast render: the straight render's song, on all cores.
//
// The order of work:
//   1. The song streams are read as the straight render reads them (the
//      same walkers, the same bytes rewritten), into a list of notes.
//   2. The tone tables of all instruments are built at once, one table per
//      task, each from its own copy of the partial bank, one double per
//      sample (both channels of a table are equal). They all fit in sampbuf
//      this way; a song whose tables do not is built in groups.
//   3. The notes of instruments 0 to 4 are added into mixbuf, cut into time
//      chunks: a thread takes a chunk and adds every note's samples in it,
//      in the song's note order, so each sample of mixbuf receives the same
//      additions in the same order as in the straight render.
//   4. The reverb (fastreverb.cpp).
//   5. The notes of instruments 5 to 7, chunk by chunk in the same way, each
//      chunk converted to PCM as soon as its notes are in.
// Tone tables, notes and the conversion give exactly the straight render's
// doubles, and so mixbuf is the same to the last bit; only the reverb is
// rounded differently (fastreverb.cpp says by how much).
#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>

#include "fast.h"
#include "songwalk.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

using namespace fast;

namespace {

using clk = std::chrono::steady_clock;

double since(clk::time_point t)
{
    return std::chrono::duration<double>(clk::now() - t).count();
}

// Instruments 0 to 4 reach the reverb; the rest are added after it.
constexpr int32_t wetinsts = 5;

// Room of the lists below; a song beyond them is rendered straight.
constexpr int32_t notecap = 32768;
constexpr int32_t tonecap = 4096;

// Threads that build tone tables at once, each with a bank of its own.
constexpr int32_t tablethreads = 8;

// Frames of mixbuf a note task covers.
constexpr int32_t notechunk = 65536;

// The song as read from the streams: instrument i's tones are
// tonevalues[firsttone[i]] to tonevalues[firsttone[i + 1] - 1], its notes
// notes[firstnote[i]] to notes[firstnote[i + 1] - 1].
int32_t tonevalues[tonecap];
int32_t firsttone[instcount + 1];
noteplace notes[notecap];
int32_t firstnote[instcount + 1];

// Start of each instrument's tone tables in sampbuf, in doubles.
int64_t tablestart[instcount];

// The banks of the threads that build tone tables: as makebank writes
// them, and laid out one array per field.
alignas(64) partial banks[tablethreads][freqcap];
alignas(64) double bankfields[tablethreads][6][freqcap + bankpad];

// Reads the tone lists and counts the notes, changing nothing; false when
// the song does not fit the lists above.
bool scansong(const synthbase *b)
{
    const int8_t *tones = b->toneptr;
    const uint8_t *lens = b->lenptr;
    const int8_t *values = b->noteptr;
    int32_t ntones = 0, nnotes = 0;
    for (int32_t i = 0; i < instcount; ++i) {
        firsttone[i] = ntones;
        int32_t sum = 0;
        for (;;) {
            sum += *tones++;
            if (sum < 0)
                break;
            if (ntones == tonecap)
                return false;
            tonevalues[ntones++] = sum;
        }
        const int32_t tracks = tones[-1] + 129;
        for (int32_t t = 0; t < tracks; ++t) {
            for (;;) {
                const int32_t span = eventlen(lens);
                nnotes += *values++ >= 1;
                if (span == 0)
                    break;
            }
        }
    }
    firsttone[instcount] = ntones;
    return nnotes <= notecap;
}

// Splits the instruments into groups whose tables fit in sampbuf together,
// in instrument order, and places each instrument's tables; group g is
// instruments groupstart[g] to groupstart[g + 1] - 1. Returns the count.
int32_t plantables(const instparam *inst, int32_t *groupstart)
{
    constexpr int64_t room = 2 * static_cast<int64_t>(sampframes);
    int32_t groups = 0;
    int64_t used = 0;
    for (int32_t i = 0; i < instcount; ++i) {
        const int64_t need = static_cast<int64_t>(firsttone[i + 1] - firsttone[i]) * inst[i].length;
        if (i == 0 || used + need > room) {
            groupstart[groups++] = i;
            used = 0;
        }
        tablestart[i] = used;
        used += need;
    }
    groupstart[groups] = instcount;
    return groups;
}

// Exponent of the lowest set bit of v (finite, not 0): v is an odd
// multiple of 2 to that power.
int32_t lowbit(double v)
{
    int e = 0;
    const double f = std::frexp(std::fabs(v), &e);  // |v| = f 2^e, f in [0.5, 1)
    const uint64_t whole = static_cast<uint64_t>(std::ldexp(f, 53));
    return e - 53 + __builtin_ctzll(whole);
}

// Whether start + n * step is, for every n from 0 to count, exactly the
// value that n additions of step to start give. So it is when start and
// step are multiples of one power of two 2^u and every value stays below
// 2^(u + 53) in size: then every sum and product is a double, exactly.
bool exactramp(double start, double step, int32_t count)
{
    if (!std::isfinite(start) || !std::isfinite(step))
        return false;
    int32_t unit = INT32_MAX;
    if (start != 0)
        unit = lowbit(start);
    if (step != 0)
        unit = std::min(unit, lowbit(step));
    if (unit == INT32_MAX)
        return true;
    const double most = std::fabs(start) + std::fabs(step) * count;
    return most < std::ldexp(1.0, unit + 52);
}

double dmin(double a, double b)
{
    return a < b ? a : b;
}

double dmax(double a, double b)
{
    return a > b ? a : b;
}

struct tonetask {
    int32_t inst, index;
    double cost;
};

// Builds tone `t`'s table with bank `worker`.
void buildtone(const synthbase *b, const instparam *inst, const tonetask &t, int32_t worker, simdset s)
{
    const instparam *ip = inst + t.inst;
    synthbase ib = *b;
    ib.instptr = ip;
    partial *bank = banks[worker];
    const int32_t count = makebank(&ib, tonevalues[firsttone[t.inst] + t.index], bank);

    double(*field)[freqcap + bankpad] = bankfields[worker];
    bankrows rows{field[0], field[1], field[2], field[3], field[4], field[5], field[4],
                  (count + bankpad - 1) / bankpad * bankpad};
    for (int32_t i = 0; i < rows.count; ++i) {
        const partial q = i < count ? bank[i] : partial{};
        rows.rotre[i] = q.rot[0];
        rows.rotim[i] = q.rot[1];
        rows.oscre[i] = q.osc[0];
        rows.oscim[i] = q.osc[1];
        rows.ramp1[i] = q.ramp[0];
        rows.ramp2[i] = q.ramp[1];
    }

    tonespec tone{envkind::ramps,
                  static_cast<double>(ip->slope1) * static_cast<double>(ip->sweep1),
                  static_cast<double>(ip->slope2) * static_cast<double>(ip->sweep2),
                  ip->drive,
                  static_cast<double>(count),
                  b->one[0],
                  ip->length};
    if (tone.step1 == 0 && tone.step2 == 0) {
        // Neither ramp moves, so each partial's clamped envelope is the
        // same at every sample: work it out once, in place of ramp 1.
        tone.kind = envkind::unity;
        for (int32_t i = 0; i < rows.count; ++i) {
            double e = dmin(rows.ramp1[i], rows.ramp2[i]);
            e = dmax(e, 0.0);
            e = dmin(e, tone.one);
            rows.env[i] = e;
            if (i < count && e != 1.0)
                tone.kind = envkind::fixed;
        }
    }
    tonetable(s, rows, tone, sampbuf + tablestart[t.inst] + static_cast<int64_t>(t.index) * ip->length);
}

// Builds the tone tables of instruments [first, end), the costliest first.
void buildtables(const synthbase *b, const instparam *inst, int32_t first, int32_t end, int32_t threads,
                 simdset s)
{
    static tonetask tasks[tonecap];
    int32_t count = 0;
    for (int32_t i = first; i < end; ++i) {
        const instparam &ip = inst[i];
        const bool still = ip.slope1 * ip.sweep1 == 0 && ip.slope2 * ip.sweep2 == 0;
        for (int32_t t = 0; t < firsttone[i + 1] - firsttone[i]; ++t)
            tasks[count++] = {i, t, double(ip.groups) * ip.partials * ip.length * (still ? 0.6 : 1.0)};
    }
    std::sort(tasks, tasks + count, [](const tonetask &x, const tonetask &y) { return x.cost > y.cost; });
    parallel(std::min(threads, tablethreads), count,
             [&](int32_t i, int32_t worker) { buildtone(b, inst, tasks[i], worker, s); });
}

// Adds notes [first, end) into mixbuf, chunk by chunk; with `convert`, each
// chunk's part of the first `frames` frames then goes into MusBuf.
void notepass(const synthbase *b, int32_t first, int32_t end, int32_t frames, bool convert, int32_t threads,
              simdset s)
{
    int64_t span = convert ? frames : 0;
    for (int32_t i = first; i < end; ++i)
        span = std::max<int64_t>(span, (notes[i].at - mixbuf) / 2 + notes[i].length);
    const int32_t chunks = static_cast<int32_t>((span + notechunk - 1) / notechunk);
    const long double clip = b->clip;
    parallel(threads, chunks, [&](int32_t c, int32_t) {
        const int64_t c0 = static_cast<int64_t>(c) * notechunk;
        const int64_t c1 = std::min(span, c0 + notechunk);
        for (int32_t i = first; i < end; ++i) {
            const noteplace &nt = notes[i];
            const int64_t start = (nt.at - mixbuf) / 2;
            const int64_t from = std::max(c0, start), to = std::min(c1, start + nt.length);
            if (from < to)
                placepart(s, nt, static_cast<int32_t>(from - start), static_cast<int32_t>(to - start));
        }
        if (convert) {
            const int64_t last = 2 * std::min<int64_t>(c1, frames);
            for (int64_t k = 2 * c0; k < last; ++k)
                MusBuf[k] = pcmsample(clip, mixbuf[k], revbuf[k]);
        }
    });
}

// Asks for the large storage areas to be backed by huge pages where the
// system offers them on request: the render is the first to touch most of
// this storage, and at 4 KiB a page, taking it page by page costs more than
// the notes and the conversion together. Only a hint; nothing else changes.
void askhugepages()
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    static bool asked = false;
    if (asked)
        return;
    asked = true;
    const struct {
        void *area;
        size_t bytes;
    } areas[] = {{mixbuf, sizeof mixbuf}, {revbuf, sizeof revbuf}, {sampbuf, sizeof sampbuf}, {MusBuf, sizeof MusBuf}};
    constexpr uintptr_t huge = uintptr_t{1} << 21;
    for (const auto &a : areas) {
        const uintptr_t first = (reinterpret_cast<uintptr_t>(a.area) + huge - 1) & ~(huge - 1);
        const uintptr_t end = (reinterpret_cast<uintptr_t>(a.area) + a.bytes) & ~(huge - 1);
        if (first < end)
            madvise(reinterpret_cast<void *>(first), end - first, MADV_HUGEPAGE);
    }
#endif
}

}  // namespace

void synthfast(synthbase *b, int32_t frames, const fastopts &opts, faststages *stages)
{
    const clk::time_point start = clk::now();
    faststages st;
    fpuset();
    askhugepages();
    st.simd = pickset(opts.simd);
    int32_t threads = opts.threads > 0 ? opts.threads : static_cast<int32_t>(std::thread::hardware_concurrency());
    threads = std::clamp(threads, 1, maxthreads);
    st.threads = threads;
    const simdset s = st.simd;

    const instparam *inst = b->instptr;
    if (!scansong(b)) {
        synth(b, frames);
        st.threads = 1;
        st.total = since(start);
        if (stages)
            *stages = st;
        return;
    }
    int32_t groupstart[instcount + 1];
    const int32_t groups = plantables(inst, groupstart);

    // The streams, read as the straight render reads them.
    int32_t count = 0;
    for (int32_t i = 0; i < instcount; ++i) {
        firstnote[i] = count;
        walktones(b, [](int32_t) {});
        const instparam *ip = b->instptr;
        const int64_t tables = tablestart[i];
        walktracks(b, [&](double *at, int32_t tone, int32_t velocity, int32_t gate) {
            noteplace &n = notes[count++];
            n.table = sampbuf + tables + static_cast<int64_t>(tone) * ip->length;
            n.at = at;
            n.length = ip->length;
            const double gain = static_cast<double>(ip->volume) * velocity;
            n.left = gain * (b->one[0] - static_cast<double>(ip->pan));
            n.right = gain * (b->one[1] + static_cast<double>(ip->pan));
            n.release = ip->release;
            n.attack = ip->attack;
            n.ramp0 = b->one[0] - gate * n.release;
            n.one = b->one[0];
            n.direct = exactramp(n.ramp0, n.release, n.length) && exactramp(0.0, n.attack, n.length);
        });
    }
    firstnote[instcount] = count;
    st.streams = since(start);

    for (int32_t g = 0; g < groups; ++g) {
        const int32_t first = groupstart[g], end = groupstart[g + 1];
        clk::time_point t = clk::now();
        buildtables(b, inst, first, end, threads, s);
        st.tables += since(t);

        const int32_t wetend = std::min(end, wetinsts);
        if (first < wetend) {
            t = clk::now();
            notepass(b, firstnote[first], firstnote[wetend], frames, false, threads, s);
            st.wet += since(t);
        }
        if (first < wetinsts && wetinsts <= end) {
            t = clk::now();
            st.reverbparts = fastreverb(b, frames, threads, s);
            st.reverb += since(t);
        }
        const int32_t dryfirst = std::max(first, wetinsts);
        if (dryfirst < end) {
            t = clk::now();
            notepass(b, firstnote[dryfirst], firstnote[end], frames, end == instcount, threads, s);
            st.dry += since(t);
        }
    }
    st.total = since(start);
    if (stages)
        *stages = st;
}

void synth()
{
    synthfast(&base, musframes, fastopts{}, nullptr);
}
