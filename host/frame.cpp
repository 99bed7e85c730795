#include "frame.h"

#include "gl.h"
#include "platform.h"
#include "shader.h"
#include "text.h"

const char *glEntryNames[8] = {
    "glCreateShaderProgramv", "glGenProgramPipelines", "glBindProgramPipeline",
    "glUseProgramStages",     "glProgramUniform1f",    "glGetProgramiv",
    "glGetProgramInfoLog",    "glGetShaderInfoLog",
};
void *glEntryPoints[8];

// The source pointer's own address is the one-element array of strings.
static const char *shaderSourcePtr = shaderSource;
static char programLog[1024];

int intro_init() {
  for (int slot = 0; slot < 8; slot++) {
    glEntryPoints[slot] = gl_proc(glEntryNames[slot]);
    if (!glEntryPoints[slot]) return 0;
  }
  return 1;
}

int program_init() {
  GLuint program = reinterpret_cast<PFNGLCREATESHADERPROGRAMVPROC>(gl_proc("glCreateShaderProgramv"))(
      GL_FRAGMENT_SHADER, 1, &shaderSourcePtr);
  reinterpret_cast<PFNGLUSEPROGRAMPROC>(gl_proc("glUseProgram"))(program);
  GLint linked = 0;
  reinterpret_cast<PFNGLGETPROGRAMIVPROC>(glEntryPoints[5])(program, GL_LINK_STATUS, &linked);
  reinterpret_cast<PFNGLGETPROGRAMINFOLOGPROC>(glEntryPoints[6])(program, sizeof programLog, nullptr,
                                                                  programLog);
  if (!linked) message_box(programLog, "ProgramInfo");
  return linked != 0;
}

// uU = (x, y), the entry point looked up afresh for every write.
static void set_uU(float x, float y) {
  reinterpret_cast<PFNGLUNIFORM2FPROC>(gl_proc("glUniform2f"))(1, x, y);
}

void frame_draw(float t, int last) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  // Noise into R.
  glColorMask(GL_TRUE, GL_FALSE, GL_FALSE, GL_TRUE);
  set_uU(0, 0);
  glLoadIdentity();
  glRects(-1, -1, 1, 1);
  if (last == pass_noise) return;

  // Title coverage into G.
  glColorMask(GL_FALSE, GL_TRUE, GL_FALSE, GL_TRUE);
  set_uU(0, 1);
  text_draw_titles();
  if (last == pass_titles) return;

  // Greeting coverage into B, same uniform.
  glColorMask(GL_FALSE, GL_FALSE, GL_TRUE, GL_TRUE);
  text_draw_greetings();
  glLoadIdentity();
  if (last == pass_greetings) return;

  // Texture 1 on unit 0, sampled without mipmaps.
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glBindTexture(GL_TEXTURE_2D, 1);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  if (last == pass_setup) return;

  // Scene, then post: each reads the frame as it stands so far.
  for (float k = 0; k < 2; k++) {
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 0, 0, 800, 600, 0);
    set_uU(t, 2 + k);
    glRects(-1, -1, 1, 1);
    if (last == pass_scene) return;
  }
}
