// The stored song streams: the figures of every track, the stream totals and
// the limits the render relies on, and the score they are compiled from.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "score.h"
#include "songdata.h"
#include "synth.h"

namespace {

constexpr int64_t ticksamples = 1291;

// The stored streams read back into tracks, in stream order.
std::vector<score::track> storedtracks()
{
    const score::layout song = score::storedlayout();
    std::vector<score::track> tracks;
    const uint8_t *len = notelen;
    const int8_t *note = notesamp;
    for (size_t i = 0; i < song.tracks.size(); ++i)
        for (int32_t t = 1; t <= song.tracks[i]; ++t) {
            score::track tr{"", static_cast<int32_t>(i), t, {}};
            for (;;) {
                const int32_t ticks = eventlen(len);
                tr.events.push_back({ticks, *note++});
                if (ticks == 0)
                    break;
            }
            tracks.push_back(tr);
        }
    EXPECT_EQ(len - notelen, notelenbytes);
    EXPECT_EQ(note - notesamp, notesampbytes);
    return tracks;
}

TEST(SongStreams, EveryTrackHasItsFigures)
{
    struct row {
        int32_t instrument, track, events, notes;
        int64_t first, last, end;
    };
    const std::vector<row> want = {
        {0, 1, 211, 126, 32, 5368, 5369},   {1, 1, 281, 280, 776, 5240, 5240},
        {2, 1, 395, 197, 16, 5617, 5626},   {2, 2, 517, 258, 1160, 4329, 4340},
        {2, 3, 91, 45, 4112, 5480, 5483},   {3, 1, 77, 38, 512, 5656, 5744},
        {3, 2, 69, 34, 1536, 5632, 5756},   {3, 3, 132, 66, 1552, 5687, 5736},
        {4, 1, 15, 7, 2944, 2984, 2986},    {4, 2, 73, 36, 3328, 5560, 5616},
        {4, 3, 73, 36, 3328, 5560, 5616},   {5, 1, 310, 177, 0, 5632, 5640},
        {6, 1, 431, 215, 16, 5496, 5501},   {7, 1, 178, 89, 0, 5632, 5648},
    };
    const std::vector<score::track> tracks = storedtracks();
    ASSERT_EQ(tracks.size(), want.size());
    int32_t events = 0, notes = 0, longlengths = 0, longest = 0;
    for (size_t i = 0; i < want.size(); ++i) {
        const row &w = want[i];
        const score::figures f = score::measure(tracks[i]);
        SCOPED_TRACE("instrument " + std::to_string(w.instrument) + " track " + std::to_string(w.track));
        EXPECT_EQ(tracks[i].instrument, w.instrument);
        EXPECT_EQ(tracks[i].index, w.track);
        EXPECT_EQ(f.events, w.events);
        EXPECT_EQ(f.notes, w.notes);
        EXPECT_EQ(f.first, w.first);
        EXPECT_EQ(f.last, w.last);
        EXPECT_EQ(f.end, w.end);
        events += f.events;
        notes += f.notes;
        longlengths += f.longlengths;
        longest = std::max(longest, f.longest);
    }
    EXPECT_EQ(events, 2853);
    EXPECT_EQ(notes, 1604);
    EXPECT_EQ(notelenbytes, 2864);
    EXPECT_EQ(notesampbytes, 2853);
    EXPECT_EQ(longlengths, 11);
    EXPECT_LE(longest, 4112);
    EXPECT_EQ(notelen[notelenbytes - 1], 0);
    EXPECT_EQ(notesamp[notesampbytes - 1], 0);
}

TEST(SongStreams, TracksStartAndEndAsTheFormatShows)
{
    // The clap's first six events, byte for byte.
    const std::vector<uint8_t> lens(notelen, notelen + 6);
    const std::vector<int8_t> values(notesamp, notesamp + 6);
    EXPECT_EQ(lens, (std::vector<uint8_t>{0x20, 0x01, 0x3F, 0x18, 0x01, 0x27}));
    EXPECT_EQ(values, (std::vector<int8_t>{0, 2, 0, 2, 1, 0}));

    const std::vector<score::track> tracks = storedtracks();
    // The pulse: its first length takes the two bytes FC 08 (776 ticks), and
    // its track alone ends on a note.
    std::vector<uint8_t> pulse;
    score::encodelength(tracks[1].events[0].ticks, pulse);
    EXPECT_EQ(pulse, (std::vector<uint8_t>{0xFC, 0x08}));
    for (size_t i = 0; i < tracks.size(); ++i)
        EXPECT_EQ(tracks[i].events.back().value > 0, i == 1) << "track " << i;
    // The lead's two octaves carry the same events.
    EXPECT_EQ(tracks[9].events, tracks[10].events);
}

TEST(SongStreams, NotesKeepWithinTheirRecordsAndTheMix)
{
    const score::layout song = score::storedlayout();
    const std::vector<score::track> tracks = storedtracks();
    int64_t lastsample = 0;
    for (size_t i = 0; i < tracks.size(); ++i) {
        const int64_t length = iparam[tracks[i].instrument].length;
        int64_t tick = 0;
        for (const score::event &e : tracks[i].events) {
            EXPECT_LE(e.value, song.values[i]) << "track " << i << " at tick " << tick;
            if (e.value > 0)
                lastsample = std::max(lastsample, tick * ticksamples + length - 1);
            tick += e.ticks;
        }
    }
    EXPECT_LT(lastsample, mixframes);
    EXPECT_EQ(lastsample, 7538524);  // the last pad note, at tick 5687
}

TEST(SongStreams, ScoreCompilesToTheStoredStreams)
{
    std::ifstream in(SONG_SCORE);
    ASSERT_TRUE(in) << SONG_SCORE;
    std::ostringstream text;
    text << in.rdbuf();
    const score::result r = score::compile(text.str(), score::storedlayout());
    ASSERT_EQ(r.error, "");
    const score::streams s = score::encode(r.tracks);
    EXPECT_EQ(s.lengths, std::vector<uint8_t>(notelen, notelen + notelenbytes))
        << "notelen.inc is out of date with the score: run songc";
    EXPECT_EQ(s.values, std::vector<int8_t>(notesamp, notesamp + notesampbytes))
        << "notesamp.inc is out of date with the score: run songc";
}

}  // namespace
