// The storage areas, the context block and the instrument table as stored.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>

#include "fixture.h"

namespace {

uint32_t bitsof(float v)
{
    return std::bit_cast<uint32_t>(v);
}

TEST(Storage, AreasStartOn16ByteBoundaries)
{
    const void *areas[] = {randdata, freqarr, sampbuf, mixbuf, revbuf, delbuf, MusBuf, guid, &base};
    for (const void *a : areas)
        EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 16, 0u);
}

TEST(Storage, ContextBlockHoldsStoredValues)
{
    EXPECT_EQ(base.one[0], 1.0);
    EXPECT_EQ(base.one[1], 1.0);
    EXPECT_EQ(base.octave, 12);

    const struct {
        const char *name;
        float value;
        uint32_t bits;
    } fields[] = {
        {"randscale", base.randscale, 0x30000000u}, {"clip", base.clip, 0x46fffe00u},
        {"basefreq", base.basefreq, 0x3b18ae03u},   {"revgain", base.revgain, 0x3f52e999u},
        {"revgrow", base.revgrow, 0x3f8001e8u},     {"inbandhi", base.inbandhi, 0x3e8a71e2u},
        {"inbandlo", base.inbandlo, 0x3c23d70au},   {"fbbandhi", base.fbbandhi, 0x3ea09032u},
        {"fbbandlo", base.fbbandlo, 0x3c23d70au},   {"revlevel", base.revlevel, 0x3c2737efu},
    };
    for (const auto &f : fields)
        EXPECT_EQ(bitsof(f.value), f.bits) << f.name;

    EXPECT_EQ(base.instptr, iparam);
    EXPECT_EQ(base.toneptr, itones);
    EXPECT_EQ(base.trackptr, trdata);
    EXPECT_EQ(base.lenptr, notelen);
    EXPECT_EQ(base.noteptr, notesamp);
    EXPECT_EQ(base.mixpos, nullptr);
    for (double s : base.filtstate)
        EXPECT_EQ(std::bit_cast<uint64_t>(s), 0u);
}

TEST(Storage, InstrumentRecordsHoldStoredBits)
{
    static_assert(sizeof(iparam) == 672);
    const struct {
        int inst;
        size_t offset;
        uint32_t bits;
    } fields[] = {
        {0, 0, 62},            // groups
        {3, 64, 196608},       // length
        {4, 12, 0},            // spread
        {0, 16, 0x3ec8da16u},  // decayvar 0.39228886
        {0, 68, 0xb8b28670u},  // release -8.512742e-05
        {0, 72, 0x3cce654cu},  // attack 0.025194786
        {0, 76, 0x44100000u},  // volume 576
        {1, 80, 0xbdce0000u},  // pan -0.10058594
        {2, 80, 0xbe1e0000u},  // pan -0.15429688
        {3, 80, 0x3e1e0000u},  // pan 0.15429688
        {4, 80, 0x3e560000u},  // pan 0.20898438
        {2, 52, 0x3c17eebfu},  // sweep1 0.00927323
        {2, 68, 0xc0000000u},  // release -2
        {5, 72, 0x40000000u},  // attack 2
    };
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(iparam);
    for (const auto &f : fields) {
        uint32_t v;
        std::memcpy(&v, bytes + 84 * f.inst + f.offset, 4);
        EXPECT_EQ(v, f.bits) << "instrument " << f.inst << " offset " << f.offset;
    }
    // Both pivots of every instrument move together.
    for (const instparam &p : iparam)
        EXPECT_EQ(bitsof(p.sweep1), bitsof(p.sweep2));
}

}  // namespace
