// platform.h - the thin layer between the show and the operating system.
//
// Everything above this header (frame loop, passes, text layer, playback
// clock, synthesizer) is shared by every build; each platform supplies the
// functions below in one backend source:
//   platform_sdl.cpp    Linux: SDL2 window, context, events and audio
//   platform_win32.cpp  32-bit Windows: Win32, WGL and WINMM
// Programs without a window (the headless renderer, the tests) link a
// backend that supplies only the functions they call.
//
// Usage, in the show's order:
//   context.hInstance = module_handle();
//   if (!window_init(&context)) ...      // window + current GL context
//   while (...) { if (message_take(&quit)) continue; draw; window_swap(&context);
//                 message_discard(); if (escape_down() || quit) break; }
//   window_end(&context);
#pragma once
#include <cstdint>

#if defined(_WIN32)
#include <windows.h>
typedef HINSTANCE ModuleHandle;
typedef HDC DeviceHandle;
typedef HGLRC ContextHandle;
typedef HWND WindowHandle;
#else
typedef void *ModuleHandle;
typedef void *DeviceHandle;   // the window that is drawn into and swapped
typedef void *ContextHandle;  // the OpenGL context
typedef void *WindowHandle;
#endif

// The show's one window record. Zero at load except the class name.
struct WindowContext {
  ModuleHandle hInstance;
  DeviceHandle hDC;
  ContextHandle hRC;
  WindowHandle hWnd;
  int fullscreen;
  char className[4];
};

// Build-time display mode: 0 windowed (the show), non-zero fullscreen 800x600.
#ifndef INTRO_FULLSCREEN
#define INTRO_FULLSCREEN 0
#endif

// --- window, context and messages ----------------------------------------
ModuleHandle module_handle();
// Creates the 800x600 window and makes its OpenGL context current.
// Returns 1 on success, 0 at the first step that fails (handles kept so far
// stay in the record for window_end).
int window_init(WindowContext *context);
// Releases whatever window_init left in the record; safe in any state.
void window_end(WindowContext *context);
// Takes one queued message and handles it. Returns 0 when the queue was
// empty; sets *quit when the message taken was the quit request.
int message_take(int *quit);
// Removes one queued message, if any, without handling it.
void message_discard();
// Non-zero while the Escape key is held down.
int escape_down();
// Presents the back buffer.
void window_swap(WindowContext *context);

// --- graphics --------------------------------------------------------------
// Address of an OpenGL entry point by name, null when the driver lacks it.
void *gl_proc(const char *name);
// Builds `count` display lists from `list` for the characters from `first`
// of the named face: glyph outlines as polygons in em units, extruded by
// `extrusion`, each ending with a translation by the advance.
void font_outlines(DeviceHandle dc, const char *face, int first, int count,
                   unsigned list, float extrusion);

// --- messages to the user ----------------------------------------------------
// A modal warning box without owner; the text is also written to stderr.
void message_box(const char *text, const char *caption);

// --- audio and time ------------------------------------------------------------
// Opens the default output for 44,100 Hz, 2 channels, 16-bit signed PCM and
// starts playing `bytes` bytes of `data` once. Returns 0 when no output can
// be opened.
int audio_play(const void *data, uint32_t bytes);
// Bytes the output has played since audio_play, counting the silence after
// the end of the data; never negative.
int64_t audio_played();
// Stops playback and closes the output.
void audio_stop();
// Seconds of a monotonic clock.
double clock_seconds();
