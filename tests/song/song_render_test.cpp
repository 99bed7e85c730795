// The whole song, rendered once for all the tests here: it is the render
// that songc hashed, it never falls silent for a bar, and its levels are
// sane.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "songdata.h"
#include "synth.h"

namespace {

constexpr int32_t tickframes = 1291;
constexpr int32_t barticks = 128;

// Peak magnitude of each tick of MusBuf, both channels.
std::vector<int32_t> tickpeaks()
{
    std::vector<int32_t> peaks(musframes / tickframes + 1, 0);
    for (int32_t i = 0; i < mussamples; ++i) {
        int32_t &p = peaks[i / 2 / tickframes];
        p = std::max(p, std::abs(int32_t{MusBuf[i]}));
    }
    return peaks;
}

double barrms(int32_t bar)
{
    const int64_t from = int64_t{bar} * barticks * tickframes * 2;
    const int64_t to = std::min<int64_t>(from + int64_t{barticks} * tickframes * 2, mussamples);
    double sum = 0;
    for (int64_t i = from; i < to; ++i)
        sum += static_cast<double>(MusBuf[i]) * MusBuf[i];
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

TEST(SongRender, IsTheRenderThatTheScoreCompilerHashed)
{
    std::ifstream in(SONG_HASH);
    std::string stored;
    ASSERT_TRUE(in >> stored) << SONG_HASH;
    EXPECT_EQ(score::musbufhash(), stored) << "run songc --hash after changing the song or the render";
}

TEST(SongRender, NoWholeBarIsSilentBeforeTheEnd)
{
    // Quiet: no sample of the tick reaches -60 dBFS.
    const std::vector<int32_t> peaks = tickpeaks();
    int32_t run = 0, longest = 0, where = 0;
    for (int32_t t = 0; t < 5700; ++t) {
        run = peaks[t] < 33 ? run + 1 : 0;
        if (run > longest) {
            longest = run;
            where = t - run + 1;
        }
    }
    // A silent stretch of a whole bar holds at least 127 whole ticks.
    EXPECT_LT(longest, barticks - 1) << "quiet from tick " << where;
}

TEST(SongRender, PeaksNearFullScaleAndFadesOut)
{
    int32_t peak = 0;
    int64_t clipped = 0;
    for (int32_t i = 0; i < mussamples; ++i) {
        const int32_t v = std::abs(int32_t{MusBuf[i]});
        peak = std::max(peak, v);
        clipped += v == 32767;
    }
    EXPECT_GE(peak, 23197) << "the loudest passage stays under -3 dBFS";
    EXPECT_LE(clipped, 100) << "samples at the clip";

    double loudest = 0;
    for (int32_t b = 0; b < 45; ++b)
        loudest = std::max(loudest, barrms(b));
    // After the last notes (tick 5760 on) only the pads' release and the
    // reverb remain: at least 20 dB under the loudest bar.
    EXPECT_LT(barrms(45), loudest / 10);
}

}  // namespace

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    fillrand();
    synth();
    return RUN_ALL_TESTS();
}
