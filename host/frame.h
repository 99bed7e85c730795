// frame.h - the shader program and the six passes of one frame.
//
// Shared by the show and by the headless renderer:
//   if (!intro_init()) fail;        // entry points by name
//   program_init();                 // build, use, report a failed link
//   frame_draw(t, passcount);       // clear + passes, left unpresented
#pragma once
#include "playback.h"

// Names of the entry points that must resolve, and their addresses.
extern const char *glEntryNames[8];
extern void *glEntryPoints[8];

// Looks up the eight entries of glEntryNames in order. Returns 1 when all
// resolved, 0 as soon as one did not (later slots stay null).
int intro_init();

// Builds the fragment program from the embedded source and makes it current.
// A failed link shows the program's log in a "ProgramInfo" warning box.
// Returns the link status (0 failed).
int program_init();

// The passes of one frame, in the order they run.
enum FramePass {
  pass_noise = 1,
  pass_titles,
  pass_greetings,
  pass_setup,
  pass_scene,
  pass_post,
};

// Clears the frame buffer and runs the passes from the noise pass up to and
// including `last`, for the music time t in seconds.
void frame_draw(float t, int last = pass_post);

// Music seconds for a clock position in ticks: the ticks rounded to a float,
// then a single-precision division by the ticks per second.
inline float music_time(long double ticks) { return static_cast<float>(ticks) / tps; }
