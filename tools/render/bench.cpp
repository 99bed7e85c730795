// intro-render bench [--time SECONDS] [--runs N]: what each pass of one frame
// costs on this machine's OpenGL. Frames are drawn up to each pass in turn
// and finished; a pass costs the difference to the frame up to the pass
// before it.
#include <chrono>
#include <cstdio>
#include <cstring>

#include "frame.h"
#include "gl.h"
#include "headless.h"
#include "render.h"

static double frame_seconds(float t, int last, int runs) {
  frame_draw(t, last);
  glFinish();
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < runs; i++) frame_draw(t, last);
  glFinish();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / runs;
}

int command_bench(int argc, char **argv) {
  double time = 60, runs = 3;
  for (int i = 0; i < argc; i++) {
    const char *arg = argv[i];
    double *value = !std::strcmp(arg, "--time") ? &time : !std::strcmp(arg, "--runs") ? &runs : nullptr;
    if (!value) return usage_error("unknown argument ", arg);
    if (i + 1 >= argc || !parse_number(argv[++i], value)) return usage_error("missing or bad value after ", arg);
  }
  if (runs < 1 || runs > 1000) return usage_error("--runs is from 1 to 1000");
  if (!render_init()) return 1;

  static const char *const names[] = {"", "noise", "titles", "greetings", "set-up", "scene", "post"};
  std::printf("renderer: %s\nframe at %.3f s of music, %d runs each\n\n", headless_renderer(), time,
              static_cast<int>(runs));
  std::printf("pass        ms/frame\n");
  double before = 0, total = 0;
  for (int pass = pass_noise; pass <= pass_post; pass++) {
    double upto = frame_seconds(static_cast<float>(time), pass, static_cast<int>(runs));
    std::printf("%-10s %9.2f\n", names[pass], 1000 * (upto - before));
    before = upto;
    total = upto;
  }
  std::printf("%-10s %9.2f  (%.1f frames/s)\n", "frame", 1000 * total, 1 / total);
  headless_end();
  return 0;
}
