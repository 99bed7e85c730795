// The band-pass filter, the comb reverb, the conversion to PCM and the
// order of the render.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <vector>

#include "fixture.h"

namespace {

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
TEST(Fpuset, SetsNearestRoundingExtendedPrecisionNoTraps)
{
    // Start from a 53-bit significand rounding down, and SSE rounding down
    // with flush to zero, as another platform might leave them.
    const uint16_t badcontrol = 0x067f;
    const uint32_t badcsr = 0xbf80;
    asm volatile("fldcw %0" : : "m"(badcontrol));
    asm volatile("ldmxcsr %0" : : "m"(badcsr));
    fpuset();
    uint16_t control = 0;
    uint32_t csr = 0;
    asm volatile("fnstcw %0" : "=m"(control));
    asm volatile("stmxcsr %0" : "=m"(csr));
    EXPECT_EQ(control, 0x037f);
    EXPECT_EQ(csr & 0xffc0u, 0x1f80u);  // the low six bits are sticky flags
}
#endif

TEST(Rfilter, FromZeroStates)
{
    const float coef[2] = {base.inbandhi, base.inbandlo};
    double state[2] = {0.0, 0.0};
    const struct {
        double x, y, sa, sb;
    } steps[] = {
        {1000.0, 260.40011, 270.40011, 9.9999998},
        {0.0, 187.38389, 197.28389, 9.8999998},
        {0.0, 134.13730, 143.93830, 9.8009998},
    };
    for (const auto &s : steps) {
        const float *k = coef;
        double *st = state;
        const long double y = rfilter(s.x, k, st);
        EXPECT_EQ(k, coef + 2);
        EXPECT_EQ(st, state + 2);
        EXPECT_NEAR(static_cast<double>(y), s.y, 5e-5);
        EXPECT_NEAR(state[0], s.sa, 5e-5);
        EXPECT_NEAR(state[1], s.sb, 5e-7);
    }
}

TEST(Rfilter, TinyStatesBecomeExactlyZero)
{
    // A state below about 2^-64 in magnitude is flushed to 0 in one step.
    const float coef[2] = {base.fbbandhi, base.fbbandlo};
    double state[2] = {1e-25, -1e-25};
    const float *k = coef;
    double *st = state;
    EXPECT_EQ(rfilter(0.0L, k, st), 0.0L);
    EXPECT_EQ(std::bit_cast<uint64_t>(state[0]), 0u);
    EXPECT_EQ(std::bit_cast<uint64_t>(state[1]), 0u);
}

TEST(Rfilter, DecayingStateNeverTurnsDenormal)
{
    // Without the flush, 0.69^n and 0.99^n would pass through the denormal
    // range within 20000 steps. With it, the states settle on a few units of
    // 2^-63, where (v + 1) - 1 rounds back to the same value.
    const float coef[2] = {base.fbbandhi, base.fbbandlo};
    double state[2] = {1.0, -1.0};
    for (int i = 0; i < 20000; ++i) {
        const float *k = coef;
        double *st = state;
        rfilter(0.0L, k, st);
        ASSERT_NE(std::fpclassify(state[0]), FP_SUBNORMAL) << "step " << i;
        ASSERT_NE(std::fpclassify(state[1]), FP_SUBNORMAL) << "step " << i;
    }
    EXPECT_LT(std::fabs(state[0]), 0x1p-56);
    EXPECT_LT(std::fabs(state[1]), 0x1p-56);
}

TEST(Reverb, ChosenLengthsAndGains)
{
    const int32_t want[combcount] = {
        3325, 3310, 3284, 3272, 3259, 3220, 3179, 3170, 3121, 3111, 3097, 3082, 3035, 3033, 3021, 2977,
        2971, 2953, 2946, 2925, 2898, 2896, 2888, 2878, 2851, 2812, 2805, 2761, 2740, 2731, 2708, 2703,
        2694, 2679, 2638, 2634, 2623, 2609, 2602, 2591, 2588, 2578, 2566, 2549, 2528, 2524, 2520, 2509,
        2496, 2493, 2487, 2484, 2478, 2452, 2439, 2433, 2396, 2380, 2359, 2318, 2306, 2304, 2298, 2282,
        2262, 2251, 2231, 2227, 2225, 2198, 2181, 2177, 2175, 2168, 2165, 2160, 2106, 2105, 2083, 2058,
        2056, 2045, 2041, 2019, 2015, 1997, 1991, 1983, 1954, 1934, 1928, 1881, 1880, 1836, 1823, 1812,
    };
    synthbase b = storedblock();
    combrec used[combcount];
    ASSERT_EQ(reverb(&b, 0, used), combcount);
    for (int32_t i = 0; i < combcount; ++i) {
        EXPECT_EQ(used[i].length, want[i]) << "comb " << i;
        EXPECT_EQ(used[i].channel, i % 2) << "comb " << i;
    }
    EXPECT_NEAR(static_cast<double>(used[0].gain), 0.8240207, 5e-8);
    EXPECT_NEAR(static_cast<double>(used[combcount - 1].gain), 0.8998342, 5e-8);
}

TEST(Reverb, AnyRandomWordsGive96Combs)
{
    constexpr int32_t first = 63489, last = 66816;
    const std::vector<uint32_t> saved(randdata + first, randdata + last + 1);
    uint32_t lcg = 12345;
    const struct {
        const char *name;
        uint32_t (*word)(int32_t, uint32_t &);
        int32_t longest, shortest;
    } cases[] = {
        {"zero", [](int32_t, uint32_t &) { return 0u; }, 3328, 3233},
        {"all ones", [](int32_t, uint32_t &) { return 0xffffffffu; }, 1888, 1793},
        {"alternating", [](int32_t i, uint32_t &) { return i % 2 ? 0xffffffffu : 0u; }, 0, 0},
        {"generator", [](int32_t, uint32_t &s) { return s = s * 1664525u + 1013904223u; }, 0, 0},
    };
    for (const auto &c : cases) {
        for (int32_t i = first; i <= last; ++i)
            randdata[i] = c.word(i, lcg);
        synthbase b = storedblock();
        combrec used[combcount];
        ASSERT_EQ(reverb(&b, 0, used), combcount) << c.name;
        int32_t perchannel[2] = {0, 0};
        for (int32_t i = 0; i < combcount; ++i) {
            ++perchannel[used[i].channel];
            EXPECT_GE(used[i].length, 1793) << c.name;
            EXPECT_LE(used[i].length, 3328) << c.name;
            if (i > 0) {
                EXPECT_LT(used[i].length, used[i - 1].length) << c.name;
            }
        }
        EXPECT_EQ(perchannel[0], 48) << c.name;
        EXPECT_EQ(perchannel[1], 48) << c.name;
        if (c.longest) {
            EXPECT_EQ(used[0].length, c.longest) << c.name;
            EXPECT_EQ(used[combcount - 1].length, c.shortest) << c.name;
        }
    }
    std::copy(saved.begin(), saved.end(), randdata + first);
}

TEST(Reverb, SilenceGivesSilence)
{
    constexpr int32_t frames = 4000;
    clearareas(frames);
    synthbase b = storedblock();
    reverb(&b, frames, nullptr);
    makepcm(&b, 2 * frames);
    for (int32_t i = 0; i < 2 * frames; ++i) {
        ASSERT_EQ(revbuf[i], 0.0) << "value " << i;
        ASSERT_EQ(MusBuf[i], 0) << "sample " << i;
    }
    for (double s : b.filtstate)
        EXPECT_EQ(std::bit_cast<uint64_t>(s), 0u);
}

TEST(Reverb, DelayAndFilterStatesCarryFromCombToComb)
{
    // Only the left input has sound; the right combs sound anyway because
    // each comb starts with what the previous one left behind.
    constexpr int32_t frames = 4000;
    clearareas(frames);
    mixbuf[0] = 1000.0;
    synthbase b = storedblock();
    reverb(&b, frames, nullptr);
    bool right = false;
    for (int32_t n = 0; n < frames; ++n)
        right = right || revbuf[2 * n + 1] != 0.0;
    EXPECT_TRUE(right);
    EXPECT_EQ(mixbuf[0], 1000.0);
    for (int32_t i = 1; i < 2 * frames; ++i)
        ASSERT_EQ(mixbuf[i], 0.0);
    for (int32_t i = 3328; i < delcap; ++i)
        ASSERT_EQ(delbuf[i], 0.0) << "delay value " << i;
}

TEST(Makepcm, ClipsSymmetricallyAndRoundsToEven)
{
    const struct {
        double mix, rev;
        int16_t out;
    } cases[] = {
        {40000.0, 0.0, 32767},   {-40000.0, 0.0, -32767},  {2.5, 0.0, 2},
        {3.5, 0.0, 4},           {-2.5, 0.0, -2},          {1.25, 1.25, 2},
        {0.5, 0.0, 0},           {-32766.5, 0.0, -32766},  {32767.0, 0.0, 32767},
        {-32767.5, 0.0, -32767}, {-32768.0, 0.0, -32767},  {-1e300, 0.0, -32767},
        {30000.0, 2767.25, 32767}, {-30000.0, -2767.25, -32767},
        {-std::numeric_limits<double>::infinity(), 0.0, -32767},
    };
    const int32_t count = sizeof(cases) / sizeof(cases[0]);
    clearareas(count);
    for (int32_t i = 0; i < count; ++i) {
        mixbuf[i] = cases[i].mix;
        revbuf[i] = cases[i].rev;
    }
    const synthbase b = storedblock();
    makepcm(&b, count);
    for (int32_t i = 0; i < count; ++i)
        EXPECT_EQ(MusBuf[i], cases[i].out) << cases[i].mix << " + " << cases[i].rev;
}

// Eight cheap instruments, one track each with one note at tick 0; `dry`
// says whether instruments 5 to 7 play theirs.
songfix eightnotes(bool wet, bool dry)
{
    songfix s;
    for (int32_t i = 0; i < instcount; ++i) {
        s.inst.push_back(cheapinst(iparam[i], 300));
        s.tones.insert(s.tones.end(), {static_cast<int8_t>(12 + i), -128});
        s.tracks.insert(s.tracks.end(), {0, 0, 2, -128});
        s.lens.insert(s.lens.end(), {0x01, 0x00});
        const bool plays = i < 5 ? wet : dry;
        s.notes.insert(s.notes.end(), {static_cast<int8_t>(plays ? 1 : 0), 0});
    }
    return s;
}

struct rendered {
    std::vector<double> mix, rev;
    std::vector<int16_t> pcm;
};

rendered render(songfix &s, int32_t frames)
{
    clearareas(frames);
    synthbase b = s.makeblock();
    synth(&b, frames);
    EXPECT_EQ(b.instptr, s.inst.data() + instcount);
    EXPECT_EQ(b.toneptr, s.tones.data() + s.tones.size());
    EXPECT_EQ(b.trackptr, s.tracks.data() + s.tracks.size());
    EXPECT_EQ(b.lenptr, s.lens.data() + s.lens.size());
    EXPECT_EQ(b.noteptr, s.notes.data() + s.notes.size());
    return {std::vector<double>(mixbuf, mixbuf + 2 * frames), std::vector<double>(revbuf, revbuf + 2 * frames),
            std::vector<int16_t>(MusBuf, MusBuf + 2 * frames)};
}

TEST(Synth, DryInstrumentsStayOutOfTheReverb)
{
    constexpr int32_t frames = 3000;
    songfix all = eightnotes(true, true);
    songfix wetonly = eightnotes(true, false);
    songfix dryonly = eightnotes(false, true);
    const rendered a = render(all, frames);
    const rendered w = render(wetonly, frames);
    const rendered d = render(dryonly, frames);

    EXPECT_EQ(a.rev, w.rev);
    EXPECT_NE(a.mix, w.mix);
    for (int32_t i = 0; i < 2 * frames; ++i)
        ASSERT_EQ(d.rev[i], 0.0) << "value " << i;

    // The output is the clipped, rounded sum of both.
    bool sound = false;
    for (int32_t i = 0; i < 2 * frames; ++i) {
        const long double v = static_cast<long double>(a.mix[i]) + a.rev[i];
        const long double c = v >= 32767 ? 32767 : (v <= -32767 ? -32767 : v);
        ASSERT_EQ(a.pcm[i], static_cast<int16_t>(lrintl(c))) << "sample " << i;
        sound = sound || a.pcm[i] != 0;
    }
    EXPECT_TRUE(sound);
}

}  // namespace
