// synth-bench: renders the whole song once, stage by stage in the order of
// synth(), and prints per stage the wall time and the rates that explain it,
// then a 64-bit FNV-1a hash of the played part of MusBuf.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

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

}  // namespace

int main()
{
    const clk::time_point start = clk::now();
    fillrand();
    const double randsec = since(start);

    synthbase *b = &base;
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

    std::printf("synth-bench: whole song, %d frames\n\n", musframes);
    std::printf("fillrand            %8.3f s\n\n", randsec);
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
    std::printf("total                   %8.3f   (all tone tables: %.3e partial updates, %.3e/s)\n", total,
                static_cast<double>(updates),
                rate(updates, tonewet + inst[5].tonesec + inst[6].tonesec + inst[7].tonesec));

    int32_t peak = 0;
    int64_t clipped = 0;
    uint64_t hash = 0xcbf29ce484222325ull;
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(MusBuf);
    for (int32_t i = 0; i < musbytes; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001b3ull;
    }
    for (int32_t i = 0; i < mussamples; ++i) {
        const int32_t v = std::abs(int32_t{MusBuf[i]});
        peak = v > peak ? v : peak;
        clipped += v == 32767;
    }
    std::printf("\npeak %d, samples at the clip %" PRId64 "\n", peak, clipped);
    std::printf("MusBuf hash (FNV-1a 64, %d bytes): %016" PRIx64 "\n", musbytes, hash);
    return 0;
}
