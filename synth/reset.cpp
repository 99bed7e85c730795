// Putting the render's storage back to its state at program start, so that
// one process can render the song more than once (the benchmark and the
// tests render it both ways).
#include <cstring>

#include "synth.h"

namespace {

// The tone lists and track records as stored; the render rewrites its
// copies in place.
const int8_t itonesstored[] = {
#include "data/itones.inc"
};

const int8_t trdatastored[] = {
#include "data/trdata.inc"
};

static_assert(sizeof(itonesstored) == itonesbytes);
static_assert(sizeof(trdatastored) == trdatabytes);

}  // namespace

void synthreset()
{
    std::memset(mixbuf, 0, sizeof mixbuf);
    std::memset(revbuf, 0, sizeof revbuf);
    std::memset(sampbuf, 0, sizeof sampbuf);
    std::memset(freqarr, 0, sizeof freqarr);
    std::memset(delbuf, 0, sizeof delbuf);
    std::memset(MusBuf, 0, sizeof MusBuf);
    std::memcpy(itones, itonesstored, sizeof itonesstored);
    std::memcpy(trdata, trdatastored, sizeof trdatastored);
    base = makebase(iparam, itones, trdata, notelen, notesamp);
}
