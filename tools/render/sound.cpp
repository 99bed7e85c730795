#include "sound.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "synth.h"

extern char **environ;

namespace {

constexpr int32_t rate = 44100;
constexpr int32_t barframes = 128 * 1291;

void put16(std::vector<uint8_t> &out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t> &out, uint32_t v) {
  put16(out, v & 0xffff);
  put16(out, v >> 16);
}

void putTag(std::vector<uint8_t> &out, const char *tag) { out.insert(out.end(), tag, tag + 4); }

int usageError(const char *what, const char *detail = "") {
  std::fprintf(stderr, "intro-render: %s%s\n", what, detail);
  return 2;
}

// Renders the song as the show does at start-up.
void renderSong() {
  fillrand();
  synth();
}

// Runs sox on the WAV file to draw its spectrogram; returns 1 when sox ran
// and succeeded.
int drawSpectrogram(const char *wav, const char *png) {
  const char *args[] = {"sox", wav, "-n", "remix", "-", "spectrogram", "-x", "1800", "-y", "513",
                        "-z", "96", "-t", "intro: the song", "-o", png, nullptr};
  pid_t pid;
  if (posix_spawnp(&pid, "sox", nullptr, nullptr, const_cast<char **>(args), environ) != 0) return 0;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return 0;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

const char *wav_write(const char *path, const int16_t *samples, int32_t frames) {
  const uint32_t dataBytes = 4u * static_cast<uint32_t>(frames);
  std::vector<uint8_t> bytes;
  bytes.reserve(44 + static_cast<size_t>(dataBytes));
  putTag(bytes, "RIFF");
  put32(bytes, 36 + dataBytes);
  putTag(bytes, "WAVE");
  putTag(bytes, "fmt ");
  put32(bytes, 16);
  put16(bytes, 1);  // PCM
  put16(bytes, 2);  // channels
  put32(bytes, rate);
  put32(bytes, rate * 4);  // bytes per second
  put16(bytes, 4);         // bytes per frame
  put16(bytes, 16);        // bits per sample
  putTag(bytes, "data");
  put32(bytes, dataBytes);
  for (int64_t i = 0; i < 2 * static_cast<int64_t>(frames); i++) put16(bytes, static_cast<uint16_t>(samples[i]));

  const std::string temp = std::string(path) + ".part" + std::to_string(getpid());
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
  if (fd < 0) return "cannot create the output file";
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  const bool ok = done == bytes.size();
  if (close(fd) != 0 || !ok || std::rename(temp.c_str(), path) != 0) {
    std::remove(temp.c_str());
    return "cannot write the output file";
  }
  return nullptr;
}

sound_figures sound_measure(const int16_t *samples, int32_t frames) {
  sound_figures f = {0, 0, (frames + barframes - 1) / barframes};
  for (int64_t i = 0; i < 2 * static_cast<int64_t>(frames); i++) {
    const int32_t v = std::abs(static_cast<int32_t>(samples[i]));
    if (v > f.peak) f.peak = v;
    f.clipped += v >= 32767;
  }
  return f;
}

double sound_bar_rms(const int16_t *samples, int32_t frames, int32_t bar) {
  const int64_t from = static_cast<int64_t>(bar) * barframes;
  const int64_t to = from + barframes < frames ? from + barframes : frames;
  if (to <= from) return 0;
  double sum = 0;
  for (int64_t i = 2 * from; i < 2 * to; i++) sum += static_cast<double>(samples[i]) * samples[i];
  return std::sqrt(sum / static_cast<double>(2 * (to - from))) / 32767.0;
}

void sound_report(std::FILE *out, const int16_t *samples, int32_t frames) {
  const sound_figures f = sound_measure(samples, frames);
  std::fprintf(out, "frames %d (%.2f s), peak %d (%.2f dBFS), samples at +-32767: %lld\n", frames,
               static_cast<double>(frames) / rate, f.peak, f.peak ? 20 * std::log10(f.peak / 32767.0) : -INFINITY,
               static_cast<long long>(f.clipped));
  std::fprintf(out, "bar  ticks        seconds        RMS dBFS\n");
  for (int32_t b = 0; b < f.bars; b++) {
    const double rms = sound_bar_rms(samples, frames, b);
    const double start = static_cast<double>(b) * barframes / rate;
    const double end = std::fmin(static_cast<double>(b + 1) * barframes, frames) / rate;
    std::fprintf(out, "%3d  %4d-%-4d  %6.2f-%-6.2f  %7.1f  ", b, 128 * b, 128 * b + 127, start, end,
                 rms > 0 ? 20 * std::log10(rms) : -INFINITY);
    // A bar of up to 60 marks, one per dB above -60 dBFS.
    const int marks = rms > 0 ? static_cast<int>(60 + 20 * std::log10(rms)) : 0;
    for (int i = 0; i < marks; i++) std::fputc('#', out);
    std::fputc('\n', out);
  }
}

int command_wav(int argc, char **argv) {
  const char *out = nullptr;
  for (int i = 0; i < argc; i++) {
    if (!std::strcmp(argv[i], "--out")) {
      if (i + 1 >= argc) return usageError("missing value after ", argv[i]);
      out = argv[++i];
    } else {
      return usageError("unknown argument ", argv[i]);
    }
  }
  if (!out || !*out) return usageError("wav needs --out FILE.wav");
  renderSong();
  if (const char *failure = wav_write(out, MusBuf, musframes)) {
    std::fprintf(stderr, "intro-render: %s: %s\n", failure, out);
    return 1;
  }
  return 0;
}

int command_sound(int argc, char **argv) {
  const char *png = nullptr;
  const char *wav = nullptr;
  for (int i = 0; i < argc; i++) {
    const char *arg = argv[i];
    if (!std::strcmp(arg, "--png") || !std::strcmp(arg, "--wav")) {
      if (i + 1 >= argc) return usageError("missing value after ", arg);
      (!std::strcmp(arg, "--png") ? png : wav) = argv[++i];
      if (!*argv[i]) return usageError("empty file name after ", arg);
    } else {
      return usageError("unknown argument ", arg);
    }
  }
  renderSong();
  sound_report(stdout, MusBuf, musframes);
  std::fflush(stdout);

  // The spectrogram is drawn from a WAV file: the one asked for, or a
  // temporary one beside the picture.
  std::string temp;
  const char *source = wav;
  if (png && !wav) {
    temp = std::string(png) + ".wav" + std::to_string(getpid());
    source = temp.c_str();
  }
  if (source) {
    if (const char *failure = wav_write(source, MusBuf, musframes)) {
      std::fprintf(stderr, "intro-render: %s: %s\n", failure, source);
      return 1;
    }
  }
  int status = 0;
  if (png) {
    const std::string part = std::string(png) + ".part" + std::to_string(getpid()) + ".png";
    if (!drawSpectrogram(source, part.c_str()) || std::rename(part.c_str(), png) != 0) {
      std::remove(part.c_str());
      std::fprintf(stderr, "intro-render: sox could not draw the spectrogram: %s\n", png);
      status = 1;
    }
  }
  if (!temp.empty()) std::remove(temp.c_str());
  return status;
}
