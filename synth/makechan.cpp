// Note placement: one instrument's tone tables and tracks, added into mixbuf.
#include "songwalk.h"

namespace {

double dmin(double a, double b)
{
    return a < b ? a : b;
}

double dmax(double a, double b)
{
    return a > b ? a : b;
}

// Adds one note into mixbuf at `at`: `length` samples of tone table `tone`,
// scaled by the gains and shaped by the release and attack ramps; the
// release ramp crosses 1 after `gate` samples.
void placenote(const synthbase *b, const instparam *ip, double *at, int32_t tone,
               int32_t velocity, int32_t gate)
{
    const int32_t length = ip->length;
    const double *table = sampbuf + 2 * static_cast<int64_t>(tone) * length;
    const double gain = static_cast<double>(ip->volume) * velocity;
    const double left = gain * (b->one[0] - static_cast<double>(ip->pan));
    const double right = gain * (b->one[1] + static_cast<double>(ip->pan));
    const double release = ip->release;
    const double attack = ip->attack;

    double r = b->one[0] - gate * release;
    double a = 0.0;
    for (int32_t n = 0; n < length; ++n) {
        const double e = dmin(b->one[0], dmax(0.0, dmin(r, a)));
        at[2 * n] = at[2 * n] + table[2 * n] * left * e;
        at[2 * n + 1] = at[2 * n + 1] + table[2 * n + 1] * right * e;
        r = r + release;
        a = a + attack;
    }
}

}  // namespace

int32_t eventlen(const uint8_t *&p)
{
    const uint8_t first = *p++;
    if (first < 0x80)
        return first;
    // Two bytes: the complement of the first is the high part.
    const int32_t high = static_cast<uint8_t>(~first);
    const int32_t low = *p++;
    return high * 256 + low;
}

int32_t maketones(synthbase *b)
{
    double *pos = sampbuf;
    return walktones(b, [&](int32_t tone) { pos = makeinst(b, tone, pos); });
}

int32_t maketracks(synthbase *b)
{
    const instparam *ip = b->instptr;
    return walktracks(b, [&](double *start, int32_t tone, int32_t velocity, int32_t gate) {
        placenote(b, ip, start, tone, velocity, gate);
    });
}

void makechan(synthbase *b)
{
    maketones(b);
    maketracks(b);
}
