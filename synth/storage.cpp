#include "storage.h"

alignas(16) int16_t MusBuf[2 * muscapacity];

alignas(16) uint32_t randdata[randwords];
alignas(16) partial freqarr[freqcap];
alignas(16) double sampbuf[2 * sampframes];
alignas(16) double mixbuf[2 * mixframes];
alignas(16) double revbuf[2 * mixframes];
alignas(16) double delbuf[delcap];

// The seed, as the bytes f2 aa 15 6f 08 d2 89 4e 9a b4 48 95 35 d3 4f 9c read
// as four little-endian words.
alignas(16) uint32_t guid[4] = {0x6f15aaf2u, 0x4e89d208u, 0x9548b49au, 0x9c4fd335u};

static_assert(sizeof(randdata) == 1261568);
static_assert(sizeof(freqarr) == 577536);
static_assert(sizeof(sampbuf) == 33976320);
static_assert(sizeof(mixbuf) == 147222528);
static_assert(sizeof(revbuf) == 147222528);
static_assert(sizeof(delbuf) == 249856);
static_assert(sizeof(MusBuf) == 36806656);
static_assert(sizeof(guid) == 16);
