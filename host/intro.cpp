#include "intro.h"

#include "frame.h"
#include "gl.h"
#include "platform.h"
#include "playback.h"
#include "synth.h"
#include "text.h"

static WindowContext context = {nullptr, nullptr, nullptr, nullptr, INTRO_FULLSCREEN, "zw_"};

// Tears down what exists and tells the user which step failed.
static int intro_fail(const char *step) {
  window_end(&context);
  message_box(step, "error");
  return 1;
}

int intro_main() {
  context.hInstance = module_handle();
  if (!window_init(&context)) return intro_fail("window_init()!");
  unsigned base = text_init(context.hDC);
  if (!intro_init()) return intro_fail("intro_init()!");
  program_init();

  // The whole song is rendered here, before the first frame; no messages
  // are handled meanwhile.
  fillrand();
  synth();
  startsnd();

  int quit = 0;
  for (;;) {
    if (message_take(&quit)) continue;
    frame_draw(music_time(getpos()));
    glFinish();
    window_swap(&context);
    message_discard();
    if (escape_down() || quit) break;
  }

  stopsnd();
  text_end(base);
  window_end(&context);
  return 0;
}
