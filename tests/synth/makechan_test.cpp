// Note placement, on small songs of the tests' own.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fixture.h"

namespace {

constexpr int32_t tick = 1291;

TEST(Makechan, EventLengths)
{
    const struct {
        std::vector<uint8_t> bytes;
        int32_t ticks;
    } cases[] = {
        {{0x00}, 0},          {{0x01}, 1},          {{0x20}, 32},         {{0x7f}, 127},
        {{0xfc, 0x08}, 776},  {{0x80, 0x05}, 32517}, {{0xff, 0x05}, 5},   {{0x80, 0xff}, 32767},
        {{0xff, 0x00}, 0},
    };
    for (const auto &c : cases) {
        const uint8_t *p = c.bytes.data();
        EXPECT_EQ(eventlen(p), c.ticks) << "first byte " << int(c.bytes[0]);
        EXPECT_EQ(p, c.bytes.data() + c.bytes.size()) << "first byte " << int(c.bytes[0]);
    }
}

// The envelope of the note at `start` in the left lane: the mix divided by
// the tone table times the gain, where the table is not 0.
double envelope(int32_t start, int32_t n, double gain)
{
    return mixbuf[2 * (start + n)] / (sampbuf[2 * n] * gain);
}

// One instrument with the note fields of `like`, one tone, one track with the
// given gate and velocity for note value 1, and the given events.
songfix onetrack(const instparam &like, int32_t length, uint8_t gate, uint8_t velocity,
                 std::vector<uint8_t> lens, std::vector<int8_t> notes)
{
    songfix s;
    s.inst = {cheapinst(like, length)};
    s.tones = {24, -128};
    s.tracks = {static_cast<int8_t>(gate), 0, static_cast<int8_t>(velocity), -128};
    s.lens = std::move(lens);
    s.notes = std::move(notes);
    return s;
}

TEST(Makechan, RestsMoveTimeWithoutSound)
{
    // 3 ticks rest, 2 ticks rest (negative value), 776 ticks rest, a note of
    // one tick, then the end.
    songfix s = onetrack(iparam[0], 100, 0, 1, {0x03, 0x02, 0xfc, 0x08, 0x01, 0x00}, {0, -5, 0, 1, 0});
    const int32_t start = (3 + 2 + 776) * tick;
    clearareas(start + 200);
    synthbase b = s.makeblock();
    makechan(&b);

    EXPECT_EQ(b.mixpos, mixbuf + 2 * (start + tick));
    for (int32_t i = 0; i < 2 * (start + 200); ++i) {
        const bool inside = i >= 2 * (start + 1) && i < 2 * (start + 100);
        if (!inside) {
            ASSERT_EQ(mixbuf[i], 0.0) << "value " << i;
        } else {
            ASSERT_NE(mixbuf[i], 0.0) << "value " << i;
        }
    }
}

TEST(Makechan, FirstNoteEnvelopeOfInstrument0)
{
    // The first note of the song: after 32 ticks of rest, one tick long,
    // gate 0, velocity 1.
    songfix s = onetrack(iparam[0], 65536, 0, 1, {0x20, 0x01, 0x00}, {0, 1, 0});
    const int32_t start = 32 * tick;
    clearareas(start + 65536 + 10);
    synthbase b = s.makeblock();
    makechan(&b);

    const double gain = 576.0;  // volume times velocity 1, pan 0
    EXPECT_EQ(mixbuf[2 * start], 0.0);
    EXPECT_EQ(mixbuf[2 * start + 1], 0.0);
    EXPECT_NEAR(envelope(start, 1, gain), 0.025194786, 1e-9);
    EXPECT_LT(envelope(start, 39, gain), 1.0);
    for (int32_t n = 40; n <= 1291; ++n) {
        ASSERT_EQ(mixbuf[2 * (start + n)], sampbuf[2 * n] * gain) << "sample " << n;
        ASSERT_EQ(mixbuf[2 * (start + n) + 1], sampbuf[2 * n + 1] * gain) << "sample " << n;
    }
    EXPECT_LT(envelope(start, 1292, gain), 1.0);
    EXPECT_GT(envelope(start, 13038, gain), 0.0);
    for (int32_t n = 13039; n < 65536 + 10; ++n)
        ASSERT_EQ(mixbuf[2 * (start + n)], 0.0) << "sample " << n;
}

TEST(Makechan, GateReleasesAfterGateTicksWithPannedGains)
{
    // Instrument 1: gate 7 ticks, a note 3 ticks long, velocity 5.
    songfix s = onetrack(iparam[1], 65536, 7, 5, {0x03, 0x00}, {1, 0});
    clearareas(65536);
    synthbase b = s.makeblock();
    makechan(&b);

    const double pan = iparam[1].pan;
    const double left = 3328.0 * 5 * (1.0 - pan);
    const double right = 3328.0 * 5 * (1.0 + pan);
    for (int32_t n = 71; n <= 9037; ++n) {
        ASSERT_EQ(mixbuf[2 * n], sampbuf[2 * n] * left) << "sample " << n;
        ASSERT_EQ(mixbuf[2 * n + 1], sampbuf[2 * n + 1] * right) << "sample " << n;
    }
    EXPECT_LT(envelope(0, 9038, left), 1.0);
    EXPECT_NEAR(envelope(0, 9038, left), 1.0 + iparam[1].release, 1e-9);
}

TEST(Makechan, NoteOnEndEventWithGate0ReleasesAtOnce)
{
    // 5 ticks rest, then the end event carries the note.
    songfix s = onetrack(iparam[0], 65536, 0, 1, {0x05, 0x00}, {0, 1});
    const int32_t start = 5 * tick;
    clearareas(start + 65536);
    synthbase b = s.makeblock();
    makechan(&b);

    const double gain = 576.0;
    for (int32_t i = 0; i < 2 * start; ++i)
        ASSERT_EQ(mixbuf[i], 0.0);
    EXPECT_NEAR(envelope(start, 1, gain), 0.025194786, 1e-9);
    // The release ramp starts at 1 on the first sample, so the note never
    // reaches full level and is gone after 1 / |release| samples.
    for (int32_t n = 1; n < 11748; ++n) {
        if (sampbuf[2 * n] != 0.0) {
            ASSERT_LT(envelope(start, n, gain), 1.0) << "sample " << n;
        }
    }
    for (int32_t n = 11748; n < 65536; ++n)
        ASSERT_EQ(mixbuf[2 * (start + n)], 0.0) << "sample " << n;
}

TEST(Makechan, CountByteGivesTracksFromTimeZero)
{
    songfix s;
    instparam p = cheapinst(iparam[2], 50);
    p.release = -2.0f;
    p.attack = 2.0f;
    p.pan = 0.0f;
    s.inst = {p, cheapinst(iparam[5], 50)};
    // Instrument 0: tones 10 and 12, three tracks. Instrument 1 follows.
    s.tones = {10, 2, -126, 5, -128};
    s.tracks = {
        0, 0, 1, -128,               // track 1: value 1 is (0, 1)
        0, 1, 2, 0, 3, -128,         // track 2: values (1, 2), (1, 3)
        0, 0, 4, 1, 5, -128,         // track 3: values (0, 4), (1, 5)
        0, 0, 1, -128,               // instrument 1
    };
    s.lens = {
        0x01, 0x00,        // track 1: value 1 at tick 0
        0x01, 0x00,        // track 2: value 2 at tick 0
        0x02, 0x01, 0x00,  // track 3: rest, value 2 at tick 2
        0x00,              // instrument 1
    };
    s.notes = {1, 0, 2, 0, 0, 2, 0, 0};
    clearareas(3 * tick);
    synthbase b = s.makeblock();
    makechan(&b);

    // The cursors are at instrument 1's data, the count byte has wrapped.
    EXPECT_EQ(b.instptr, s.inst.data() + 1);
    EXPECT_EQ(b.toneptr, s.tones.data() + 3);
    EXPECT_EQ(b.trackptr, s.tracks.data() + 16);
    EXPECT_EQ(b.lenptr, s.lens.data() + 7);
    EXPECT_EQ(b.noteptr, s.notes.data() + 7);
    EXPECT_EQ(s.tones[2], 127);

    // Each delta is left as its running sum.
    const std::vector<int8_t> sums = {
        0, 0, 1, -128, 0, 1, 2, 1, 3, -127, 0, 0, 4, 1, 5, -127, 0, 0, 1, -128,
    };
    EXPECT_EQ(s.tracks, sums);

    // Track 1 and 2 both start at time 0; track 3 two ticks later. With the
    // hard envelope every note is at full level from its second sample.
    const double volume = p.volume;
    const double *tone0 = sampbuf;
    const double *tone1 = sampbuf + 2 * 50;
    for (int32_t n = 0; n < 3 * tick; ++n) {
        double want = 0.0;
        if (n >= 1 && n < 50) {
            want = want + tone0[2 * n] * (volume * 1);
            want = want + tone1[2 * n] * (volume * 3);
        }
        const int32_t m = n - 2 * tick;
        if (m >= 1 && m < 50)
            want = want + tone1[2 * m] * (volume * 5);
        ASSERT_EQ(mixbuf[2 * n], want) << "frame " << n;
        ASSERT_EQ(mixbuf[2 * n + 1], want) << "frame " << n;
    }
}

}  // namespace
