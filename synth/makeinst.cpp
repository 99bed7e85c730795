// Tone tables: a bank of decaying, enveloped sinusoidal partials, summed
// and soft-saturated.
//
// The bank is set up in extended precision and rounded to doubles where it
// is stored; the sample loop runs in double precision.
#include <cmath>

#include "synth.h"

namespace {

constexpr long double pi = 3.141592653589793238462643383279502884L;

// 2^x, from 2 to the fraction of x, scaled exactly by 2 to its whole part.
long double pow2(long double x)
{
    const long double whole = rintl(x);
    return ldexpl(exp2l(x - whole), static_cast<int>(whole));
}

int32_t randword(int32_t i)
{
    return static_cast<int32_t>(randdata[i]);
}

// |w| 2^-31, in [0, 1]; the word -2^31 gives exactly 1.
long double unitval(const synthbase *b, int32_t w)
{
    return fabsl(static_cast<long double>(w)) * b->randscale;
}

// w 2^-31, in [-1, 1).
long double signedval(const synthbase *b, int32_t w)
{
    return static_cast<long double>(w) * b->randscale;
}

double dmin(double a, double b)
{
    return a < b ? a : b;
}

double dmax(double a, double b)
{
    return a > b ? a : b;
}

}  // namespace

partgroup makegroup(const synthbase *b, int32_t k)
{
    const instparam *ip = b->instptr;
    const int32_t word = 256 * k + ip->randofs;
    const long double octave = b->octave;
    partgroup g;

    g.r = unitval(b, randword(word));

    // The amplitude factor per 4096 samples, taken to the 4096th root by
    // twelve square roots.
    long double rho = g.r * ip->decayvar + ip->decay;
    for (int i = 0; i < 12; ++i)
        rho = sqrtl(rho);
    g.rho = rho;

    g.p = pow2(g.r * ip->spread / octave);
    g.h = g.p + ip->harmonic * (rintl(g.p) - g.p);
    g.pitch = octave * log2l(g.h);
    g.amp = pow2(g.pitch * ip->tilt / octave) * signedval(b, randword(word + 1));
    return g;
}

int32_t makebank(const synthbase *b, double tone, partial *bank)
{
    const instparam *ip = b->instptr;
    const long double octave = b->octave;
    int32_t n = 0;
    for (int32_t k = 0; k < ip->groups; ++k) {
        const partgroup g = makegroup(b, k);
        const int32_t word = 256 * k + ip->randofs;
        for (int32_t j = 0; j < ip->partials; ++j) {
            const long double s = g.pitch + signedval(b, randword(word + 2 + 2 * j)) * ip->detune;
            const long double w = b->basefreq * pow2((s + tone) / octave);
            const long double phi = pi * signedval(b, randword(word + 3 + 2 * j));
            partial &q = bank[n++];
            q.rot[0] = static_cast<double>(g.rho * cosl(w));
            q.rot[1] = static_cast<double>(g.rho * sinl(w));
            q.osc[0] = static_cast<double>(g.amp * cosl(phi));
            q.osc[1] = static_cast<double>(g.amp * sinl(phi));
            q.ramp[0] = static_cast<double>(1 + (s - ip->edge1) * ip->slope1);
            q.ramp[1] = static_cast<double>(1 + (s - ip->edge2) * ip->slope2);
        }
    }
    return n;
}

int32_t makebank(const synthbase *b, double tone)
{
    return makebank(b, tone, freqarr);
}

double *makeinst(const synthbase *b, double tone, double *pos)
{
    const instparam *ip = b->instptr;
    const int32_t count = makebank(b, tone);

    const double parts = count;
    const double drive = ip->drive;
    const double step1 = static_cast<double>(ip->slope1) * static_cast<double>(ip->sweep1);
    const double step2 = static_cast<double>(ip->slope2) * static_cast<double>(ip->sweep2);
    const double one = b->one[0];

    for (int32_t n = 0; n < ip->length; ++n) {
        double sum = 0.0;
        for (int32_t i = 0; i < count; ++i) {
            partial &q = freqarr[i];
            // One rotation of the oscillator, decay included.
            const double x = q.osc[0], y = q.osc[1];
            const double c = q.rot[0], s = q.rot[1];
            q.osc[0] = c * x - s * y;
            q.osc[1] = s * x + c * y;
            // The smaller ramp, clamped to [0, 1].
            double e = dmin(q.ramp[0], q.ramp[1]);
            e = dmax(e, 0.0);
            e = dmin(e, one);
            sum = sum + e * q.osc[0];
            q.ramp[0] = q.ramp[0] + step1;
            q.ramp[1] = q.ramp[1] + step2;
        }
        // Soft saturation: small-signal gain sqrt(drive), limit
        // sqrt(drive / (drive - 1)) for drive above 1.
        const double y = sum / std::sqrt(((drive - one) * (sum * sum) + parts) / drive);
        pos[0] = y;
        pos[1] = y;
        pos += 2;
    }
    return pos;
}
