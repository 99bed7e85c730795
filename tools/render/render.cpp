// intro-render: the show's frames and sound without a window.
//
//   intro-render frame --time T --out F.png [--pass scene|post]
//   intro-render video | frames ...   (capture.h)
//   intro-render bench ...            (bench.cpp)
//   intro-render wav | sound ...      (sound.h)
//
// `frame` renders the frame at music time T seconds with the show's own frame
// code and writes the final picture (RGB), or with --pass scene the scene
// pass's output with its alpha (RGBA).
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "capture.h"
#include "frame.h"
#include "headless.h"
#include "png.h"
#include "render.h"
#include "sound.h"
#include "synth.h"
#include "text.h"

int usage_error(const char *what, const char *detail) {
  std::fprintf(stderr, "intro-render: %s%s\n", what, detail);
  return 2;
}

static const char usage[] =
    "usage: intro-render frame --time SECONDS --out FILE.png [--pass scene|post]\n"
    "       intro-render video --out FILE.mkv [--from S] [--to S] [--fps N] [--codec ffv1|h264] [--force]\n"
    "       intro-render frames --out DIR [--from S] [--to S] [--fps N]\n"
    "       intro-render bench [--time S] [--runs N]\n"
    "       intro-render wav --out FILE.wav\n"
    "       intro-render sound [--png FILE.png] [--wav FILE.wav | --from FILE.wav]\n";

// Parses a finite decimal number that fills the whole argument.
int parse_number(const char *text, double *value) {
  char *end = nullptr;
  errno = 0;
  *value = std::strtod(text, &end);
  return end != text && *end == 0 && errno == 0 && std::isfinite(*value);
}

void render_song() {
  fillrand();
  synth();
}

// Sets up the context and the show's program. Returns 0 with a message on failure.
int render_init() {
  if (!headless_init()) {
    std::fprintf(stderr, "intro-render: %s\n", headless_error());
    return 0;
  }
  text_init(nullptr);
  if (!intro_init()) {
    std::fprintf(stderr, "intro-render: the OpenGL driver lacks an entry point the show needs\n");
    return 0;
  }
  if (!program_init()) {
    std::fprintf(stderr, "intro-render: the shader program did not link\n");
    return 0;
  }
  return 1;
}

static int command_frame(int argc, char **argv) {
  double time = 0;
  int haveTime = 0;
  const char *out = nullptr;
  int last = pass_post;
  for (int i = 0; i < argc; i++) {
    const char *arg = argv[i];
    if (i + 1 >= argc && (!std::strcmp(arg, "--time") || !std::strcmp(arg, "--out") || !std::strcmp(arg, "--pass")))
      return usage_error("missing value after ", arg);
    if (!std::strcmp(arg, "--time")) {
      if (!parse_number(argv[++i], &time)) return usage_error("--time needs a number of seconds, not ", argv[i]);
      haveTime = 1;
    } else if (!std::strcmp(arg, "--out")) {
      out = argv[++i];
    } else if (!std::strcmp(arg, "--pass")) {
      const char *pass = argv[++i];
      if (!std::strcmp(pass, "scene")) last = pass_scene;
      else if (!std::strcmp(pass, "post")) last = pass_post;
      else return usage_error("--pass is scene or post, not ", pass);
    } else {
      return usage_error("unknown argument ", arg);
    }
  }
  if (!haveTime) return usage_error("frame needs --time SECONDS");
  if (!out || !*out) return usage_error("frame needs --out FILE.png");

  if (!render_init()) return 1;
  frame_draw(static_cast<float>(time), last);
  std::vector<uint8_t> pixels(static_cast<size_t>(frameWidth) * frameHeight * 4);
  headless_read(pixels.data());
  headless_end();
  if (const char *failure = png_write(out, pixels.data(), frameWidth, frameHeight, last == pass_scene ? 4 : 3)) {
    std::fprintf(stderr, "intro-render: %s: %s\n", failure, out);
    return 1;
  }
  return 0;
}

int main(int argc, char **argv) {
  if (argc < 2) return usage_error("missing command; intro-render help lists them");
  if (!std::strcmp(argv[1], "frame")) return command_frame(argc - 2, argv + 2);
  if (!std::strcmp(argv[1], "wav")) return command_wav(argc - 2, argv + 2);
  if (!std::strcmp(argv[1], "video")) return command_video(argc - 2, argv + 2);
  if (!std::strcmp(argv[1], "bench")) return command_bench(argc - 2, argv + 2);
  if (!std::strcmp(argv[1], "frames")) return command_frames(argc - 2, argv + 2);
  if (!std::strcmp(argv[1], "sound")) return command_sound(argc - 2, argv + 2);
  if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "help")) {
    std::fputs(usage, stdout);
    return 0;
  }
  return usage_error("unknown command ", argv[1]);
}
