// The fast render against the straight one: the same MusBuf byte for byte,
// the same mixbuf bit for bit, the same song streams and cursors after the
// render, and a reverb that differs only in rounding; on small songs of the
// tests' own and on the whole stored song, for each vector set the
// processor has and for one and several threads.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "fast.h"
#include "fixture.h"

namespace {

// What a render leaves behind.
struct outcome {
    std::vector<int16_t> pcm;      // the rendered part of MusBuf
    std::vector<double> rev;       // the rendered part of revbuf
    uint64_t mix = 0;              // hash of mixbuf up to the end of the song's notes
    std::vector<int8_t> tones, tracks;  // the rewritten streams
    std::vector<ptrdiff_t> cursors;     // cursors of the block, from where they started
};

// The small songs' notes all end within their rendered frames; the stored
// song's are hashed over all of mixbuf.
outcome keep(const synthbase &b, const synthbase &start, int32_t frames, int32_t notesend, const int8_t *tones,
             size_t ntones, const int8_t *tracks, size_t ntracks)
{
    outcome o;
    o.pcm.assign(MusBuf, MusBuf + 2 * frames);
    o.rev.assign(revbuf, revbuf + 2 * frames);
    o.mix = bytehash(mixbuf, 2 * sizeof(double) * static_cast<size_t>(notesend));
    o.tones.assign(tones, tones + ntones);
    o.tracks.assign(tracks, tracks + ntracks);
    o.cursors = {b.instptr - start.instptr, b.toneptr - start.toneptr, b.trackptr - start.trackptr,
                 b.lenptr - start.lenptr,   b.noteptr - start.noteptr};
    return o;
}

// The fast outcome against the straight one.
void expectsame(const outcome &fast, const outcome &straight, const std::string &what)
{
    ASSERT_EQ(fast.pcm.size(), straight.pcm.size()) << what;
    int64_t differ = 0, first = -1;
    for (size_t i = 0; i < fast.pcm.size(); ++i) {
        if (fast.pcm[i] != straight.pcm[i]) {
            first = differ++ == 0 ? static_cast<int64_t>(i) : first;
        }
    }
    EXPECT_EQ(differ, 0) << what << ": first at sample " << first << ", fast "
                         << (first >= 0 ? fast.pcm[first] : 0) << ", straight "
                         << (first >= 0 ? straight.pcm[first] : 0);
    EXPECT_EQ(fast.mix, straight.mix) << what << ": mixbuf";

    double diff = 0, peak = 0;
    for (size_t i = 0; i < fast.rev.size(); ++i) {
        diff = std::fmax(diff, std::fabs(fast.rev[i] - straight.rev[i]));
        peak = std::fmax(peak, std::fabs(straight.rev[i]));
    }
    EXPECT_LE(diff, 1e-9 * std::fmax(1.0, peak)) << what << ": revbuf, largest value " << peak;
    EXPECT_EQ(fast.tones, straight.tones) << what << ": tone lists";
    EXPECT_EQ(fast.tracks, straight.tracks) << what << ": track records";
    EXPECT_EQ(fast.cursors, straight.cursors) << what << ": cursors";
}

// The ways of running the fast render that the tests go through.
struct fastway {
    const char *name;
    int32_t threads;
    simdset simd;
};

// Whether the processor runs `s`.
bool runs(simdset s)
{
    return s == simdset::best || static_cast<int32_t>(s) <= static_cast<int32_t>(simdbest());
}

// --- Small songs -------------------------------------------------------

struct trackspec {
    uint8_t gate;
    std::vector<int8_t> pairs;  // tone index delta, velocity, ...; the end delta is added
    std::vector<std::pair<uint8_t, int8_t>> events;  // (ticks, value); the last has 0 ticks
};

// Adds an instrument with the given tone list (the count byte included) and
// tracks, in that order.
void addinst(songfix &s, const instparam &p, std::vector<int8_t> tones, const std::vector<trackspec> &tracks)
{
    s.inst.push_back(p);
    s.tones.insert(s.tones.end(), tones.begin(), tones.end());
    for (const trackspec &t : tracks) {
        s.tracks.push_back(static_cast<int8_t>(t.gate));
        s.tracks.insert(s.tracks.end(), t.pairs.begin(), t.pairs.end());
        s.tracks.push_back(-128);
        for (const auto &[ticks, value] : t.events) {
            s.lens.push_back(ticks);
            s.notes.push_back(value);
        }
    }
}

// The stored instruments with short tables, two tones and two tracks each;
// a note of the second track spans the frame 65,536 where the fast render
// cuts its note work, another sits on the track's end event.
songfix storedshort()
{
    songfix s;
    for (int32_t i = 0; i < instcount; ++i) {
        instparam p = iparam[i];
        p.length = 1500;
        addinst(s, p, {24, 12, -127},
                {{0, {0, 3, 1, 100}, {{1, 1}, {3, 2}, {2, 0}, {1, 1}, {0, 0}}},
                 {1, {1, 127}, {{50, 0}, {2, 1}, {0, 1}}}});
    }
    return s;
}

// Envelopes that never move: partials held at fractions of full level
// (instrument 0 without sweep), all at full level (instrument 3), and
// banks whose size is no multiple of the vector width.
songfix heldenvelopes()
{
    songfix s;
    for (int32_t i = 0; i < instcount; ++i) {
        instparam p = iparam[i];
        p.length = 1200;
        if (i == 0 || i == 6) {
            p.sweep1 = 0.0f;
            p.sweep2 = 0.0f;
        }
        if (i == 1 || i == 7) {
            p.groups = 3;
            p.partials = 7;
        }
        addinst(s, p, {36, -128}, {{0, {0, 90}, {{2, 1}, {5, 1}, {0, 0}}}});
    }
    return s;
}

// Release ramps whose additions round, so that they can only be stepped
// one by one, on notes that span frame 65,536; and notes that overlap.
songfix roundingramps()
{
    songfix s;
    for (int32_t i = 0; i < instcount; ++i) {
        instparam p = cheapinst(iparam[i], 20000);
        p.partials = 3;
        if (i % 2 == 0) {
            p.release = -1e-9f;
            p.attack = 2.0f;
        } else {
            p.release = -3.3e-5f;
            p.attack = 1.5e-4f;
        }
        addinst(s, p, {40, -128}, {{1, {0, 20}, {{3, 1}, {47, 1}, {2, 1}, {0, 0}}}});
    }
    return s;
}

struct smallsong {
    const char *name;
    songfix (*make)();
    int32_t frames;
};

const smallsong smallsongs[] = {
    {"stored instruments, short tables", storedshort, 70000},
    {"envelopes that hold", heldenvelopes, 12000},
    {"release ramps that round", roundingramps, 90000},
};

const fastway smallways[] = {
    {"one thread, sse2", 1, simdset::sse2},    {"three threads, sse2", 3, simdset::sse2},
    {"one thread, avx2", 1, simdset::avx2},    {"three threads, avx2", 3, simdset::avx2},
    {"one thread, avx512", 1, simdset::avx512}, {"three threads, avx512", 3, simdset::avx512},
};

outcome rendersmall(const smallsong &song, const fastway *way)
{
    songfix s = song.make();
    clearareas(song.frames);
    synthbase b = s.makeblock();
    const synthbase start = b;
    if (way) {
        faststages st;
        synthfast(&b, song.frames, fastopts{way->threads, way->simd}, &st);
        EXPECT_EQ(st.simd, way->simd) << song.name << ", " << way->name;
    } else {
        synth(&b, song.frames);
    }
    return keep(b, start, song.frames, song.frames, s.tones.data(), s.tones.size(), s.tracks.data(),
                s.tracks.size());
}

TEST(FastRender, SmallSongsAsStraight)
{
    for (const smallsong &song : smallsongs) {
        const outcome straight = rendersmall(song, nullptr);
        bool sound = false;
        for (int16_t v : straight.pcm)
            sound = sound || v != 0;
        EXPECT_TRUE(sound) << song.name;
        for (const fastway &way : smallways) {
            if (!runs(way.simd))
                continue;
            expectsame(rendersmall(song, &way), straight, std::string(song.name) + ", " + way.name);
        }
    }
}

TEST(FastRender, SynthresetRestoresTheStartState)
{
    const std::vector<int8_t> tones(itones, itones + itonesbytes), tracks(trdata, trdata + trdatabytes);
    const synthbase fresh = storedblock();

    // What a render changes, changed by hand: the rewritten streams, the
    // moved cursors, the filter states, and values in every area.
    itones[itonesbytes - 1] = 5;
    trdata[3] = 99;
    base.instptr += 3;
    base.toneptr += 7;
    base.trackptr += 11;
    base.lenptr += 13;
    base.noteptr += 17;
    base.mixpos = mixbuf + 1000;
    base.filtstate[2] = 1.0;
    freqarr[17].rot[1] = 1.0;
    sampbuf[2 * sampframes - 1] = 1.0;
    mixbuf[2 * mixframes - 1] = 1.0;
    revbuf[5] = 1.0;
    delbuf[delcap - 1] = 1.0;
    MusBuf[2 * muscapacity - 1] = 1;

    synthreset();
    EXPECT_EQ(std::vector<int8_t>(itones, itones + itonesbytes), tones);
    EXPECT_EQ(std::vector<int8_t>(trdata, trdata + trdatabytes), tracks);
    EXPECT_EQ(base.instptr, fresh.instptr);
    EXPECT_EQ(base.toneptr, fresh.toneptr);
    EXPECT_EQ(base.trackptr, fresh.trackptr);
    EXPECT_EQ(base.lenptr, fresh.lenptr);
    EXPECT_EQ(base.noteptr, fresh.noteptr);
    EXPECT_EQ(base.mixpos, nullptr);
    for (int32_t i = 0; i < 4; ++i)
        EXPECT_EQ(base.filtstate[i], 0.0) << "state " << i;
    const struct {
        const char *name;
        const void *area;
        size_t bytes;
    } areas[] = {
        {"freqarr", freqarr, sizeof freqarr}, {"sampbuf", sampbuf, sizeof sampbuf},
        {"mixbuf", mixbuf, sizeof mixbuf},    {"revbuf", revbuf, sizeof revbuf},
        {"delbuf", delbuf, sizeof delbuf},    {"MusBuf", MusBuf, sizeof MusBuf},
    };
    for (const auto &a : areas) {
        const unsigned char *p = static_cast<const unsigned char *>(a.area);
        size_t nonzero = 0;
        for (size_t i = 0; i < a.bytes; ++i)
            nonzero += p[i] != 0;
        EXPECT_EQ(nonzero, 0u) << a.name;
    }
}

// --- Reverb combs side by side ----------------------------------------

// A number in [-1, 1) from a simple generator.
double noise(uint32_t &state)
{
    state = state * 1664525u + 1013904223u;
    return static_cast<int32_t>(state) * 0x1p-31;
}

// Combs run side by side in vectors give the very doubles of the same
// combs run one at a time without them: the sums, the delay lines (their
// repeated first values too), the filter states and the positions. The run
// starts at odd ring positions, wraps every ring several times and ends in
// the middle of a vector step; five sets cover the runs of three, two and
// one interleaved sets.
TEST(FastRender, CombsSideBySideAsOneByOne)
{
    constexpr int32_t sets = 5, frames = 9001, from = 123;
    const fast::combcoefs k = {base.inbandhi, base.inbandlo, base.fbbandhi, base.fbbandlo, base.revlevel};
    std::vector<double> x(2 * (from + frames));
    uint32_t seed = 12345;
    for (double &v : x)
        v = 3000.0 * noise(seed);

    for (const simdset s : {simdset::sse2, simdset::avx2, simdset::avx512}) {
        if (!runs(s))
            continue;
        const int32_t width = fast::lanes(s);
        std::vector<fast::combset> wide(sets), single(sets * width);
        std::vector<std::vector<double>> rings(2 * sets * width, std::vector<double>(3328 + fast::ringpad));
        for (int32_t j = 0; j < sets * width; ++j) {
            fast::combset &w = wide[j / width];
            fast::combset &o = single[j];
            const int32_t l = j % width;
            w.count = width;
            o.count = 1;
            w.length[l] = o.length[0] = 1793 + static_cast<int32_t>(1535.0 * (noise(seed) + 1.0) / 2.0);
            w.pos[l] = o.pos[0] = static_cast<int32_t>(w.length[l] * (noise(seed) + 1.0) / 2.0);
            w.gain[l] = o.gain[0] = 0.85 + 0.05 * noise(seed);
            for (int32_t f = 0; f < 4; ++f)
                w.state[f][l] = o.state[f][0] = 100.0 * noise(seed);
            std::vector<double> &rw = rings[2 * j], &ro = rings[2 * j + 1];
            for (int32_t i = 0; i < w.length[l]; ++i)
                rw[i] = ro[i] = 1000.0 * noise(seed);
            for (int32_t i = 0; i < fast::ringpad; ++i)
                rw[w.length[l] + i] = ro[w.length[l] + i] = rw[i];
            w.ring[l] = rw.data();
            o.ring[0] = ro.data();
        }

        std::vector<double> accwide(frames, 0.0), accone(frames, 0.0);
        fast::runcombs(s, wide.data(), sets, x.data(), from, from + frames, accwide.data(), k);
        for (fast::combset &o : single)
            fast::runcombs(s, &o, 1, x.data(), from, from + frames, accone.data(), k);

        const char *name = simdname(s);
        EXPECT_EQ(accwide, accone) << name;
        for (int32_t j = 0; j < sets * width; ++j) {
            const fast::combset &w = wide[j / width];
            const fast::combset &o = single[j];
            const int32_t l = j % width;
            EXPECT_EQ(w.pos[l], o.pos[0]) << name << ", comb " << j;
            for (int32_t f = 0; f < 4; ++f)
                EXPECT_EQ(w.state[f][l], o.state[f][0]) << name << ", comb " << j << ", state " << f;
            EXPECT_EQ(rings[2 * j], rings[2 * j + 1]) << name << ", comb " << j;
            for (int32_t i = 0; i < fast::ringpad; ++i)
                EXPECT_EQ(rings[2 * j][w.length[l] + i], rings[2 * j][i]) << name << ", comb " << j;
        }
    }
}

// --- The whole stored song ---------------------------------------------

// The straight render of the stored song, once per test process.
const outcome &straightsong()
{
    static const outcome o = [] {
        synthreset();
        const synthbase start = base;
        synthstraight();
        return keep(base, start, musframes, mixframes, itones, itonesbytes, trdata, trdatabytes);
    }();
    return o;
}

outcome fastsong(const fastway &way)
{
    synthreset();
    const synthbase start = base;
    faststages st;
    synthfast(&base, musframes, fastopts{way.threads, way.simd}, &st);
    EXPECT_EQ(st.simd, way.simd == simdset::best ? simdbest() : way.simd) << way.name;
    EXPECT_EQ(st.reverbparts, 2) << way.name;
    return keep(base, start, musframes, mixframes, itones, itonesbytes, trdata, trdatabytes);
}

// synth() itself on every thread, then each vector set on its own; the
// reverbs of all of them are the same to the last bit, as the cut into
// time segments does not depend on the threads.
TEST(FastRenderFullSong, SameMusBufOnAllThreads)
{
    const outcome &straight = straightsong();

    synthreset();
    const synthbase start = base;
    synth();
    const outcome show = keep(base, start, musframes, mixframes, itones, itonesbytes, trdata, trdatabytes);
    expectsame(show, straight, "synth()");

    const fastway ways[] = {
        {"all threads, sse2", 0, simdset::sse2},
        {"all threads, avx2", 0, simdset::avx2},
        {"all threads, avx512", 0, simdset::avx512},
    };
    for (const fastway &way : ways) {
        if (!runs(way.simd) || way.simd == simdbest())
            continue;  // the widest was synth()'s own
        const outcome o = fastsong(way);
        expectsame(o, straight, way.name);
        EXPECT_EQ(o.rev, show.rev) << way.name << ": revbuf against synth()'s";
    }
}

TEST(FastRenderFullSong, SameMusBufOnOneThread)
{
    expectsame(fastsong({"one thread", 1, simdset::best}), straightsong(), "one thread");
}

}  // namespace
