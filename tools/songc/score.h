// score.h - the song's score: a small text format of patterns and parts, and
// its translation into the event streams notelen and notesamp.
//
// A score is a list of lines; `#` starts a comment. Keywords:
//
//   section NAME TICK       names a point in the song, for `at`
//   part NAME INST TRACK    starts the events of one track (in stream order);
//   part NAME INST TRACK same OTHER
//                           a track that repeats the events of part OTHER
//   grid TICKS              ticks per step of the patterns defined after it
//   short TICKS             how long a note lasts that no `-` holds (at most
//                           one step; the rest of its step is silence)
//   pattern NAME STEPS...   a pattern of this part, one character per step
//   play NAME[*COUNT] ...   appends patterns
//   rest TICKS              appends silence
//   note VALUE TICKS        appends one note of that many ticks
//   at TICK|SECTION         fails unless the part has reached exactly there
//   end [VALUE]             ends the track: a final event of length 0, which
//                           sounds note VALUE when given
//
// Steps: `1`..`9` start a note with that value (the track record maps it to a
// tone and a velocity), `-` holds the note or silence before it for one more
// step, `.` is a step of silence. `|` and blanks only guide the eye.
// Silence that follows silence is one event however it was written.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace score {

// One event of a track: its length in ticks and its value (1.. a note of the
// track record, 0 silence). A length of 0 ends the track.
struct event {
    int32_t ticks;
    int32_t value;
    bool operator==(const event &) const = default;
};

struct track {
    std::string name;
    int32_t instrument;
    int32_t index;  // track of the instrument, from 1
    std::vector<event> events;
};

// The shape of the stored song that a score must fill: per instrument the
// number of tracks, per track the number of note values of its record, and
// per instrument the samples of each note.
struct layout {
    std::vector<int32_t> tracks;       // per instrument
    std::vector<int32_t> values;       // per track, in stream order
    std::vector<int32_t> notelength;   // per instrument, samples
    int64_t mixframes;                 // notes must end inside this many frames
};

// The result of reading a score: the tracks in stream order, or the first
// error as "LINE: message" (LINE 0 for the score as a whole).
struct result {
    std::vector<track> tracks;
    std::string error;
};

result compile(const std::string &text, const layout &song);

// Appends the stream bytes of one event length (one byte up to 127 ticks,
// else the complement of the high part, then the low part; at most 32,767).
void encodelength(int32_t ticks, std::vector<uint8_t> &out);

// The two event streams of the tracks, back to back.
struct streams {
    std::vector<uint8_t> lengths;
    std::vector<int8_t> values;
};
streams encode(const std::vector<track> &tracks);

// Source text for synth/data: a comment header, then one line of bytes per
// track (each led by a comment naming the track).
std::string lengthsource(const std::vector<track> &tracks);
std::string valuesource(const std::vector<track> &tracks);

// Per-track figures, as the score compiler prints them.
struct figures {
    int32_t events = 0, notes = 0;
    int64_t first = -1, last = -1;  // ticks of the first and last note; -1 if none
    int64_t end = 0;                // tick of the end event
    int32_t longlengths = 0;        // event lengths that take two bytes
    int32_t longest = 0;            // longest event, ticks
};
figures measure(const track &t);

}  // namespace score
