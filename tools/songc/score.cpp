// The score compiler: reads the score's lines, expands the patterns of each
// part into events, and writes the event streams.
#include "score.h"

#include <cstdio>
#include <map>
#include <sstream>

namespace score {

namespace {

constexpr int32_t longestlength = 32767;  // what two length bytes can hold
constexpr int32_t ticksamples = 1291;

struct pattern {
    std::string steps;
    int32_t grid;
    int32_t shortticks;
};

// The event being written: a note or silence that later steps may extend.
struct openevent {
    bool open = false;
    int32_t value = 0;
    int32_t ticks = 0;
    bool held = false;       // a `-` followed the note
    int32_t grid = 0;        // of the step that started it
    int32_t shortticks = 0;  // note length when not held
};

struct partstate {
    track out;
    std::vector<event> raw;
    int64_t position = 0;  // ticks written, the open event included
    openevent cur;
    int32_t grid = 4;
    int32_t shortticks = 0;  // 0: a whole step
    std::map<std::string, pattern> patterns;
    bool ended = false;
    bool copied = false;
    int32_t values = 0;  // note values of the track record
};

struct failure {
    std::string message;
};

[[noreturn]] void fail(const std::string &message)
{
    throw failure{message};
}

bool number(const std::string &text, int64_t &value)
{
    if (text.empty() || text.size() > 9)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

int32_t ticksarg(const std::string &text, const char *what, int32_t least)
{
    int64_t v;
    if (!number(text, v) || v < least || v > longestlength)
        fail(std::string(what) + " takes a whole number of ticks from " + std::to_string(least) +
             " to " + std::to_string(longestlength) + ", not '" + text + "'");
    return static_cast<int32_t>(v);
}

void close(partstate &p)
{
    openevent &c = p.cur;
    if (!c.open)
        return;
    if (c.value > 0 && !c.held && c.shortticks < c.ticks) {
        p.raw.push_back({c.shortticks, c.value});
        p.raw.push_back({c.ticks - c.shortticks, 0});
    } else {
        p.raw.push_back({c.ticks, c.value});
    }
    c = openevent{};
}

void start(partstate &p, int32_t value, const pattern &pat)
{
    close(p);
    p.cur.open = true;
    p.cur.value = value;
    p.cur.ticks = pat.grid;
    p.cur.grid = pat.grid;
    p.cur.shortticks = pat.shortticks;
    p.position += pat.grid;
}

void steps(partstate &p, const pattern &pat)
{
    for (char c : pat.steps) {
        if (c == '|' || c == ' ')
            continue;
        if (c >= '1' && c <= '9') {
            const int32_t value = c - '0';
            if (value > p.values)
                fail("note value " + std::to_string(value) + " but the track record of part " +
                     p.out.name + " has " + std::to_string(p.values));
            start(p, value, pat);
        } else if (c == '-') {
            if (!p.cur.open)
                fail("'-' holds nothing: no note or silence before it in part " + p.out.name);
            p.cur.ticks += pat.grid;
            p.cur.held = p.cur.value > 0;
            p.position += pat.grid;
        } else if (c == '.') {
            if (p.cur.open && p.cur.value == 0) {
                p.cur.ticks += pat.grid;
                p.position += pat.grid;
            } else {
                start(p, 0, pat);
            }
        } else {
            fail(std::string("unknown step '") + c + "'");
        }
    }
}

// Joins silence that follows silence and checks what the stream format and
// the mix can hold.
std::vector<event> finish(const partstate &p, const layout &song)
{
    std::vector<event> events;
    for (const event &e : p.raw) {
        if (e.value == 0 && e.ticks > 0 && !events.empty() && events.back().value == 0 &&
            events.back().ticks > 0)
            events.back().ticks += e.ticks;
        else
            events.push_back(e);
    }
    int64_t tick = 0;
    const int64_t length = song.notelength[p.out.instrument];
    for (const event &e : events) {
        if (e.ticks > longestlength)
            fail("part " + p.out.name + ": silence of " + std::to_string(e.ticks) + " ticks at tick " +
                 std::to_string(tick) + " is longer than an event can be (" +
                 std::to_string(longestlength) + ")");
        if (e.value > 0 && tick * ticksamples + length > song.mixframes)
            fail("part " + p.out.name + ": the note at tick " + std::to_string(tick) +
                 " ends past the end of the mix");
        tick += e.ticks;
    }
    return events;
}

std::vector<std::string> tokens(const std::string &line)
{
    std::vector<std::string> out;
    std::istringstream in(line.substr(0, line.find('#')));
    std::string t;
    while (in >> t)
        out.push_back(t);
    return out;
}

struct compiler {
    const layout &song;
    std::vector<partstate> parts;
    std::map<std::string, int64_t> sections;
    std::vector<std::pair<int32_t, int32_t>> order;  // (instrument, track) of each stream track

    explicit compiler(const layout &s) : song(s)
    {
        for (size_t i = 0; i < s.tracks.size(); ++i)
            for (int32_t t = 1; t <= s.tracks[i]; ++t)
                order.push_back({static_cast<int32_t>(i), t});
        if (order.size() != s.values.size())
            fail("the layout names " + std::to_string(order.size()) + " tracks but " +
                 std::to_string(s.values.size()) + " track records");
    }

    partstate &current(const std::string &keyword)
    {
        if (parts.empty())
            fail("'" + keyword + "' before the first part");
        partstate &p = parts.back();
        if (p.ended)
            fail("'" + keyword + "' after the end of part " + p.out.name);
        return p;
    }

    void endpart()
    {
        if (!parts.empty() && !parts.back().ended)
            fail("part " + parts.back().out.name + " has no 'end'");
    }

    void line(const std::vector<std::string> &w)
    {
        const std::string &k = w[0];
        const size_t n = w.size();
        if (k == "section") {
            if (n != 3)
                fail("section takes a name and a tick");
            if (sections.count(w[1]))
                fail("section " + w[1] + " is named twice");
            int64_t v;
            if (!number(w[2], v))
                fail("section " + w[1] + ": '" + w[2] + "' is not a tick");
            sections[w[1]] = v;
        } else if (k == "part") {
            partline(w);
        } else if (k == "grid" || k == "short") {
            partstate &p = current(k);
            if (n != 2)
                fail(k + " takes a number of ticks");
            const int32_t v = ticksarg(w[1], k.c_str(), 1);
            if (k == "grid") {
                p.grid = v;
                p.shortticks = 0;
            } else {
                p.shortticks = v;
            }
        } else if (k == "pattern") {
            partstate &p = current(k);
            if (n < 3)
                fail("pattern takes a name and its steps");
            if (p.patterns.count(w[1]))
                fail("pattern " + w[1] + " is defined twice in part " + p.out.name);
            if (p.shortticks > p.grid)
                fail("short " + std::to_string(p.shortticks) + " is longer than the grid step " +
                     std::to_string(p.grid));
            pattern pat{"", p.grid, p.shortticks ? p.shortticks : p.grid};
            for (size_t i = 2; i < n; ++i)
                pat.steps += w[i];
            p.patterns[w[1]] = pat;
        } else if (k == "play") {
            partstate &p = current(k);
            if (p.copied)
                fail("part " + p.out.name + " repeats another part and takes no events");
            if (n < 2)
                fail("play takes pattern names");
            for (size_t i = 1; i < n; ++i)
                play(p, w[i]);
        } else if (k == "rest") {
            partstate &p = current(k);
            if (p.copied)
                fail("part " + p.out.name + " repeats another part and takes no events");
            if (n != 2)
                fail("rest takes a number of ticks");
            close(p);
            const int32_t v = ticksarg(w[1], "rest", 1);
            p.raw.push_back({v, 0});
            p.position += v;
        } else if (k == "note") {
            partstate &p = current(k);
            if (p.copied)
                fail("part " + p.out.name + " repeats another part and takes no events");
            int64_t value;
            if (n != 3 || !number(w[1], value) || value < 1 || value > p.values)
                fail("note takes a note value of part " + p.out.name + " and a number of ticks");
            close(p);
            const int32_t v = ticksarg(w[2], "note", 1);
            p.raw.push_back({v, static_cast<int32_t>(value)});
            p.position += v;
        } else if (k == "at") {
            partstate &p = current(k);
            if (n != 2)
                fail("at takes a tick or a section name");
            int64_t want;
            if (!number(w[1], want)) {
                auto s = sections.find(w[1]);
                if (s == sections.end())
                    fail("no section named " + w[1]);
                want = s->second;
            }
            if (p.position != want)
                fail("part " + p.out.name + " is at tick " + std::to_string(p.position) + ", not at " +
                     w[1] + " (" + std::to_string(want) + ")");
        } else if (k == "end") {
            partstate &p = current(k);
            if (n > 2)
                fail("end takes at most a note value");
            int64_t value = 0;
            if (n == 2 && (!number(w[1], value) || value < 1 || value > p.values))
                fail("end: '" + w[1] + "' is not a note value of part " + p.out.name);
            close(p);
            p.raw.push_back({0, static_cast<int32_t>(value)});
            p.ended = true;
        } else {
            fail("unknown keyword '" + k + "'");
        }
    }

    void partline(const std::vector<std::string> &w)
    {
        if (w.size() != 4 && !(w.size() == 6 && w[4] == "same"))
            fail("part takes a name, an instrument and a track, and may end with 'same PART'");
        endpart();
        for (const partstate &q : parts)
            if (q.out.name == w[1])
                fail("part " + w[1] + " is named twice");
        int64_t inst, index;
        if (!number(w[2], inst) || !number(w[3], index))
            fail("part " + w[1] + ": instrument and track are whole numbers");
        const size_t at = parts.size();
        if (at >= order.size())
            fail("part " + w[1] + ": the song has only " + std::to_string(order.size()) + " tracks");
        if (order[at] != std::pair<int32_t, int32_t>{static_cast<int32_t>(inst), static_cast<int32_t>(index)})
            fail("part " + w[1] + " is instrument " + w[2] + " track " + w[3] + ", but the next track is instrument " +
                 std::to_string(order[at].first) + " track " + std::to_string(order[at].second));
        partstate p;
        p.out = {w[1], static_cast<int32_t>(inst), static_cast<int32_t>(index), {}};
        p.values = song.values[at];
        if (w.size() == 6) {
            const partstate *src = nullptr;
            for (const partstate &q : parts)
                if (q.out.name == w[5])
                    src = &q;
            if (!src)
                fail("part " + w[1] + " repeats " + w[5] + ", which comes before it nowhere");
            for (const event &e : src->out.events)
                if (e.value > p.values)
                    fail("part " + w[1] + " repeats " + w[5] + ", whose note value " + std::to_string(e.value) +
                         " its track record lacks");
            p.raw = src->out.events;
            p.ended = true;
            p.copied = true;
        }
        parts.push_back(std::move(p));
    }

    void play(partstate &p, const std::string &word)
    {
        std::string name = word;
        int64_t count = 1;
        const size_t star = word.find('*');
        if (star != std::string::npos) {
            name = word.substr(0, star);
            if (!number(word.substr(star + 1), count) || count < 1)
                fail("'" + word + "': the count after '*' is a whole number from 1");
        }
        auto it = p.patterns.find(name);
        if (it == p.patterns.end())
            fail("part " + p.out.name + " has no pattern " + name);
        for (int64_t i = 0; i < count; ++i)
            steps(p, it->second);
    }
};

}  // namespace

result compile(const std::string &text, const layout &song)
{
    result r;
    int32_t lineno = 0;
    try {
        compiler c(song);
        std::istringstream in(text);
        std::string line;
        while (std::getline(in, line)) {
            ++lineno;
            const std::vector<std::string> w = tokens(line);
            if (w.empty())
                continue;
            c.line(w);
            if (c.parts.empty())
                continue;
            partstate &p = c.parts.back();
            if (w[0] == "end" || (w[0] == "part" && p.copied))
                p.out.events = finish(p, song);
        }
        lineno = 0;
        c.endpart();
        if (c.parts.size() != c.order.size())
            fail("the score has " + std::to_string(c.parts.size()) + " parts, the song " +
                 std::to_string(c.order.size()) + " tracks");
        for (partstate &p : c.parts)
            r.tracks.push_back(std::move(p.out));
    } catch (const failure &f) {
        r.tracks.clear();
        r.error = std::to_string(lineno) + ": " + f.message;
    }
    return r;
}

void encodelength(int32_t ticks, std::vector<uint8_t> &out)
{
    if (ticks < 0x80) {
        out.push_back(static_cast<uint8_t>(ticks));
        return;
    }
    out.push_back(static_cast<uint8_t>(~(ticks >> 8)));
    out.push_back(static_cast<uint8_t>(ticks & 0xff));
}

streams encode(const std::vector<track> &tracks)
{
    streams s;
    for (const track &t : tracks)
        for (const event &e : t.events) {
            encodelength(e.ticks, s.lengths);
            s.values.push_back(static_cast<int8_t>(e.value));
        }
    return s;
}

figures measure(const track &t)
{
    figures f;
    int64_t tick = 0;
    for (const event &e : t.events) {
        ++f.events;
        if (e.value > 0) {
            ++f.notes;
            if (f.first < 0)
                f.first = tick;
            f.last = tick;
        }
        f.longlengths += e.ticks >= 0x80;
        f.longest = e.ticks > f.longest ? e.ticks : f.longest;
        tick += e.ticks;
    }
    f.end = tick;
    return f;
}

namespace {

const char generated[] =
    "// Generated by songc from synth/score/song.score: edit the score and run\n"
    "// songc again (see tools/songc), never this file.\n";

std::string trackcomment(const track &t)
{
    const figures f = measure(t);
    char line[160];
    std::snprintf(line, sizeof line, "// %s: instrument %d track %d, %d events, %d notes, ends at tick %lld\n",
                  t.name.c_str(), t.instrument, t.index, f.events, f.notes, static_cast<long long>(f.end));
    return line;
}

template <typename Byte, typename Format>
std::string source(const std::vector<track> &tracks, const char *what, Format format)
{
    std::string s = generated;
    s += what;
    for (const track &t : tracks) {
        s += trackcomment(t);
        std::vector<Byte> bytes;
        for (const event &e : t.events)
            format(e, bytes);
        for (size_t i = 0; i < bytes.size(); ++i) {
            char item[8];
            if constexpr (sizeof(Byte) == 1 && static_cast<Byte>(-1) > 0)
                std::snprintf(item, sizeof item, "0x%02X,", static_cast<unsigned>(bytes[i]));
            else
                std::snprintf(item, sizeof item, "%d,", static_cast<int>(bytes[i]));
            s += item;
            s += (i % 16 == 15 || i + 1 == bytes.size()) ? "\n" : " ";
        }
    }
    return s;
}

}  // namespace

std::string lengthsource(const std::vector<track> &tracks)
{
    return source<uint8_t>(tracks, "// Event lengths in ticks: 0..127 in one byte, longer ones as ~high, low.\n",
                           [](const event &e, std::vector<uint8_t> &out) { encodelength(e.ticks, out); });
}

std::string valuesource(const std::vector<track> &tracks)
{
    return source<int8_t>(tracks, "// Event values: 1..m place a note of the track record, 0 is silence.\n",
                          [](const event &e, std::vector<int8_t> &out) {
                              out.push_back(static_cast<int8_t>(e.value));
                          });
}

}  // namespace score
