// The render driver: floating-point state, the reverb and the conversion to
// 16-bit PCM.
#include <cfenv>
#include <cmath>

#include "synth.h"

void fpuset()
{
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
    // x87: all exceptions masked, 64-bit significand, round to nearest.
    // Written explicitly, as some platforms start with a 53-bit significand.
    const uint16_t control = 0x037f;
    asm volatile("fnclex\n\tfldcw %0" : : "m"(control) : "memory");
#if defined(__SSE__)
    // SSE: all exceptions masked, round to nearest, denormals kept.
    const uint32_t csr = 0x1f80;
    asm volatile("ldmxcsr %0" : : "m"(csr) : "memory");
#endif
#else
    std::fesetround(FE_TONEAREST);
#endif
}

long double rfilter(long double x, const float *&k, double *&s)
{
    // Each low-pass state is pushed through (v + 1) - 1, which turns a state
    // too small to matter into exactly 0 instead of a denormal.
    long double a = s[0];
    a = a + (x - a) * k[0];
    a = (a + 1) - 1;
    s[0] = static_cast<double>(a);

    long double c = s[1];
    c = c + (x - c) * k[1];
    c = (c + 1) - 1;
    s[1] = static_cast<double>(c);

    k += 2;
    s += 2;
    return a - c;
}

namespace {

constexpr int32_t candidates = 3328;   // candidate lengths, 3328 down to 1
constexpr int32_t lengthofs = 1792;    // lengths up to this are never chosen
constexpr int32_t randbase = 63488;    // random word of length L: randbase + L

// One feedback comb of `length` samples over channel `channel`: the dry
// mix, band-passed, plus the band-passed delayed signal times `gain` goes
// into the delay line; the delayed signal, scaled, is added into revbuf.
// The delay line and filter states carry over from the previous comb.
void comb(synthbase *b, int32_t length, int32_t channel, long double gain, int32_t frames)
{
    int32_t k = 0;
    for (int32_t n = 0; n < frames; ++n) {
        const int64_t i = 2 * static_cast<int64_t>(n) + channel;
        const float *coef = &b->inbandhi;
        double *state = b->filtstate;
        const long double y1 = rfilter(mixbuf[i], coef, state);
        const long double d = delbuf[k];
        const long double y2 = rfilter(d, coef, state);
        revbuf[i] = static_cast<double>(revbuf[i] + d * *coef);  // coef: revlevel
        delbuf[k] = static_cast<double>(y1 + gain * y2);
        if (++k == length)
            k = 0;
    }
}

}  // namespace

int32_t pickcombs(const synthbase *b, combrec *combs)
{
    long double gain = b->revgain;
    uint32_t need = combcount;
    int32_t channel = 0;
    int32_t count = 0;
    for (int32_t length = candidates; length >= 1; --length) {
        // Selection sampling: length L is taken with probability
        // need / (L - 1792), so exactly `combcount` distinct lengths above
        // 1792 are taken whatever the words.
        const uint32_t word = randdata[randbase + length];
        const uint32_t left = static_cast<uint32_t>(length - lengthofs);
        const uint32_t q = static_cast<uint32_t>((static_cast<uint64_t>(left) * word) >> 32);
        if (q < need) {
            combs[count++] = combrec{length, channel, gain};
            channel = 1 - channel;
            --need;
        }
        gain = gain * b->revgrow;
    }
    return count;
}

int32_t reverb(synthbase *b, int32_t frames, combrec *used)
{
    combrec combs[combcount];
    const int32_t count = pickcombs(b, combs);
    for (int32_t i = 0; i < count; ++i) {
        if (used)
            used[i] = combs[i];
        comb(b, combs[i].length, combs[i].channel, combs[i].gain, frames);
    }
    return count;
}

void makepcm(const synthbase *b, int32_t samples)
{
    const long double clip = b->clip;
    for (int32_t i = 0; i < samples; ++i)
        MusBuf[i] = pcmsample(clip, mixbuf[i], revbuf[i]);
}

void synth(synthbase *b, int32_t frames)
{
    fpuset();
    for (int32_t i = 0; i < 5; ++i)
        makechan(b);
    reverb(b, frames, nullptr);
    for (int32_t i = 5; i < instcount; ++i)
        makechan(b);
    makepcm(b, 2 * frames);
}

void synthstraight()
{
    synth(&base, musframes);
}
