// songc: compiles the song's score into the event streams of synth/data.
//
//   songc [--check] [--hash] SCORE DATADIR
//
// Reads SCORE, prints each track's figures and writes DATADIR/notelen.inc
// and DATADIR/notesamp.inc. With --hash it also renders the song from the
// new streams and writes the hash of the finished PCM to DATADIR/song.hash.
// With --check it writes nothing and fails when a file differs from what it
// would write.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "score.h"
#include "songdata.h"

namespace {

bool readfile(const std::string &path, std::string &text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return !in.bad();
}

// Replaces the file through a temporary one beside it, so that a failed
// write leaves the old file as it was.
bool writefile(const std::string &path, const std::string &text)
{
    const std::string temp = path + ".new";
    std::FILE *f = std::fopen(temp.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (std::fclose(f) != 0 || !ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

// Writes or, when checking, compares one output file. Returns 0 when done
// or the same, 1 otherwise (with a message).
int output(const std::string &path, const std::string &text, bool check, const char *score)
{
    std::string old;
    const bool same = readfile(path, old) && old == text;
    if (check) {
        if (same)
            return 0;
        std::fprintf(stderr, "songc: %s is out of date with %s; run songc to regenerate it\n", path.c_str(), score);
        return 1;
    }
    if (!same && !writefile(path, text)) {
        std::fprintf(stderr, "songc: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}

void printfigures(const std::vector<score::track> &tracks, const score::streams &s)
{
    std::printf("%-12s inst track events notes  first   last    end long\n", "part");
    int32_t events = 0, notes = 0, longlengths = 0, longest = 0;
    for (const score::track &t : tracks) {
        const score::figures f = score::measure(t);
        std::printf("%-12s %4d %5d %6d %5d %6lld %6lld %6lld %4d\n", t.name.c_str(), t.instrument, t.index, f.events,
                    f.notes, static_cast<long long>(f.first), static_cast<long long>(f.last),
                    static_cast<long long>(f.end), f.longlengths);
        events += f.events;
        notes += f.notes;
        longlengths += f.longlengths;
        longest = f.longest > longest ? f.longest : longest;
    }
    std::printf("total: %d events, %d notes, notelen %zu bytes (%d two-byte lengths, longest %d ticks), "
                "notesamp %zu bytes\n",
                events, notes, s.lengths.size(), longlengths, longest, s.values.size());
}

}  // namespace

int main(int argc, char **argv)
{
    bool check = false, hash = false;
    const char *paths[2] = {nullptr, nullptr};
    int npaths = 0;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--check"))
            check = true;
        else if (!std::strcmp(argv[i], "--hash"))
            hash = true;
        else if (argv[i][0] != '-' && npaths < 2)
            paths[npaths++] = argv[i];
        else {
            npaths = -1;
            break;
        }
    }
    if (npaths != 2) {
        std::fputs("usage: songc [--check] [--hash] SCORE DATADIR\n", stderr);
        return 2;
    }
    const std::string dir = paths[1];

    std::string text;
    if (!readfile(paths[0], text)) {
        std::fprintf(stderr, "songc: cannot read %s\n", paths[0]);
        return 1;
    }
    const score::result r = score::compile(text, score::storedlayout());
    if (!r.error.empty()) {
        std::fprintf(stderr, "songc: %s:%s\n", paths[0], r.error.c_str());
        return 1;
    }
    const score::streams s = score::encode(r.tracks);
    if (!check)
        printfigures(r.tracks, s);

    int failed = output(dir + "/notelen.inc", score::lengthsource(r.tracks), check, paths[0]);
    failed |= output(dir + "/notesamp.inc", score::valuesource(r.tracks), check, paths[0]);
    if (hash) {
        score::rendersong(s);
        const std::string h = score::musbufhash();
        std::printf("MusBuf hash %s\n", h.c_str());
        failed |= output(dir + "/song.hash", h + "\n", check, paths[0]);
    }
    return failed;
}
