// The Windows backend of the platform layer: a Win32 window and its message
// queue, an OpenGL context through WGL, glyph outlines from GDI and the
// wave-out device of the Windows multimedia library.
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>

#include "gl.h"
#include "platform.h"

// --- window, context and messages ----------------------------------------

ModuleHandle module_handle() { return GetModuleHandleA(nullptr); }

// Double buffered, 32-bit RGBA with 8 bits of alpha (the masks travel in the
// alpha channel from pass to pass) and a depth buffer.
static PIXELFORMATDESCRIPTOR pixelFormat = {
    sizeof(PIXELFORMATDESCRIPTOR),                               // nSize: 40
    1,                                                           // nVersion
    PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER,  // dwFlags: 0x25
    PFD_TYPE_RGBA,                                               // iPixelType
    32,                                                          // cColorBits
    0, 0, 0, 0, 0, 0,  // cRedBits, cRedShift, cGreenBits, cGreenShift, cBlueBits, cBlueShift
    8,                 // cAlphaBits
    0,                 // cAlphaShift
    0, 0, 0, 0, 0,     // cAccumBits, cAccumRedBits, cAccumGreenBits, cAccumBlueBits, cAccumAlphaBits
    32,                // cDepthBits
    0,                 // cStencilBits
    0,                 // cAuxBuffers
    PFD_MAIN_PLANE,    // iLayerType
    0,                 // bReserved
    0, 0, 0,           // dwLayerMask, dwVisibleMask, dwDamageMask
};
static_assert(sizeof pixelFormat == 40);

static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // The first row that matches decides.
  if (message == WM_SYSCOMMAND && (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER))
    return 0;  // no screen saver, no monitor power-down
  if (message == WM_CLOSE || message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
    PostQuitMessage(0);
    return 0;
  }
  if (message == WM_SIZE) {
    // Without a current context (during CreateWindowExA) this does nothing.
    glViewport(0, 0, LOWORD(lParam), HIWORD(lParam));
  } else if (message == WM_CHAR && wParam == 0x1B) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hWnd, message, wParam, lParam);
}

int window_init(WindowContext *context) {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = context->hInstance;
  windowClass.lpszClassName = context->className;
  windowClass.hbrBackground = CreateSolidBrush(0x102030);  // red 48, green 32, blue 16
  if (!RegisterClassA(&windowClass)) return 0;

  DWORD exStyle = 0;
  DWORD style = WS_POPUP | WS_VISIBLE | WS_OVERLAPPEDWINDOW;
  if (context->fullscreen) {
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmBitsPerPel = 32;
    mode.dmPelsWidth = 800;
    mode.dmPelsHeight = 600;
    if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) return 0;
    exStyle = WS_EX_APPWINDOW;
    style = WS_POPUP | WS_VISIBLE;
    while (ShowCursor(FALSE) >= 0) {
    }
  }

  // The window's size with its frame, centred on the primary screen; the
  // halves round towards minus infinity, so a window wider than the screen
  // starts left of it.
  RECT rect = {0, 0, 800, 600};
  AdjustWindowRect(&rect, style, FALSE);
  int width = rect.right - rect.left;
  int height = rect.bottom - rect.top;
  int x = (GetSystemMetrics(SM_CXSCREEN) - width) >> 1;
  int y = (GetSystemMetrics(SM_CYSCREEN) - height) >> 1;

  context->hWnd = CreateWindowExA(exStyle, context->className, "Intro", style, x, y, width, height,
                                  nullptr, nullptr, context->hInstance, nullptr);
  if (!context->hWnd) return 0;
  context->hDC = GetDC(context->hWnd);
  if (!context->hDC) return 0;
  int format = ChoosePixelFormat(context->hDC, &pixelFormat);
  if (!format) return 0;
  if (!SetPixelFormat(context->hDC, format, &pixelFormat)) return 0;
  context->hRC = wglCreateContext(context->hDC);
  if (!context->hRC) return 0;
  if (!wglMakeCurrent(context->hDC, context->hRC)) return 0;
  return 1;
}

void window_end(WindowContext *context) {
  if (context->hRC) {
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(context->hRC);
  }
  if (context->hDC) ReleaseDC(context->hWnd, context->hDC);
  if (context->hWnd) DestroyWindow(context->hWnd);
  UnregisterClassA(context->className, context->hInstance);
  if (context->fullscreen) {
    ChangeDisplaySettingsA(nullptr, 0);
    while (ShowCursor(TRUE) < 0) {
    }
  }
}

int message_take(int *quit) {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return 0;
  if (msg.message == WM_QUIT) *quit = 1;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return 1;
}

// The messages that end the show, directly or through the window's default
// handling: the close button (under X11 it arrives as a posted SC_CLOSE, on
// Windows as a click on the frame's close box), Alt+F4, Escape, and the quit
// request itself.
static int asks_to_quit(const MSG &msg) {
  switch (msg.message) {
    case WM_QUIT:
    case WM_CLOSE:
      return 1;
    case WM_KEYDOWN:
    case WM_CHAR:
      return msg.wParam == VK_ESCAPE;  // the key and its character are both 0x1B
    case WM_SYSKEYDOWN:
      return msg.wParam == VK_F4;
    case WM_SYSCOMMAND:
      return (msg.wParam & 0xFFF0) == SC_CLOSE;
    case WM_NCLBUTTONDOWN:
      return msg.wParam == HTCLOSE;
  }
  return 0;
}

void message_discard() {
  // A request to end the show stays queued for the next frame to take;
  // anything else that arrived while the frame was drawn is dropped.
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) || asks_to_quit(msg)) return;
  // The filter names the message kind just seen, so that a request to end
  // queued meanwhile is not removed in its place.
  PeekMessageA(&msg, nullptr, msg.message, msg.message, PM_REMOVE);
}

int escape_down() { return GetAsyncKeyState(VK_ESCAPE) != 0; }

void window_swap(WindowContext *context) { SwapBuffers(context->hDC); }

// --- graphics and messages ---------------------------------------------------

void *gl_proc(const char *name) { return reinterpret_cast<void *>(wglGetProcAddress(name)); }

void font_outlines(DeviceHandle dc, const char *face, int first, int count, unsigned list, float extrusion) {
  // Height -120: a character height of 120 logical units. The font stays
  // selected in the window's device context for the life of the process.
  HFONT font = CreateFontA(-120, 0, 0, 0, FW_THIN, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                           CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
  SelectObject(dc, font);
  // Deviation 0: the finest approximation of the curves.
  wglUseFontOutlinesA(dc, first, count, list, 0.0f, extrusion, WGL_FONT_POLYGONS, nullptr);
}

void message_box(const char *text, const char *caption) {
  std::fprintf(stderr, "%s: %s\n", caption, text);
  std::fflush(stderr);
  MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONWARNING);
}

// --- audio and time ------------------------------------------------------------

static HWAVEOUT wavehand;
static WAVEFORMATEX WaveForm = {WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
static WAVEHDR WaveHdr;  // one buffer, played once: no loop flags
static MMTIME WaveTime = {TIME_BYTES, {0}};

int audio_play(const void *data, uint32_t bytes) {
  if (waveOutOpen(&wavehand, WAVE_MAPPER, &WaveForm, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
    wavehand = nullptr;
    return 0;
  }
  WaveHdr.lpData = static_cast<LPSTR>(const_cast<void *>(data));
  WaveHdr.dwBufferLength = bytes;
  if (waveOutPrepareHeader(wavehand, &WaveHdr, sizeof WaveHdr) != MMSYSERR_NOERROR) {
    waveOutClose(wavehand);
    wavehand = nullptr;
    return 0;
  }
  if (waveOutWrite(wavehand, &WaveHdr, sizeof WaveHdr) != MMSYSERR_NOERROR) {
    audio_stop();
    return 0;
  }
  return 1;
}

int64_t audio_played() {
  // A device may answer in another unit than the bytes asked for.
  WaveTime.wType = TIME_BYTES;
  if (waveOutGetPosition(wavehand, &WaveTime, sizeof WaveTime) != MMSYSERR_NOERROR) return 0;
  switch (WaveTime.wType) {
    case TIME_BYTES:
      return WaveTime.u.cb;
    case TIME_SAMPLES:
      return int64_t{WaveTime.u.sample} * WaveForm.nBlockAlign;
    case TIME_MS:
      return int64_t{WaveTime.u.ms} * WaveForm.nAvgBytesPerSec / 1000;
  }
  return 0;
}

void audio_stop() {
  waveOutReset(wavehand);
  waveOutUnprepareHeader(wavehand, &WaveHdr, sizeof WaveHdr);
  waveOutClose(wavehand);
  wavehand = nullptr;
}

double clock_seconds() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}
