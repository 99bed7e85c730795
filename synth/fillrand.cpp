// The random table: three chained add-rotate generators, XORed together.
#include <bit>

#include "synth.h"

void fillrand(uint32_t state[4], uint32_t *words, int32_t count)
{
    uint32_t s0 = state[0], s1 = state[1], s2 = state[2];
    const uint32_t s3 = state[3];
    for (int32_t i = 0; i < count; ++i) {
        // Each word is rotated right by its own low five bits, then the next
        // word's old value is added.
        s0 = std::rotr(s0, static_cast<int>(s0 & 31u)) + s1;
        uint32_t x = s0;
        s1 = std::rotr(s1, static_cast<int>(s1 & 31u)) + s2;
        x ^= s1;
        s2 = std::rotr(s2, static_cast<int>(s2 & 31u)) + s3;
        x ^= s2;
        words[i] ^= x;
    }
    state[0] = s0;
    state[1] = s1;
    state[2] = s2;
}

void fillrand()
{
    fillrand(guid, randdata, randfilled);
}
