// headless.h - an OpenGL context without a window, for rendering frames to
// files and for tests.
//
//   if (!headless_init()) fail;   // context current, 800x600 frame bound
//   frame_draw(t);                // or any GL drawing
//   headless_read(pixels);        // 800*600 RGBA8, bottom row first
//   headless_end();
//
// The frame is an 800x600 RGBA8 colour buffer with a 24-bit depth buffer,
// bound as the draw and read framebuffer, so code written for the window's
// back buffer (including glCopyTexImage2D) runs unchanged.
#pragma once
#include <cstdint>

constexpr int frameWidth = 800;
constexpr int frameHeight = 600;

// Returns 1 with a compatibility context of OpenGL 4.3 or later current.
// On 0, headless_error() says why.
int headless_init();
const char *headless_error();
// Name of the renderer in use (for messages and benchmarks).
const char *headless_renderer();
void headless_read(uint8_t *rgba);
void headless_end();
