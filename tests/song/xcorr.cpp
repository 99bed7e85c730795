// song-xcorr: does a recording of the show's sound start like MusBuf?
//
//   song-xcorr REFERENCE.wav RECORDING.raw
//
// Both hold 16-bit little-endian stereo at 44.1 kHz, the reference as a WAV
// file (its data chunk is read), the recording raw. The recording is
// aligned on its first sound with the first sound of the reference; then
// the normalised cross-correlation of 5 s of both is taken at every lag up
// to 100 ms either way. Passes (status 0) when the best one reaches 0.99.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int64_t rate = 44100;
constexpr int64_t window = 5 * rate;
constexpr int64_t maxlag = rate / 10 - 1;  // under 100 ms

// Moves past the chunks of a WAV file up to the start of its samples.
bool skipheader(std::FILE *f)
{
    char tag[4];
    uint8_t size[4];
    if (std::fread(tag, 4, 1, f) != 1 || std::memcmp(tag, "RIFF", 4) || std::fseek(f, 12, SEEK_SET))
        return false;
    for (;;) {
        if (std::fread(tag, 4, 1, f) != 1 || std::fread(size, 4, 1, f) != 1)
            return false;
        if (!std::memcmp(tag, "data", 4))
            return true;
        const long n = size[0] | size[1] << 8 | size[2] << 16 | static_cast<long>(size[3]) << 24;
        if (std::fseek(f, n + (n & 1), SEEK_CUR))
            return false;
    }
}

bool load(const char *path, bool wav, std::vector<double> &mono)
{
    std::FILE *f = std::fopen(path, "rb");
    if (!f)
        return false;
    if (wav && !skipheader(f)) {
        std::fclose(f);
        return false;
    }
    int16_t frame[2];
    while (std::fread(frame, sizeof frame, 1, f) == 1)
        mono.push_back(static_cast<double>(frame[0]) + frame[1]);
    std::fclose(f);
    return true;
}

int64_t onset(const std::vector<double> &x)
{
    for (size_t i = 0; i < x.size(); ++i)
        if (x[i] != 0)
            return static_cast<int64_t>(i);
    return -1;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fputs("usage: song-xcorr REFERENCE.wav RECORDING.raw\n", stderr);
        return 2;
    }
    std::vector<double> ref, rec;
    if (!load(argv[1], true, ref) || !load(argv[2], false, rec)) {
        std::fprintf(stderr, "song-xcorr: cannot read %s\n", ref.empty() ? argv[1] : argv[2]);
        return 2;
    }
    const int64_t refstart = onset(ref), recstart = onset(rec);
    if (refstart < 0 || recstart < 0) {
        std::fprintf(stderr, "song-xcorr: %s holds only silence\n", refstart < 0 ? argv[1] : argv[2]);
        return 1;
    }
    // Before the recording began the sink played nothing, so silence in
    // front of it stands for that time when the sound starts almost at once.
    const int64_t lead = maxlag - (recstart - refstart);
    if (lead > 0)
        rec.insert(rec.begin(), static_cast<size_t>(lead), 0.0);
    // Reference frame k lines up with recording frame k + shift + lag.
    const int64_t shift = recstart + std::max<int64_t>(lead, 0) - refstart;
    if (static_cast<int64_t>(ref.size()) < window ||
        static_cast<int64_t>(rec.size()) < shift + maxlag + window || shift - maxlag < 0) {
        std::fprintf(stderr, "song-xcorr: the recording holds %.2f s from its first sound, not 5.1 s\n",
                     static_cast<double>(static_cast<int64_t>(rec.size()) - recstart) / rate);
        return 1;
    }
    double refenergy = 0;
    for (int64_t k = 0; k < window; ++k)
        refenergy += ref[k] * ref[k];

    double best = -2;
    int64_t bestlag = 0;
    for (int64_t lag = -maxlag; lag <= maxlag; ++lag) {
        const double *r = rec.data() + shift + lag;
        double dot = 0, energy = 0;
        for (int64_t k = 0; k < window; ++k) {
            dot += ref[k] * r[k];
            energy += r[k] * r[k];
        }
        const double ncc = energy > 0 ? dot / std::sqrt(refenergy * energy) : 0;
        if (ncc > best) {
            best = ncc;
            bestlag = lag;
        }
    }
    std::printf("normalised cross-correlation %.5f at a lag of %.1f ms (first sound at %.3f s of the recording)\n",
                best, 1000.0 * static_cast<double>(bestlag) / rate, static_cast<double>(recstart) / rate);
    return best >= 0.99 ? 0 : 1;
}
