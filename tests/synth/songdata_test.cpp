// The stored instrument table and song streams keep within the limits the
// render relies on, since it checks none of them.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "fixture.h"

namespace {

// The tone lists, read from a copy of the stored bytes.
struct tonelist {
    std::vector<int32_t> tones;
    int32_t tracks;
};

std::vector<tonelist> readtones()
{
    std::vector<tonelist> lists;
    int32_t at = 0;
    for (int32_t i = 0; i < instcount; ++i) {
        tonelist l;
        int32_t sum = 0;
        for (;;) {
            const int32_t byte = itones[at++];
            sum += byte;
            if (sum < 0) {
                l.tracks = byte + 129;
                break;
            }
            l.tones.push_back(sum);
        }
        lists.push_back(l);
    }
    EXPECT_EQ(at, itonesbytes);
    return lists;
}

TEST(Songdata, ToneListsAndTrackCounts)
{
    const std::vector<tonelist> lists = readtones();
    const std::vector<std::vector<int32_t>> tones = {
        {24, 48},
        {48},
        {12, 14, 19, 24, 26, 36, 38},
        {14, 19, 22, 23, 24, 26, 38},
        {50, 52, 53, 55, 57, 58, 62, 64, 65, 67, 69, 70, 76},
        {12},
        {24},
        {24},
    };
    const int32_t tracks[instcount] = {1, 1, 3, 3, 3, 1, 1, 1};
    for (int32_t i = 0; i < instcount; ++i) {
        EXPECT_EQ(lists[i].tones, tones[i]) << "instrument " << i;
        EXPECT_EQ(lists[i].tracks, tracks[i]) << "instrument " << i;
    }
}

TEST(Songdata, TrackRecordsAsStored)
{
    // Per track: the gate, then (tone index, velocity) of note values 1 to m.
    struct track {
        int32_t gate;
        std::vector<std::pair<int32_t, int32_t>> notes;
    };
    const std::vector<track> want = {
        {0, {{0, 1}, {1, 8}}},
        {7, {{0, 1}}},
        {0, {{0, 4}, {1, 4}, {2, 4}, {3, 4}}},
        {0, {{5, 2}, {6, 2}}},
        {0, {{1, 3}, {2, 3}, {3, 3}, {4, 3}}},
        {0, {{5, 16}, {5, 127}}},
        {0, {{0, 48}, {0, 127}, {1, 112}, {2, 127}, {3, 127}, {4, 127}, {5, 127}}},
        {0, {{6, 3}, {6, 32}, {6, 85}, {6, 127}}},
        {0, {{7, 101}, {9, 101}, {10, 101}, {12, 101}}},
        {0, {{0, 127}, {1, 127}, {2, 127}, {3, 127}, {4, 127}, {5, 127}}},
        {0, {{6, 127}, {7, 127}, {8, 127}, {9, 127}, {10, 127}, {11, 127}}},
        {0, {{0, 3}, {0, 8}}},
        {0, {{0, 1}}},
        {0, {{0, 1}}},
    };
    const std::vector<int8_t> records(trdata, trdata + trdatabytes);
    size_t at = 0;
    for (size_t t = 0; t < want.size(); ++t) {
        track got{static_cast<uint8_t>(records[at]), {}};
        int32_t sum = 0;
        size_t pair = at + 1;
        for (;;) {
            sum += records[pair];
            if (sum < 0 && pair > at + 1)
                break;
            got.notes.push_back({sum, static_cast<uint8_t>(records[pair + 1])});
            pair += 2;
        }
        EXPECT_EQ(records[pair], -128) << "track " << t;
        EXPECT_EQ(got.gate, want[t].gate) << "track " << t;
        EXPECT_EQ(got.notes, want[t].notes) << "track " << t;
        at = pair + 1;
    }
    EXPECT_EQ(at, static_cast<size_t>(trdatabytes));
}

TEST(Songdata, InstrumentsFitTheStorage)
{
    const std::vector<tonelist> lists = readtones();
    int32_t mostpartials = 0, mostframes = 0, highestword = 0;
    for (int32_t i = 0; i < instcount; ++i) {
        const instparam &p = iparam[i];
        EXPECT_GE(p.groups, 1);
        EXPECT_GE(p.partials, 1);
        EXPECT_GE(p.length, 1);
        EXPECT_GE(p.spread, 0);
        EXPECT_GE(p.harmonic, 0.0f);
        EXPECT_LE(p.harmonic, 1.0f);
        EXPECT_GE(p.decay, 0.0f) << "instrument " << i;
        EXPECT_GE(p.decay + p.decayvar, 0.0f) << "instrument " << i;
        const int32_t partials = p.groups * p.partials;
        const int32_t frames = static_cast<int32_t>(lists[i].tones.size()) * p.length;
        const int32_t word = 256 * (p.groups - 1) + p.randofs + 2 * p.partials + 1;
        EXPECT_LE(partials, freqcap) << "instrument " << i;
        EXPECT_LE(frames, sampframes) << "instrument " << i;
        EXPECT_LT(word, randfilled) << "instrument " << i;
        mostpartials = std::max(mostpartials, partials);
        mostframes = std::max(mostframes, frames);
        highestword = std::max(highestword, word);
    }
    EXPECT_EQ(mostpartials, 2728);
    EXPECT_EQ(mostframes, 1703936);
    EXPECT_EQ(highestword, 16691);
}

TEST(Songdata, TracksKeepWithinTheirRecordsAndTheMix)
{
    const std::vector<tonelist> lists = readtones();
    const std::vector<int8_t> records(trdata, trdata + trdatabytes);
    int32_t rec = 0, len = 0, note = 0;
    for (int32_t i = 0; i < instcount; ++i) {
        const int32_t tones = static_cast<int32_t>(lists[i].tones.size());
        for (int32_t t = 0; t < lists[i].tracks; ++t) {
            // The track record: its pairs and running tone indexes.
            std::vector<int32_t> index;
            int32_t sum = records[rec + 1];
            index.push_back(sum);
            int32_t at = rec + 1;
            for (;;) {
                at += 2;
                sum += records[at];
                if (sum < 0)
                    break;
                index.push_back(sum);
            }
            for (int32_t x : index) {
                EXPECT_GE(x, 0) << "instrument " << i << " track " << t;
                EXPECT_LT(x, tones) << "instrument " << i << " track " << t;
            }
            rec = at + 1;

            // The events: values within the record, notes ending in mixbuf.
            int64_t time = 0;
            for (;;) {
                ASSERT_LT(len, notelenbytes);
                ASSERT_LT(note, notesampbytes);
                const uint8_t *p = notelen + len;
                const int32_t ticks = eventlen(p);
                len = static_cast<int32_t>(p - notelen);
                const int32_t value = notesamp[note++];
                EXPECT_LE(value, static_cast<int32_t>(index.size()));
                if (value >= 1) {
                    EXPECT_LE(time + iparam[i].length, mixframes) << "instrument " << i;
                }
                time += int64_t{ticks} * 1291;
                if (ticks == 0)
                    break;
            }
        }
    }
    EXPECT_EQ(rec, trdatabytes);
    EXPECT_EQ(len, notelenbytes);
    EXPECT_EQ(note, notesampbytes);
    EXPECT_EQ(notelen[notelenbytes - 1], 0);
    EXPECT_EQ(notesamp[notesampbytes - 1], 0);
}

}  // namespace
