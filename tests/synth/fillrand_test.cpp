// The random table. main() has run fillrand() once before the tests.
#include <gtest/gtest.h>

#include "fixture.h"

namespace {

TEST(Fillrand, WordsOfTheTable)
{
    const struct {
        int32_t index;
        uint32_t value;
    } words[] = {
        {0, 0xcaadaa7bu}, {1, 0xe2cd9222u}, {2, 0xdeec1e6eu}, {3, 0xfff549dcu}, {262143, 0xb08a4ba7u},
    };
    for (const auto &w : words)
        EXPECT_EQ(randdata[w.index], w.value) << "word " << w.index;
}

TEST(Fillrand, LeavesFinalStateWithLastWordUnchanged)
{
    EXPECT_EQ(guid[0], 0x2c1a911bu);
    EXPECT_EQ(guid[1], 0xdefb91a3u);
    EXPECT_EQ(guid[2], 0x426b4b1fu);
    EXPECT_EQ(guid[3], 0x9c4fd335u);
}

TEST(Fillrand, WordsPastTheFilledPartStayZero)
{
    for (int32_t i = randfilled; i < randwords; ++i)
        ASSERT_EQ(randdata[i], 0u) << "word " << i;
}

TEST(Fillrand, WordWithLowBitsZeroIsNotRotated)
{
    // s0 has low five bits 0: it is only added to. s1 rotates by 1, s2 is 0.
    uint32_t state[4] = {0x80000020u, 0x00000001u, 0x00000000u, 0x00000007u};
    uint32_t word = 0x000000ffu;
    fillrand(state, &word, 1);
    EXPECT_EQ(state[0], 0x80000021u);
    EXPECT_EQ(state[1], 0x80000000u);
    EXPECT_EQ(state[2], 0x00000007u);
    EXPECT_EQ(state[3], 0x00000007u);
    // The word is XORed with s0 ^ s1 ^ s2 = 0x26.
    EXPECT_EQ(word, 0x000000ffu ^ 0x26u);
}

}  // namespace
