#include "songdata.h"

#include <cinttypes>
#include <cstdio>
#include <vector>

#include "synth.h"

namespace score {

layout storedlayout()
{
    layout l;
    int32_t at = 0;
    for (int32_t i = 0; i < instcount; ++i) {
        int32_t sum = 0;
        for (;;) {
            const int32_t byte = itones[at++];
            sum += byte;
            if (sum < 0) {
                l.tracks.push_back(byte + 129);
                break;
            }
        }
        l.notelength.push_back(iparam[i].length);
    }
    // Each record: the gate, a first pair that is always taken, then pairs
    // up to the delta whose running sum is negative.
    int32_t rec = 0;
    while (rec < trdatabytes) {
        int8_t sum = trdata[rec + 1];
        int32_t pairs = 1;
        int32_t delta = rec + 1;
        for (;;) {
            delta += 2;
            sum = static_cast<int8_t>(sum + trdata[delta]);
            if (sum < 0)
                break;
            ++pairs;
        }
        l.values.push_back(pairs);
        rec = delta + 1;
    }
    l.mixframes = mixframes;
    return l;
}

std::string musbufhash()
{
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, bytehash(MusBuf, musbytes));
    return text;
}

void rendersong(const streams &s)
{
    // The render rewrites the tone lists and track records in place, so it
    // works on copies.
    std::vector<int8_t> tones(itones, itones + itonesbytes);
    std::vector<int8_t> tracks(trdata, trdata + trdatabytes);
    synthbase b = makebase(iparam, tones.data(), tracks.data(), s.lengths.data(), s.values.data());
    fillrand();
    synth(&b, musframes);
}

}  // namespace score
