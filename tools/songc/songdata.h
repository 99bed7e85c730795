// songdata.h - what the score compiler needs of the stored song: the shape
// of its tone lists and track records, and a hash of a finished render.
#pragma once
#include <cstdint>
#include <string>

#include "score.h"

namespace score {

// The tracks per instrument and the note values per track record of the
// stored streams, with each instrument's note length and the room of mixbuf.
layout storedlayout();

// 64-bit FNV-1a hash of the played part of MusBuf, as 16 hex digits.
std::string musbufhash();

// Renders the given event streams with the stored instruments, tone lists
// and track records into MusBuf (once per process: the render needs the
// storage areas as the program starts).
void rendersong(const streams &s);

}  // namespace score
