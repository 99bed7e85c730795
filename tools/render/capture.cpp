#include "capture.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "frame.h"
#include "headless.h"
#include "output.h"
#include "playback.h"
#include "png.h"
#include "render.h"
#include "storage.h"

extern char **environ;

// --- the frame grid ------------------------------------------------------------

static int64_t frame_audio(int32_t k, int32_t fps) { return 44100LL * k / fps; }

const char *capture_range(double from, double to, int fps, CaptureRange *range) {
  const double end = static_cast<double>(musframes) / 44100;
  if (fps < 1 || fps > 240) return "--fps is a whole number of frames per second from 1 to 240";
  if (!(from >= 0)) return "--from must be 0 or more seconds";
  if (!(to <= end + 1e-9)) return "--to must be within the song (173.871 s)";
  if (!(to > from)) return "--to must come after --from";
  range->fps = fps;
  range->first = static_cast<int32_t>(std::lround(from * fps));
  int32_t last = static_cast<int32_t>(std::lround(to * fps));
  while (frame_audio(last, fps) > musframes) last--;
  range->count = last - range->first;
  if (range->count < 1) return "the range holds no frame at this frame rate";
  return nullptr;
}

float capture_time(int32_t k, int32_t fps) {
  return music_time(postoticks(static_cast<int32_t>(4 * frame_audio(k, fps))));
}

int32_t capture_audio_start(int32_t k0, int32_t fps) { return static_cast<int32_t>(frame_audio(k0, fps)); }

// --- command lines ----------------------------------------------------------------

namespace {

struct Options {
  const char *out = nullptr;
  double from = 0, to = static_cast<double>(musframes) / 44100;
  int fps = 60;
  int force = 0;
  int h264 = 0;
  CaptureRange range;
};

// Parses the options shared by `video` and `frames` (and --codec, --force for
// `video`). Returns -1 when they are fine, else the exit status.
int parse_options(int argc, char **argv, int video, Options *o) {
  for (int i = 0; i < argc; i++) {
    const char *arg = argv[i];
    int valued = !std::strcmp(arg, "--out") || !std::strcmp(arg, "--from") || !std::strcmp(arg, "--to") ||
                 !std::strcmp(arg, "--fps") || (video && !std::strcmp(arg, "--codec"));
    if (valued && i + 1 >= argc) return usage_error("missing value after ", arg);
    double number;
    if (!std::strcmp(arg, "--out")) {
      o->out = argv[++i];
    } else if (!std::strcmp(arg, "--from") || !std::strcmp(arg, "--to")) {
      if (!parse_number(argv[i + 1], &number)) return usage_error("not a number of seconds: ", argv[i + 1]);
      (arg[2] == 'f' ? o->from : o->to) = number;
      i++;
    } else if (!std::strcmp(arg, "--fps")) {
      if (!parse_number(argv[++i], &number) || number != std::floor(number) || number < 1 || number > 240)
        return usage_error("--fps is a whole number of frames per second from 1 to 240, not ", argv[i]);
      o->fps = static_cast<int>(number);
    } else if (video && !std::strcmp(arg, "--codec")) {
      const char *codec = argv[++i];
      if (!std::strcmp(codec, "h264")) o->h264 = 1;
      else if (!std::strcmp(codec, "ffv1")) o->h264 = 0;
      else return usage_error("--codec is ffv1 or h264, not ", codec);
    } else if (video && !std::strcmp(arg, "--force")) {
      o->force = 1;
    } else {
      return usage_error("unknown argument ", arg);
    }
  }
  if (!o->out || !*o->out) return usage_error(video ? "video needs --out FILE" : "frames needs --out DIR");
  if (const char *problem = capture_range(o->from, o->to, o->fps, &o->range)) return usage_error(problem);
  return -1;
}

volatile sig_atomic_t interrupted;
void on_signal(int) { interrupted = 1; }

// Progress on a terminal, overwritten in place.
struct Progress {
  int32_t total;
  int terminal = isatty(2);
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  double seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  void frame_done(int32_t done) const {
    if (!terminal) return;
    double rate = done / std::max(seconds(), 1e-9);
    int left = static_cast<int>((total - done) / std::max(rate, 1e-9));
    std::fprintf(stderr, "\rintro-render: frame %d of %d, %.2f frames/s, %d:%02d left ", done, total, rate,
                 left / 60, left % 60);
    if (done == total) std::fputc('\n', stderr);
  }
};

int find_program(const char *name) {
  const char *path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  for (size_t start = 0; start <= dirs.size();) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string file = dirs.substr(start, end - start) + "/" + name;
    if (end > start && access(file.c_str(), X_OK) == 0) return 1;
    start = end + 1;
  }
  return 0;
}

// Everything a video capture creates until it is complete.
struct VideoFiles {
  OutputFile video;  // what ffmpeg writes
  OutputFile sound;  // the stretch of the song it reads; never kept
  pid_t ffmpeg = 0;
  int pipe = -1;
  ~VideoFiles() {
    if (pipe >= 0) close(pipe);
    if (ffmpeg > 0) {
      kill(ffmpeg, SIGTERM);
      waitpid(ffmpeg, nullptr, 0);
    }
  }
};
int fail(const char *what, const std::string &detail = "") {
  std::fprintf(stderr, "intro-render: %s%s\n", what, detail.c_str());
  return 1;
}

// Draws the frames of the range in order and hands each (800 x 600 RGBA,
// bottom row first) with its index in the range to `sink`, which returns 0
// to stop. Returns 0 when the capture stopped early, with the message said.
template <class Sink>
int draw_frames(const CaptureRange &range, const Progress &progress, Sink sink) {
  std::vector<uint8_t> pixels(static_cast<size_t>(frameWidth) * frameHeight * 4);
  for (int32_t i = 0; i < range.count; i++) {
    if (interrupted) {
      std::fprintf(stderr, "intro-render: interrupted\n");
      return 0;
    }
    frame_draw(capture_time(range.first + i, range.fps));
    headless_read(pixels.data());
    if (!sink(pixels.data(), i)) return 0;
    progress.frame_done(i + 1);
  }
  return 1;
}

// The closing line of a capture.
void summary(const char *out, const CaptureRange &range, const std::string &extra, const Progress &progress) {
  std::fprintf(stderr, "intro-render: %s: %d frames at %d fps (%smusic time %.9g to %.9g s) in %.1f s\n", out,
               range.count, range.fps, extra.c_str(), capture_time(range.first, range.fps),
               capture_time(range.first + range.count - 1, range.fps), progress.seconds());
}

}  // namespace

int command_video(int argc, char **argv) {
  Options o;
  int status = parse_options(argc, argv, 1, &o);
  if (status >= 0) return status;
  const CaptureRange &range = o.range;
  struct stat st;
  if (!o.force && stat(o.out, &st) == 0) return fail("the output exists (--force replaces it): ", o.out);
  if (!find_program("ffmpeg")) return fail("ffmpeg is not installed; the video needs it");

  // Claim the temporary name beside the output first: an unwritable place
  // fails here, before any work.
  VideoFiles files;
  if (!output_claim(&files.video, o.out))
    return fail("cannot write beside the output: ", std::string(o.out) + ": " + std::strerror(errno));
  close(files.video.fd);
  files.video.fd = -1;

  signal(SIGPIPE, SIG_IGN);
  signal(SIGINT, on_signal);
  signal(SIGTERM, on_signal);
  if (!render_init()) return 1;
  render_song();

  // The matching stretch of the song, as raw 16-bit stereo PCM.
  int32_t a0 = capture_audio_start(range.first, range.fps);
  int32_t a1 = capture_audio_start(range.first + range.count, range.fps);
  if (!output_claim(&files.sound, (files.video.temp + ".pcm").c_str()) ||
      !output_write(&files.sound, MusBuf + 2 * static_cast<size_t>(a0), 4 * static_cast<size_t>(a1 - a0)))
    return fail("cannot write the sound beside the output: ", files.sound.path);

  std::string size = std::to_string(frameWidth) + "x" + std::to_string(frameHeight);
  std::string rate = std::to_string(range.fps);
  std::vector<const char *> args = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y",
                                    "-f", "rawvideo", "-pix_fmt", "rgba", "-s", size.c_str(), "-framerate",
                                    rate.c_str(), "-i", "pipe:0", "-f", "s16le", "-ar", "44100", "-ac", "2",
                                    "-i", files.sound.temp.c_str(), "-map", "0:v", "-map", "1:a", "-vf", "vflip"};
  if (o.h264) {
    for (const char *a : {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-crf", "16", "-c:a", "aac", "-b:a", "256k",
                          "-movflags", "+faststart", "-f", "mp4"})
      args.push_back(a);
  } else {
    for (const char *a : {"-c:v", "ffv1", "-pix_fmt", "bgr0", "-c:a", "flac", "-f", "matroska"}) args.push_back(a);
  }
  args.push_back(files.video.temp.c_str());
  args.push_back(nullptr);

  int fds[2];
  if (pipe(fds) != 0) return fail("cannot make a pipe to ffmpeg");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
  posix_spawn_file_actions_addclose(&actions, fds[1]);
  int spawned = posix_spawnp(&files.ffmpeg, "ffmpeg", &actions, nullptr, const_cast<char **>(args.data()), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[0]);
  files.pipe = fds[1];
  if (spawned != 0) {
    files.ffmpeg = 0;
    return fail("cannot start ffmpeg");
  }

  Progress progress{range.count};
  int drawn = draw_frames(range, progress, [&](const uint8_t *pixels, int32_t) {
    if (write_all(files.pipe, pixels, static_cast<size_t>(frameWidth) * frameHeight * 4)) return 1;
    std::fprintf(stderr, "intro-render: ffmpeg stopped taking frames\n");
    return 0;
  });
  if (!drawn) return 1;
  close(files.pipe);
  files.pipe = -1;
  int waited = 0;
  while (waitpid(files.ffmpeg, &waited, 0) < 0 && errno == EINTR) {
  }
  files.ffmpeg = 0;
  if (!WIFEXITED(waited) || WEXITSTATUS(waited) != 0) return fail("ffmpeg failed to write the video");
  if (interrupted) return fail("interrupted; nothing was written");
  if (!output_finish(&files.video)) return fail("cannot rename the finished video to ", o.out);
  headless_end();
  char sound[48];
  std::snprintf(sound, sizeof sound, "%.3f s of sound, ", (a1 - a0) / 44100.0);
  summary(o.out, range, sound, progress);
  return 0;
}

int command_frames(int argc, char **argv) {
  Options o;
  int status = parse_options(argc, argv, 0, &o);
  if (status >= 0) return status;
  const CaptureRange &range = o.range;
  if (mkdir(o.out, 0755) != 0 && errno != EEXIST) return fail("cannot make the folder ", o.out);
  struct stat st;
  if (stat(o.out, &st) != 0 || !S_ISDIR(st.st_mode)) return fail("not a folder: ", o.out);
  signal(SIGINT, on_signal);
  signal(SIGTERM, on_signal);
  if (!render_init()) return 1;

  Progress progress{range.count};
  int drawn = draw_frames(range, progress, [&](const uint8_t *pixels, int32_t i) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06d.png", i);
    std::string path = std::string(o.out) + name;
    const char *failure = png_write(path.c_str(), pixels, frameWidth, frameHeight, 3);
    if (failure) std::fprintf(stderr, "intro-render: %s: %s\n", failure, path.c_str());
    return failure == nullptr;
  });
  if (!drawn) return 1;
  headless_end();
  summary(o.out, range, "", progress);
  return 0;
}
