// The score compiler: how steps, holds, short notes and silence become
// events, what it refuses and where, and the two-byte event lengths.
#include <gtest/gtest.h>

#include <vector>

#include "score.h"
#include "synth.h"

namespace {

using score::event;

// One instrument with two tracks whose records hold 2 and 3 note values;
// notes of 1000 samples in a mix of 200 ticks.
score::layout smallsong()
{
    return {{2}, {2, 3}, {1000}, 200 * 1291};
}

TEST(Score, StepsBecomeEvents)
{
    struct testcase {
        const char *name;
        const char *text;
        std::vector<event> first;  // the events of the first track
    };
    const std::vector<testcase> cases = {
        {"silence joins across patterns and rests",
         "part a 0 1\ngrid 4\npattern x 1-..\npattern y ..2.\nplay x y\nrest 3\nend\n",
         {{8, 1}, {16, 0}, {4, 2}, {7, 0}, {0, 0}}},
        {"unheld notes are short, held ones fill their steps",
         "part a 0 1\ngrid 8\nshort 1\npattern p 2--1\nplay p*2\nend 1\n",
         {{24, 2}, {1, 1}, {7, 0}, {24, 2}, {1, 1}, {7, 0}, {0, 1}}},
        {"a hold carries across patterns; bar lines and blanks are ignored",
         "part a 0 1\ngrid 2\npattern x ..|1\npattern y -- .\nplay x y\nend\n",
         {{4, 0}, {6, 1}, {2, 0}, {0, 0}}},
        {"notes given in ticks; sections for at",
         "section s 12\npart a 0 1\nnote 2 5\nrest 7\nat s\nnote 1 1\nend\n",
         {{5, 2}, {7, 0}, {1, 1}, {0, 0}}},
        {"a grid keeps to the patterns defined after it",
         "part a 0 1\ngrid 4\npattern x 1\ngrid 1\npattern y 2\nplay x y x\nend\n",
         {{4, 1}, {1, 2}, {4, 1}, {0, 0}}},
    };
    for (const testcase &c : cases) {
        const std::string text = std::string(c.text) + "part b 0 2 same a\n";
        const score::result r = score::compile(text, smallsong());
        ASSERT_EQ(r.error, "") << c.name;
        ASSERT_EQ(r.tracks.size(), 2u) << c.name;
        EXPECT_EQ(r.tracks[0].events, c.first) << c.name;
        EXPECT_EQ(r.tracks[1].events, c.first) << c.name << ": the repeated part";
    }
}

TEST(Score, RefusesWhatTheSongCannotHold)
{
    struct testcase {
        const char *text;
        const char *error;
    };
    const std::vector<testcase> cases = {
        {"part a 0 1\npattern x 3\nplay x\n", "3: note value 3 but the track record of part a has 2"},
        {"part b 0 2\n", "1: part b is instrument 0 track 2, but the next track is instrument 0 track 1"},
        {"part a 0 1\nrest 4\npart b 0 2\n", "3: part a has no 'end'"},
        {"part a 0 1\nrest 4\nat 5\n", "3: part a is at tick 4, not at 5 (5)"},
        {"part a 0 1\npattern x -1\nplay x\n", "3: '-' holds nothing: no note or silence before it in part a"},
        {"part a 0 1\nrest 32767\nrest 1\nend\n",
         "4: part a: silence of 32768 ticks at tick 0 is longer than an event can be (32767)"},
        {"part a 0 1\nrest 200\nnote 1 1\nend\n", "4: part a: the note at tick 200 ends past the end of the mix"},
        {"part a 0 1\nend\n", "0: the score has 1 parts, the song 2 tracks"},
        {"part a 0 1\nend\nrest 1\n", "3: 'rest' after the end of part a"},
        {"part a 0 1\npattern x 1x\nplay x\n", "3: unknown step 'x'"},
        {"part a 0 1\nplay y\n", "2: part a has no pattern y"},
        {"part a 0 1\ngrid 4\nshort 5\npattern x 1\n", "4: short 5 is longer than the grid step 4"},
        {"part a 0 1\nend\npart b 0 2 same c\n", "3: part b repeats c, which comes before it nowhere"},
        {"rest 4\n", "1: 'rest' before the first part"},
    };
    for (const testcase &c : cases) {
        const score::result r = score::compile(c.text, smallsong());
        EXPECT_EQ(r.error, c.error) << c.text;
        EXPECT_TRUE(r.tracks.empty()) << c.text;
    }
}

TEST(Score, LengthsRoundTripThroughTheRendersReader)
{
    struct testcase {
        int32_t ticks;
        std::vector<uint8_t> bytes;
    };
    const std::vector<testcase> cases = {
        {0, {0x00}},          {1, {0x01}},          {127, {0x7F}},         {128, {0xFF, 0x80}},
        {255, {0xFF, 0xFF}},  {256, {0xFE, 0x00}},  {776, {0xFC, 0x08}},  {4112, {0xEF, 0x10}},
        {32767, {0x80, 0xFF}},
    };
    for (const testcase &c : cases) {
        std::vector<uint8_t> bytes;
        score::encodelength(c.ticks, bytes);
        EXPECT_EQ(bytes, c.bytes) << c.ticks;
        const uint8_t *p = bytes.data();
        EXPECT_EQ(eventlen(p), c.ticks);
        EXPECT_EQ(p, bytes.data() + bytes.size()) << c.ticks;
    }
}

}  // namespace
