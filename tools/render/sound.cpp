#include "sound.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "render.h"
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
  OutputFile file;
  if (!output_claim(&file, path)) return "cannot create the output file";
  return wav_finish(&file, samples, frames);
}

const char *wav_finish(OutputFile *file, const int16_t *samples, int32_t frames) {
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

  if (!output_write(file, bytes.data(), bytes.size()) || !output_finish(file))
    return "cannot write the output file";
  return nullptr;
}

const char *wav_read(const char *path, std::vector<int16_t> &samples) {
  std::FILE *file = std::fopen(path, "rb");
  if (!file) return "cannot open the file";
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  const bool readOk = !std::ferror(file);
  std::fclose(file);
  if (!readOk) return "cannot read the file";
  auto get16 = [&](size_t at) { return static_cast<uint32_t>(bytes[at] | bytes[at + 1] << 8); };
  auto get32 = [&](size_t at) { return get16(at) | get16(at + 2) << 16; };
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) || std::memcmp(bytes.data() + 8, "WAVE", 4))
    return "not a WAV file";
  bool format = false;
  for (size_t at = 12; at + 8 <= bytes.size();) {
    const uint32_t size = get32(at + 4);
    const size_t body = at + 8;
    if (size > bytes.size() - body) return "a WAV chunk runs past the end of the file";
    if (!std::memcmp(bytes.data() + at, "fmt ", 4)) {
      if (size < 16 || get16(body) != 1 || get16(body + 2) != 2 || get32(body + 4) != rate || get16(body + 14) != 16)
        return "not 16-bit stereo PCM at 44.1 kHz";
      format = true;
    } else if (!std::memcmp(bytes.data() + at, "data", 4)) {
      if (!format) return "WAV data before its format";
      samples.resize(size / 2);
      for (size_t i = 0; i < samples.size(); i++) samples[i] = static_cast<int16_t>(get16(body + 2 * i));
      return nullptr;
    }
    at = body + size + (size & 1);
  }
  return "no WAV data";
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
      if (i + 1 >= argc) return usage_error("missing value after ", argv[i]);
      out = argv[++i];
    } else {
      return usage_error("unknown argument ", argv[i]);
    }
  }
  if (!out || !*out) return usage_error("wav needs --out FILE.wav");
  // The file is created before the long render, so that a path that cannot
  // be written fails at once.
  OutputFile file;
  if (!output_claim(&file, out)) {
    std::fprintf(stderr, "intro-render: cannot create the output file: %s\n", out);
    return 1;
  }
  render_song();
  if (const char *failure = wav_finish(&file, MusBuf, musframes)) {
    std::fprintf(stderr, "intro-render: %s: %s\n", failure, out);
    return 1;
  }
  return 0;
}

int command_sound(int argc, char **argv) {
  const char *png = nullptr;
  const char *wav = nullptr;
  const char *from = nullptr;
  for (int i = 0; i < argc; i++) {
    const char *arg = argv[i];
    const char **value = !std::strcmp(arg, "--png") ? &png : !std::strcmp(arg, "--wav") ? &wav
                       : !std::strcmp(arg, "--from") ? &from : nullptr;
    if (!value) return usage_error("unknown argument ", arg);
    if (i + 1 >= argc) return usage_error("missing value after ", arg);
    *value = argv[++i];
    if (!**value) return usage_error("empty file name after ", arg);
  }
  if (from && wav) return usage_error("--wav writes the rendered song; with --from there is none");

  // The song as the show renders it, or as a WAV file holds it.
  std::vector<int16_t> loaded;
  const int16_t *samples = MusBuf;
  int32_t frames = musframes;
  if (from) {
    if (const char *failure = wav_read(from, loaded)) {
      std::fprintf(stderr, "intro-render: %s: %s\n", failure, from);
      return 1;
    }
    samples = loaded.data();
    frames = static_cast<int32_t>(loaded.size() / 2);
  } else {
    render_song();
  }
  sound_report(stdout, samples, frames);
  std::fflush(stdout);

  // The spectrogram is drawn from a WAV file: the one asked for, or a
  // temporary one beside the picture.
  std::string temp;
  const char *source = from ? from : wav;
  if (png && !source) {
    temp = std::string(png) + ".wav" + std::to_string(getpid());
    source = temp.c_str();
  }
  if (source && !from) {
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
