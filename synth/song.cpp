// The song streams: tone lists, track records, event lengths and values.
#include "params.h"

int8_t itones[] = {
#include "data/itones.inc"
};

int8_t trdata[] = {
#include "data/trdata.inc"
};

const uint8_t notelen[] = {
#include "data/notelen.inc"
};

const int8_t notesamp[] = {
#include "data/notesamp.inc"
};

const int32_t notelenbytes = sizeof(notelen);
const int32_t notesampbytes = sizeof(notesamp);

