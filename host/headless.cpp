#include "headless.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>
#include <cstring>

#include "gl.h"
#include "platform.h"

static EGLDisplay display = EGL_NO_DISPLAY;
static EGLContext context = EGL_NO_CONTEXT;
static GLuint framebuffer, colour, depth;
static const char *error = "";

static int has_extension(const char *list, const char *name) {
  if (!list) return 0;
  size_t n = std::strlen(name);
  for (const char *p = list; (p = std::strstr(p, name)); p += n)
    if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == 0)) return 1;
  return 0;
}

// Initialises `candidate` and creates a compatibility context on it.
static int try_display(EGLDisplay candidate) {
  if (candidate == EGL_NO_DISPLAY || !eglInitialize(candidate, nullptr, nullptr)) return 0;
  if (!has_extension(eglQueryString(candidate, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context") ||
      !eglBindAPI(EGL_OPENGL_API)) {
    eglTerminate(candidate);
    return 0;
  }
  const EGLint configAttribs[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  eglChooseConfig(candidate, configAttribs, &config, 1, &count);
  const EGLint contextAttribs[] = {EGL_CONTEXT_MAJOR_VERSION, 4, EGL_CONTEXT_MINOR_VERSION, 3,
                                   EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                   EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
  EGLContext created = eglCreateContext(candidate, count ? config : EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT,
                                        contextAttribs);
  if (created == EGL_NO_CONTEXT ||
      !eglMakeCurrent(candidate, EGL_NO_SURFACE, EGL_NO_SURFACE, created)) {
    if (created != EGL_NO_CONTEXT) eglDestroyContext(candidate, created);
    eglTerminate(candidate);
    return 0;
  }
  display = candidate;
  context = created;
  return 1;
}

// Mesa's surfaceless platform first (it picks a GPU's render node where
// there is one), then the EGL devices a GPU driver offers.
static int open_display() {
  const char *clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  auto getPlatformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getPlatformDisplay) return try_display(eglGetDisplay(EGL_DEFAULT_DISPLAY));
  if (has_extension(clientExtensions, "EGL_MESA_platform_surfaceless") &&
      try_display(getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr)))
    return 1;
  auto queryDevices = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
  if (has_extension(clientExtensions, "EGL_EXT_platform_device") && queryDevices) {
    EGLDeviceEXT devices[16];
    EGLint count = 0;
    if (queryDevices(16, devices, &count))
      for (EGLint i = 0; i < count; i++)
        if (try_display(getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr))) return 1;
  }
  return try_display(eglGetDisplay(EGL_DEFAULT_DISPLAY));
}

int headless_init() {
  if (!open_display()) {
    error = "no EGL display offers an OpenGL 4.3 compatibility context";
    return 0;
  }
  auto genFramebuffers = reinterpret_cast<PFNGLGENFRAMEBUFFERSPROC>(gl_proc("glGenFramebuffers"));
  auto bindFramebuffer = reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(gl_proc("glBindFramebuffer"));
  auto genRenderbuffers = reinterpret_cast<PFNGLGENRENDERBUFFERSPROC>(gl_proc("glGenRenderbuffers"));
  auto bindRenderbuffer = reinterpret_cast<PFNGLBINDRENDERBUFFERPROC>(gl_proc("glBindRenderbuffer"));
  auto storage = reinterpret_cast<PFNGLRENDERBUFFERSTORAGEPROC>(gl_proc("glRenderbufferStorage"));
  auto attach = reinterpret_cast<PFNGLFRAMEBUFFERRENDERBUFFERPROC>(gl_proc("glFramebufferRenderbuffer"));
  auto status = reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSPROC>(gl_proc("glCheckFramebufferStatus"));
  genRenderbuffers(1, &colour);
  bindRenderbuffer(GL_RENDERBUFFER, colour);
  storage(GL_RENDERBUFFER, GL_RGBA8, frameWidth, frameHeight);
  genRenderbuffers(1, &depth);
  bindRenderbuffer(GL_RENDERBUFFER, depth);
  storage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, frameWidth, frameHeight);
  genFramebuffers(1, &framebuffer);
  bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  attach(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
  attach(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
  if (status(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    error = "the 800x600 RGBA8 frame buffer is incomplete";
    headless_end();
    return 0;
  }
  glViewport(0, 0, frameWidth, frameHeight);
  return 1;
}

const char *headless_error() { return error; }

const char *headless_renderer() {
  const GLubyte *name = glGetString(GL_RENDERER);
  return name ? reinterpret_cast<const char *>(name) : "unknown";
}

void headless_read(uint8_t *rgba) {
  glFinish();
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, frameWidth, frameHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

void headless_end() {
  if (display == EGL_NO_DISPLAY) return;
  eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
  eglTerminate(display);
  display = EGL_NO_DISPLAY;
  context = EGL_NO_CONTEXT;
  framebuffer = colour = depth = 0;
}

// The platform functions that windowless programs need.
void *gl_proc(const char *name) { return reinterpret_cast<void *>(eglGetProcAddress(name)); }

void message_box(const char *text, const char *caption) {
  // No one to click a box away: the text goes to stderr only.
  std::fprintf(stderr, "%s: %s\n", caption, text);
}
