// The fast render's kernels for each instruction set, and the choice among
// them at run time. The wider sets are compiled with target options of
// their own, so the rest of the program runs on any x86 processor with
// SSE2; they are called only where the processor reports them.
#include <algorithm>
#include <cmath>

#include "fast.h"

namespace fast {

namespace v2 {
#define FAST_LANES 2
#include "fastkern.inc"
#undef FAST_LANES
}  // namespace v2

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define FAST_WIDE 1

#pragma GCC push_options
#pragma GCC target("avx2")
namespace v4 {
#define FAST_LANES 4
#include "fastkern.inc"
#undef FAST_LANES
}  // namespace v4
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f")
namespace v8 {
#define FAST_LANES 8
#include "fastkern.inc"
#undef FAST_LANES
}  // namespace v8
#pragma GCC pop_options

#else
#define FAST_WIDE 0
#endif

void tonetable(simdset s, const bankrows &bank, const tonespec &tone, double *out)
{
#if FAST_WIDE
    if (s == simdset::avx512)
        return v8::tonetable(bank, tone, out);
    if (s == simdset::avx2)
        return v4::tonetable(bank, tone, out);
#endif
    (void)s;
    v2::tonetable(bank, tone, out);
}

void placepart(simdset s, const noteplace &n, int32_t from, int32_t to)
{
#if FAST_WIDE
    if (s == simdset::avx512)
        return v8::placepart(n, from, to);
    if (s == simdset::avx2)
        return v4::placepart(n, from, to);
#endif
    (void)s;
    v2::placepart(n, from, to);
}

void runcombs(simdset s, combset *sets, int32_t count, const double *x, int64_t from, int64_t to, double *acc,
              const combcoefs &k)
{
#if FAST_WIDE
    if (s == simdset::avx512)
        return v8::runcombs(sets, count, x, from, to, acc, k);
    if (s == simdset::avx2)
        return v4::runcombs(sets, count, x, from, to, acc, k);
#endif
    (void)s;
    v2::runcombs(sets, count, x, from, to, acc, k);
}

int32_t lanes(simdset s)
{
    return s == simdset::avx512 ? 8 : s == simdset::avx2 ? 4 : 2;
}

simdset pickset(simdset want)
{
    const simdset best = simdbest();
    if (want == simdset::best || static_cast<int32_t>(want) > static_cast<int32_t>(best))
        return best;
    return want;
}

}  // namespace fast

simdset simdbest()
{
#if FAST_WIDE
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f"))
        return simdset::avx512;
    if (__builtin_cpu_supports("avx2"))
        return simdset::avx2;
#endif
    return simdset::sse2;
}

const char *simdname(simdset s)
{
    switch (s) {
    case simdset::best:
        return "best";
    case simdset::sse2:
        return "sse2";
    case simdset::avx2:
        return "avx2";
    case simdset::avx512:
        return "avx512";
    }
    return "?";
}
