// The Linux backend of the platform layer: SDL2 for the window, the OpenGL
// context, events and audio.
#include <SDL2/SDL.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gl.h"
#include "platform.h"

// --- window, context and messages ----------------------------------------

static int quitPosted;  // a quit request waiting behind the queued events

ModuleHandle module_handle() { return nullptr; }

static SDL_Window *window_of(WindowContext *context) {
  return static_cast<SDL_Window *>(context->hWnd);
}

int window_init(WindowContext *context) {
  // The window's class name towards the window system.
  setenv("SDL_VIDEO_X11_WMCLASS", context->className, 1);
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
  // Only drivers that show a window to someone: never the offscreen or
  // dummy ones, which would run the show where nobody can see or end it.
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,wayland,KMSDRM");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return 0;

  // A double-buffered RGBA8 frame buffer with depth; the alpha channel
  // carries the masks from pass to pass.
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);

  Uint32 flags = SDL_WINDOW_OPENGL;
  flags |= context->fullscreen ? SDL_WINDOW_FULLSCREEN : SDL_WINDOW_RESIZABLE;
  SDL_Window *window = SDL_CreateWindow("Intro", SDL_WINDOWPOS_CENTERED_DISPLAY(0),
                                        SDL_WINDOWPOS_CENTERED_DISPLAY(0), 800, 600, flags);
  context->hWnd = window;
  if (!window) return 0;
  if (context->fullscreen) {
    SDL_DisplayMode mode = {SDL_PIXELFORMAT_RGB888, 800, 600, 0, nullptr};
    if (SDL_SetWindowDisplayMode(window, &mode) != 0) return 0;
    SDL_ShowCursor(SDL_DISABLE);
  } else {
    // Centre the window with its frame, halves rounded down, on the
    // primary screen.
    int top, left, bottom, right;
    SDL_Rect screen;
    if (SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) == 0 &&
        SDL_GetDisplayBounds(0, &screen) == 0) {
      int x = (screen.w - (800 + left + right)) >> 1;
      int y = (screen.h - (600 + top + bottom)) >> 1;
      SDL_SetWindowPosition(window, screen.x + x + left, screen.y + y + top);
    }
  }
  context->hDC = window;

  SDL_GLContext gl = SDL_GL_CreateContext(window);
  context->hRC = gl;
  if (!gl) return 0;
  if (SDL_GL_MakeCurrent(window, gl) != 0) return 0;

  // The window's background until the first frame: red 48, green 32, blue 16.
  // The clear colour goes back to (0, 0, 0, 0), which the frames rely on.
  int w, h;
  SDL_GL_GetDrawableSize(window, &w, &h);
  glViewport(0, 0, w, h);
  glClearColor(48 / 255.f, 32 / 255.f, 16 / 255.f, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  SDL_GL_SwapWindow(window);
  glClear(GL_COLOR_BUFFER_BIT);
  glClearColor(0, 0, 0, 0);
  SDL_DisableScreenSaver();
  return 1;
}

void window_end(WindowContext *context) {
  SDL_Window *window = window_of(context);
  if (context->hRC) {
    SDL_GL_MakeCurrent(window, nullptr);
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context->hRC));
  }
  if (window) SDL_DestroyWindow(window);
  if (context->fullscreen) SDL_ShowCursor(SDL_ENABLE);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

// Keeps the viewport equal to the drawable part of the window.
static void follow_size(SDL_Window *window) {
  if (!SDL_GL_GetCurrentContext()) return;
  int w = 0, h = 0;
  if (!(SDL_GetWindowFlags(window) & SDL_WINDOW_MINIMIZED)) SDL_GL_GetDrawableSize(window, &w, &h);
  glViewport(0, 0, w, h);
}

static int asks_to_quit(const SDL_Event &event) {
  switch (event.type) {
    case SDL_QUIT:
      return 1;
    case SDL_WINDOWEVENT:
      return event.window.event == SDL_WINDOWEVENT_CLOSE;
    case SDL_KEYDOWN:
      return event.key.keysym.sym == SDLK_ESCAPE;
  }
  return 0;
}

// The window's answer to one event.
static void window_event(const SDL_Event &event) {
  if (asks_to_quit(event)) {
    quitPosted = 1;
    return;
  }
  if (event.type == SDL_WINDOWEVENT) {
    switch (event.window.event) {
      case SDL_WINDOWEVENT_SIZE_CHANGED:
      case SDL_WINDOWEVENT_MINIMIZED:
      case SDL_WINDOWEVENT_MAXIMIZED:
      case SDL_WINDOWEVENT_RESTORED:
        follow_size(SDL_GetWindowFromID(event.window.windowID));
        break;
    }
  }
}

int message_take(int *quit) {
  SDL_Event event;
  if (SDL_PollEvent(&event)) {
    window_event(event);
    return 1;
  }
  if (quitPosted) {
    // Like a posted quit message, it comes after everything queued before it.
    quitPosted = 0;
    *quit = 1;
    return 1;
  }
  return 0;
}

void message_discard() {
  // A close request or Escape is left in the queue for the next frame to
  // take; anything else arriving while a frame was drawn is dropped.
  SDL_PumpEvents();
  SDL_Event event;
  if (SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
      !asks_to_quit(event))
    SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
}

int escape_down() { return SDL_GetKeyboardState(nullptr)[SDL_SCANCODE_ESCAPE]; }

void window_swap(WindowContext *context) { SDL_GL_SwapWindow(window_of(context)); }

// --- graphics and messages ---------------------------------------------------

void *gl_proc(const char *name) { return SDL_GL_GetProcAddress(name); }

void message_box(const char *text, const char *caption) {
  std::fprintf(stderr, "%s: %s\n", caption, text);
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, caption, text, nullptr);
}

// --- audio and time ------------------------------------------------------------

static SDL_AudioDeviceID audioDevice;
static const unsigned char *audioData;
static uint32_t audioBytes;
static std::atomic<int64_t> audioFed;  // bytes handed to the device, silence included
static int64_t audioLatency;          // bytes the device holds before they are heard

static void SDLCALL audio_feed(void *, Uint8 *stream, int len) {
  int64_t fed = audioFed.load(std::memory_order_relaxed);
  int64_t left = fed < audioBytes ? audioBytes - fed : 0;
  int n = left < len ? static_cast<int>(left) : len;
  if (n > 0) std::memcpy(stream, audioData + fed, n);
  std::memset(stream + n, 0, len - n);
  audioFed.store(fed + len, std::memory_order_relaxed);
}

int audio_play(const void *data, uint32_t bytes) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
  audioData = static_cast<const unsigned char *>(data);
  audioBytes = bytes;
  audioFed = 0;
  SDL_AudioSpec want = {}, have = {};
  want.freq = 44100;
  want.format = AUDIO_S16LSB;
  want.channels = 2;
  want.samples = 2048;  // 46 ms: room for a busy machine, and the clock subtracts it
  want.callback = audio_feed;
  audioDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (!audioDevice) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return 0;
  }
  audioLatency = 4 * static_cast<int64_t>(have.samples);
  SDL_PauseAudioDevice(audioDevice, 0);
  return 1;
}

int64_t audio_played() {
  int64_t played = audioFed.load(std::memory_order_relaxed) - audioLatency;
  return played > 0 ? played : 0;
}

void audio_stop() {
  SDL_CloseAudioDevice(audioDevice);
  audioDevice = 0;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

double clock_seconds() {
  return static_cast<double>(SDL_GetPerformanceCounter()) / static_cast<double>(SDL_GetPerformanceFrequency());
}
