// Note placement: one instrument's tone tables and tracks, added into mixbuf.
#include "synth.h"

namespace {

// Samples per tick of the song's time grid.
constexpr int32_t ticksamples = 1291;

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
    int32_t sum = 0;
    int32_t tones = 0;
    for (;;) {
        sum += *b->toneptr++;
        if (sum < 0)
            break;  // the count byte
        pos = makeinst(b, sum, pos);
        ++tones;
    }
    return tones;
}

int32_t maketracks(synthbase *b)
{
    const instparam *ip = b->instptr;
    int8_t *count = b->toneptr - 1;  // the last byte of the tone list
    int32_t notes = 0;

    do {
        b->mixpos = mixbuf;

        // The track record: gate byte, then (tone index, velocity) pairs
        // whose deltas are summed in place up to the first negative sum.
        int8_t *record = b->trackptr;
        const int32_t gate = static_cast<uint8_t>(record[0]);
        int8_t *delta = record + 1;
        int8_t sum = *delta;
        do {
            delta += 2;
            sum = static_cast<int8_t>(sum + *delta);
            *delta = sum;
        } while (sum >= 0);
        b->trackptr = delta + 1;

        // The events, up to the first of length 0.
        for (;;) {
            const int32_t span = eventlen(b->lenptr) * ticksamples;
            double *start = b->mixpos;
            b->mixpos += 2 * static_cast<int64_t>(span);
            const int32_t value = *b->noteptr++;
            if (value >= 1) {
                const int32_t tone = static_cast<uint8_t>(record[2 * value - 1]);
                const int32_t velocity = static_cast<uint8_t>(record[2 * value]);
                placenote(b, ip, start, tone, velocity, gate != 0 ? gate * ticksamples : span);
                ++notes;
            }
            if (span == 0)
                break;
        }

        // Counts up from the count byte; the instrument is done when it
        // wraps from -128 to 127.
        *count = static_cast<int8_t>(*count - 1);
    } while (*count < 0);

    b->instptr = ip + 1;
    return notes;
}

void makechan(synthbase *b)
{
    maketones(b);
    maketracks(b);
}
