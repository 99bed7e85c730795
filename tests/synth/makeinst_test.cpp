// Partial banks and tone tables.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "fixture.h"

namespace {

synthbase blockfor(const instparam *inst)
{
    synthbase b = storedblock();
    b.instptr = inst;
    return b;
}

TEST(Makeinst, Instrument2Tone12Group0)
{
    const synthbase b = blockfor(&iparam[2]);
    const partgroup g = makegroup(&b, 0);
    EXPECT_EQ(static_cast<int32_t>(randdata[48]), -478470949);
    EXPECT_EQ(static_cast<int32_t>(randdata[49]), 1799513127);
    EXPECT_NEAR(static_cast<double>(g.r), 0.2228054, 5e-8);
    EXPECT_NEAR(static_cast<double>(g.p), 1.651890, 5e-7);
    EXPECT_EQ(g.h, 2.0L);
    EXPECT_EQ(g.pitch, 12.0L);
    EXPECT_NEAR(static_cast<double>(g.rho), 0.99985631, 5e-9);
    EXPECT_NEAR(std::pow(static_cast<double>(g.rho), 4096.0), 0.555096, 5e-7);
    EXPECT_NEAR(static_cast<double>(g.amp), 1.675927, 5e-7);

    ASSERT_EQ(makebank(&b, 12.0), 66);
    const partial &q = freqarr[0];
    const double omega = std::atan2(q.rot[1], q.rot[0]);
    EXPECT_NEAR(omega, 0.00931883, 5e-9);
    EXPECT_NEAR(omega * 44100.0 / (2.0 * M_PI), 65.406, 5e-4);  // tone 24
    EXPECT_NEAR(std::hypot(q.rot[0], q.rot[1]), 0.99985631, 5e-9);
    EXPECT_NEAR(std::hypot(q.osc[0], q.osc[1]), 1.675927, 5e-7);
    EXPECT_NEAR(std::atan2(q.osc[1], q.osc[0]), 2.250113, 5e-7);
    EXPECT_NEAR(q.ramp[0], -8.602110, 5e-7);
    EXPECT_NEAR(q.ramp[1], 1.151383, 5e-7);
}

TEST(Makeinst, Instrument2Tone12FirstSamples)
{
    const synthbase b = blockfor(&iparam[2]);
    double *end = makeinst(&b, 12.0, sampbuf);
    EXPECT_EQ(end, sampbuf + 2 * 65536);
    const double first[] = {-0.964011, -0.939693, -0.898993, -0.825460};
    for (int n = 0; n < 4; ++n)
        EXPECT_NEAR(sampbuf[2 * n], first[n], 5e-7) << "sample " << n;
}

TEST(Makeinst, SampleUsesRotatedOscillatorAndUnsteppedRamps)
{
    // One partial on the tone, drive 1 (so the output is the plain sum), a
    // first ramp starting at 0.5 and rising by 0.025 per sample, a second
    // ramp held at 1.
    instparam p{};
    p.groups = 1;
    p.partials = 1;
    p.randofs = 5;
    p.decay = 1.0f;
    p.harmonic = 1.0f;
    p.edge1 = 2.0f;
    p.slope1 = 0.25f;
    p.sweep1 = 0.1f;
    p.drive = 1.0f;
    p.length = 3;
    const synthbase b = blockfor(&p);
    ASSERT_EQ(makebank(&b, 30.0), 1);
    const partial start = freqarr[0];
    ASSERT_EQ(start.ramp[0], 0.5);
    ASSERT_EQ(start.ramp[1], 1.0);

    makeinst(&b, 30.0, sampbuf);
    const double c = start.rot[0], q = start.rot[1];
    double x = start.osc[0], y = start.osc[1];
    double ramp = start.ramp[0];
    const double step = 0.25 * static_cast<double>(0.1f);
    for (int n = 0; n < 3; ++n) {
        const double nx = c * x - q * y, ny = q * x + c * y;
        x = nx;
        y = ny;
        EXPECT_EQ(sampbuf[2 * n], ramp * x) << "sample " << n;
        ramp = ramp + step;
    }
}

TEST(Makeinst, WholeRatiosWhenFullyHarmonic)
{
    const struct {
        int inst;
        std::set<long double> ratios;
    } cases[] = {
        {2, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        {5, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13}},
    };
    for (const auto &c : cases) {
        const synthbase b = blockfor(&iparam[c.inst]);
        std::set<long double> seen;
        for (int32_t k = 0; k < iparam[c.inst].groups; ++k)
            seen.insert(makegroup(&b, k).h);
        EXPECT_EQ(seen, c.ratios) << "instrument " << c.inst;
    }
}

TEST(Makeinst, SpreadZeroGivesRatioOne)
{
    // Instrument 4: every group sits on the tone, and its amplitude is the
    // signed random value itself whatever the tilt.
    const synthbase b = blockfor(&iparam[4]);
    for (int32_t k = 0; k < iparam[4].groups; ++k) {
        const partgroup g = makegroup(&b, k);
        const int32_t w = static_cast<int32_t>(randdata[256 * k + iparam[4].randofs + 1]);
        EXPECT_EQ(g.p, 1.0L) << "group " << k;
        EXPECT_EQ(g.h, 1.0L) << "group " << k;
        EXPECT_EQ(g.pitch, 0.0L) << "group " << k;
        EXPECT_EQ(g.amp, static_cast<long double>(w) / 2147483648.0L) << "group " << k;
    }
}

TEST(Makeinst, DecayFactorZeroIsSilentFromFirstSample)
{
    instparam p = iparam[6];  // decay 0
    p.decayvar = 0.0f;        // so every group's factor is 0
    p.groups = 3;
    p.partials = 4;
    p.length = 256;
    const synthbase b = blockfor(&p);
    makeinst(&b, 24.0, sampbuf);
    for (int32_t i = 0; i < 2 * p.length; ++i)
        ASSERT_EQ(sampbuf[i], 0.0) << "value " << i;
}

TEST(Makeinst, WritesExactlyLengthFramesWithEqualLanes)
{
    instparam p = iparam[0];
    p.groups = 3;
    p.partials = 4;
    p.length = 1000;
    const synthbase b = blockfor(&p);
    const double mark = 12345.0;
    for (int32_t i = 0; i < 2 * 1010; ++i)
        sampbuf[i] = mark;

    double *end = makeinst(&b, 36.0, sampbuf + 2 * 5);
    EXPECT_EQ(end, sampbuf + 2 * 1005);
    for (int32_t n = 0; n < 1010; ++n) {
        if (n < 5 || n >= 1005) {
            EXPECT_EQ(sampbuf[2 * n], mark) << "frame " << n;
            EXPECT_EQ(sampbuf[2 * n + 1], mark) << "frame " << n;
        } else {
            ASSERT_NE(sampbuf[2 * n], mark) << "frame " << n;
            ASSERT_EQ(sampbuf[2 * n], sampbuf[2 * n + 1]) << "frame " << n;
        }
    }
}

}  // namespace
