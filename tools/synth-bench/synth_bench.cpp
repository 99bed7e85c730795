// synth-bench: renders the whole song both ways in one run and compares.
//
//   synth-bench [--threads N] [--simd sse2|avx2|avx512] [--repeat N]
//
// First the fast render (the one the show uses), on storage no render has
// touched yet as at the show's start; then, from the same starting state,
// the straight render stage by stage in the order of synth(b, frames), with
// the wall time of each stage and the rates that explain it; then the fast
// render's stages, and N - 1 more fast renders with --repeat; then both
// totals, their ratio, and whether the MusBufs are identical, byte for
// byte, or how many samples differ and by how much. Also says whether
// mixbuf is identical and how far revbuf is from the straight one. Exits 1
// when a MusBuf differs.
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "synth.h"

namespace {

using clk = std::chrono::steady_clock;

double since(clk::time_point t)
{
    return std::chrono::duration<double>(clk::now() - t).count();
}

struct inststage {
    int32_t tones = 0, notes = 0;
    int64_t updates = 0;      // partial updates of the tone tables
    int64_t notesamples = 0;  // samples mixed by the notes
    double tonesec = 0, notesec = 0;
};

inststage runinst(synthbase *b)
{
    const instparam *ip = b->instptr;
    inststage s;
    clk::time_point t = clk::now();
    s.tones = maketones(b);
    s.tonesec = since(t);
    t = clk::now();
    s.notes = maketracks(b);
    s.notesec = since(t);
    s.updates = int64_t{ip->groups} * ip->partials * ip->length * s.tones;
    s.notesamples = int64_t{s.notes} * ip->length;
    return s;
}

double rate(int64_t count, double sec)
{
    return sec > 0 ? count / sec : 0.0;
}

// The straight render, stage by stage; returns its total time.
double straight()
{
    std::printf("straight render (the reference: one thread, 80-bit reverb)\n\n");
    synthbase *b = &base;
    const clk::time_point start = clk::now();
    fpuset();
    inststage inst[instcount];
    for (int32_t i = 0; i < 5; ++i)
        inst[i] = runinst(b);
    clk::time_point t = clk::now();
    combrec used[combcount];
    const int32_t combs = reverb(b, musframes, used);
    const double revsec = since(t);
    for (int32_t i = 5; i < instcount; ++i)
        inst[i] = runinst(b);
    t = clk::now();
    makepcm(b, mussamples);
    const double pcmsec = since(t);
    const double total = since(start);

    std::printf("inst  tones  partials  length   tone tables s  partial updates/s   notes  notes s  note samples/s\n");
    double tonewet = 0, notewet = 0, drysec = 0;
    for (int32_t i = 0; i < instcount; ++i) {
        const inststage &s = inst[i];
        std::printf("%4d  %5d  %8d  %6d  %14.3f  %17.3e  %6d  %7.3f  %14.3e\n", i, s.tones,
                    iparam[i].groups * iparam[i].partials, iparam[i].length, s.tonesec,
                    rate(s.updates, s.tonesec), s.notes, s.notesec, rate(s.notesamples, s.notesec));
        if (i < 5) {
            tonewet += s.tonesec;
            notewet += s.notesec;
        } else {
            drysec += s.tonesec + s.notesec;
        }
    }
    int64_t updates = 0;
    for (const inststage &s : inst)
        updates += s.updates;
    const int64_t steps = int64_t{combs} * musframes;

    std::printf("\nstage                     wall s   rate\n");
    std::printf("tone tables, inst 0-4   %8.3f\n", tonewet);
    std::printf("notes, inst 0-4         %8.3f\n", notewet);
    std::printf("reverb, %d combs        %8.3f   %.3e comb steps/s\n", combs, revsec, rate(steps, revsec));
    std::printf("dry instruments 5-7     %8.3f\n", drysec);
    std::printf("conversion              %8.3f   %.3e samples/s\n", pcmsec, rate(mussamples, pcmsec));
    std::printf("total                   %8.3f   (all tone tables: %.3e partial updates, %.3e/s)\n\n", total,
                static_cast<double>(updates),
                rate(updates, tonewet + inst[5].tonesec + inst[6].tonesec + inst[7].tonesec));
    return total;
}

void printfast(const faststages &s, int32_t run)
{
    if (run > 0)
        std::printf("fast render, run %d%s: ", run, run == 1 ? " (first use of the storage)" : "");
    else
        std::printf("fast render (first use of the storage): ");
    std::printf("%d thread%s, %s, reverb ", s.threads, s.threads == 1 ? "" : "s", simdname(s.simd));
    if (s.reverbparts > 0)
        std::printf("in %d time segments\n", s.reverbparts);
    else
        std::printf("one comb after another\n");
    std::printf("  reading the streams          %8.3f s\n", s.streams);
    std::printf("  tone tables, inst 0-7        %8.3f s\n", s.tables);
    std::printf("  notes, inst 0-4              %8.3f s\n", s.wet);
    std::printf("  reverb                       %8.3f s\n", s.reverb);
    std::printf("  notes 5-7 and conversion     %8.3f s\n", s.dry);
    std::printf("  total                        %8.3f s\n\n", s.total);
}

int usage()
{
    std::fprintf(stderr, "usage: synth-bench [--threads N] [--simd sse2|avx2|avx512] [--repeat N]\n");
    return 2;
}

}  // namespace

int main(int argc, char **argv)
{
    fastopts opts;
    int32_t repeat = 1;
    for (int i = 1; i < argc; ++i) {
        const bool more = i + 1 < argc;
        if (std::strcmp(argv[i], "--threads") == 0 && more) {
            opts.threads = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--repeat") == 0 && more) {
            repeat = std::atoi(argv[++i]);
            if (repeat < 1)
                return usage();
        } else if (std::strcmp(argv[i], "--simd") == 0 && more) {
            const char *name = argv[++i];
            if (std::strcmp(name, "sse2") == 0)
                opts.simd = simdset::sse2;
            else if (std::strcmp(name, "avx2") == 0)
                opts.simd = simdset::avx2;
            else if (std::strcmp(name, "avx512") == 0)
                opts.simd = simdset::avx512;
            else
                return usage();
        } else {
            return usage();
        }
    }

    std::printf("synth-bench: whole song, %d frames; %u hardware threads, widest vectors %s\n\n", musframes,
                std::thread::hardware_concurrency(), simdname(simdbest()));
    fillrand();

    // The fast render first, on storage that no render has touched yet, as
    // at the show's start; then the straight one from the same state.
    faststages first;
    synthfast(&base, musframes, opts, &first);
    const std::vector<int16_t> fastpcm(MusBuf, MusBuf + mussamples);
    const std::vector<double> fastrev(revbuf, revbuf + mussamples);
    const uint64_t fastmix = bytehash(mixbuf, sizeof mixbuf);

    synthreset();
    const double slow = straight();
    const std::vector<int16_t> refpcm(MusBuf, MusBuf + mussamples);
    const bool mixsame = bytehash(mixbuf, sizeof mixbuf) == fastmix;
    double revdiff = 0, revpeak = 0;
    for (int32_t i = 0; i < mussamples; ++i) {
        revdiff = std::fmax(revdiff, std::fabs(fastrev[i] - revbuf[i]));
        revpeak = std::fmax(revpeak, std::fabs(revbuf[i]));
    }
    int64_t differ = 0, first_at = -1;
    int32_t largest = 0;
    auto compare = [&](const int16_t *pcm) {
        for (int32_t i = 0; i < mussamples; ++i) {
            const int32_t d = std::abs(int32_t{pcm[i]} - refpcm[i]);
            if (d != 0) {
                ++differ;
                first_at = first_at < 0 ? i : first_at;
                largest = d > largest ? d : largest;
            }
        }
    };
    compare(fastpcm.data());

    // Further fast renders, each from the reset state, each compared too.
    printfast(first, repeat > 1 ? 1 : 0);
    double best = first.total;
    for (int32_t r = 2; r <= repeat; ++r) {
        synthreset();
        faststages st;
        synthfast(&base, musframes, opts, &st);
        printfast(st, r);
        best = st.total < best ? st.total : best;
        compare(MusBuf);
    }

    std::printf("straight render  %8.3f s\n", slow);
    std::printf("fast render      %8.3f s   ratio %.3f (fast / straight)\n", first.total,
                slow > 0 ? first.total / slow : 0.0);
    if (repeat > 1)
        std::printf("fast, best run   %8.3f s   ratio %.3f\n", best, slow > 0 ? best / slow : 0.0);
    std::printf("mixbuf           %s\n", mixsame ? "identical" : "DIFFERS");
    std::printf("revbuf           largest difference %.3e (largest value %.1f)\n", revdiff, revpeak);
    if (differ == 0) {
        std::printf("MusBuf           identical, all %d bytes, in %s (FNV-1a 64: %016" PRIx64 ")\n", musbytes,
                    repeat > 1 ? "every run" : "the run", bytehash(refpcm.data(), musbytes));
        return 0;
    }
    std::printf("MusBuf           DIFFERS in %" PRId64 " samples (of %d per run), by up to %d, first at sample %" PRId64
                "\n",
                differ, mussamples, largest, first_at);
    return 1;
}
