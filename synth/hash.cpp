// The fingerprint of a render.
#include "synth.h"

uint64_t bytehash(const void *data, size_t count)
{
    const unsigned char *bytes = static_cast<const unsigned char *>(data);
    uint64_t hash = 0xcbf29ce484222325ull;
    for (size_t i = 0; i < count; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001b3ull;
    }
    return hash;
}
