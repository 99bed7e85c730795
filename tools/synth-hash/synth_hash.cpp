// synth-hash: the song as one build of the synthesizer renders it.
//
//   synth-hash [PCM]       renders the whole song, prints the 64-bit FNV-1a
//                          hash of the played part of MusBuf and, with PCM,
//                          also writes that part there
//   synth-hash --compare A B
//                          compares two such dumps sample by sample: prints
//                          the count of differing samples, the largest
//                          difference and the first differing sample; exits
//                          0 when they are equal, 1 when they differ, 2 when
//                          a dump cannot be read
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "synth.h"

namespace {

int render(const char *path)
{
    fillrand();
    synth();
    const uint64_t hash = bytehash(MusBuf, musbytes);
    std::printf("MusBuf hash (FNV-1a 64, %d bytes): %016" PRIx64 "\n", musbytes, hash);
    if (!path)
        return 0;
    std::FILE *out = std::fopen(path, "wb");
    const bool written = out && std::fwrite(MusBuf, sizeof MusBuf[0], mussamples, out) == size_t(mussamples);
    if (!out || std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "synth-hash: cannot write %s\n", path);
        return 2;
    }
    return 0;
}

// The played part of MusBuf from a dump, into `to`; false when the file
// cannot be read or is not exactly that long.
bool load(const char *path, int16_t *to)
{
    std::FILE *in = std::fopen(path, "rb");
    if (!in)
        return false;
    const bool whole = std::fread(to, sizeof to[0], mussamples, in) == size_t(mussamples) &&
                       std::fgetc(in) == EOF;
    std::fclose(in);
    return whole;
}

int compare(const char *a, const char *b)
{
    // MusBuf holds one dump, the render's other large area the other.
    static_assert(sizeof mixbuf >= sizeof(int16_t) * mussamples);
    int16_t *other = reinterpret_cast<int16_t *>(mixbuf);
    if (!load(a, MusBuf) || !load(b, other)) {
        std::fprintf(stderr, "synth-hash: %s and %s must both hold %d samples\n", a, b, mussamples);
        return 2;
    }
    int64_t differing = 0;
    int32_t largest = 0, first = -1;
    for (int32_t i = 0; i < mussamples; ++i) {
        const int32_t d = std::abs(int32_t{MusBuf[i]} - int32_t{other[i]});
        if (d == 0)
            continue;
        if (first < 0)
            first = i;
        ++differing;
        largest = d > largest ? d : largest;
    }
    std::printf("differing samples: %" PRId64 " of %d, largest difference %d", differing, mussamples, largest);
    if (first >= 0)
        std::printf(", first at sample %d (frame %d, %s)", first, first / 2, first % 2 ? "right" : "left");
    std::printf("\n");
    return differing ? 1 : 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--compare") == 0)
        return compare(argv[2], argv[3]);
    if (argc <= 2 && (argc < 2 || argv[1][0] != '-'))
        return render(argc == 2 ? argv[1] : nullptr);
    std::fprintf(stderr, "usage: synth-hash [PCM]\n       synth-hash --compare A B\n");
    return 2;
}
