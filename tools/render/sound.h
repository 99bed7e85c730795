// sound.h - the song as a file and as figures: the `wav` and `sound`
// commands of intro-render. Neither needs a window or an OpenGL context.
//
//   intro-render wav --out F.wav
//   intro-render sound [--png F.png] [--wav F.wav | --from F.wav]
//
// Both render the whole song first (fillrand, synth). `wav` writes the
// played part of MusBuf as a 44.1 kHz 16-bit stereo WAV file. `sound` prints
// the peak, the samples at the clip and the RMS level of every 128-tick bar
// (3.75 s), and with --png draws a spectrogram of the song through sox; with
// --from it looks at a WAV file written before instead of rendering.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "output.h"

// Writes `frames` stereo frames of 16-bit samples as a WAV file, beside
// `path` under a temporary name that is renamed when complete. Returns null
// on success, otherwise a message naming what failed; on failure no file is
// left behind.
const char *wav_write(const char *path, const int16_t *samples, int32_t frames);

// The same in two steps: claim the output (output.h) before the render,
// then write it and rename it into place.
const char *wav_finish(OutputFile *file, const int16_t *samples, int32_t frames);

// Reads the samples of a 16-bit stereo 44.1 kHz PCM WAV file. Returns null
// on success, otherwise a message.
const char *wav_read(const char *path, std::vector<int16_t> &samples);

// Figures of `frames` stereo frames of 16-bit samples.
struct sound_figures {
  int32_t peak;     // largest magnitude of any sample
  int64_t clipped;  // samples at +32767 or -32767
  int32_t bars;     // 128-tick bars (165,248 frames), the last one partial
};
sound_figures sound_measure(const int16_t *samples, int32_t frames);

// RMS level of bar `bar` (both channels together), relative to full scale
// 32767; 0 for a silent bar.
double sound_bar_rms(const int16_t *samples, int32_t frames, int32_t bar);

// Prints the figures and the per-bar levels.
void sound_report(std::FILE *out, const int16_t *samples, int32_t frames);

// The commands; argv holds the arguments after the command's name.
int command_wav(int argc, char **argv);
int command_sound(int argc, char **argv);
