#include "gl_harness.h"

#include <cstring>

#include "frame.h"
#include "headless.h"
#include "shader.h"
#include "text.h"

GLuint GlHarness::show;
static bool ready;

std::array<int, 4> Pixels::at(int x, int y) const {
  const uint8_t *p = &rgba[(static_cast<size_t>(y) * frameWidth + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

float Pixels::number(int x, int y) const {
  auto c = at(x, y);
  uint32_t bits = static_cast<uint32_t>(c[0]) | static_cast<uint32_t>(c[1]) << 8 |
                  static_cast<uint32_t>(c[2]) << 16 | static_cast<uint32_t>(c[3]) << 24;
  float value;
  std::memcpy(&value, &bits, 4);
  return value;
}

int Pixels::max_in_rows(int y0, int y1, int channel) const {
  int best = 0;
  for (int y = y0; y <= y1; y++)
    for (int x = 0; x < frameWidth; x++)
      for (int c = 0; c < 4; c++)
        if (channel < 0 || channel == c) best = std::max(best, at(x, y)[c]);
  return best;
}

void GlHarness::SetUpTestSuite() {
  if (ready) return;
  ASSERT_TRUE(headless_init()) << headless_error();
  text_init(nullptr);
  ASSERT_TRUE(intro_init());
  ASSERT_TRUE(program_init());
  GLint current = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  show = static_cast<GLuint>(current);
  ready = true;
}

void GlHarness::TearDownTestSuite() {}

void GlHarness::SetUp() {
  ASSERT_TRUE(ready) << "no windowless OpenGL context";
  use(show);
}

GLuint GlHarness::build_with_main(const std::string &main) {
  std::string source = std::string(shaderFunctions) + main;
  const char *text = source.c_str();
  auto create = reinterpret_cast<PFNGLCREATESHADERPROGRAMVPROC>(gl_proc("glCreateShaderProgramv"));
  auto getiv = reinterpret_cast<PFNGLGETPROGRAMIVPROC>(gl_proc("glGetProgramiv"));
  auto getlog = reinterpret_cast<PFNGLGETPROGRAMINFOLOGPROC>(gl_proc("glGetProgramInfoLog"));
  GLuint program = create(GL_FRAGMENT_SHADER, 1, &text);
  GLint linked = 0;
  getiv(program, GL_LINK_STATUS, &linked);
  char log[4096] = "";
  getlog(program, sizeof log, nullptr, log);
  EXPECT_TRUE(linked) << log;
  return program;
}

void GlHarness::use(GLuint program) {
  reinterpret_cast<PFNGLUSEPROGRAMPROC>(gl_proc("glUseProgram"))(program);
}

void GlHarness::fill(const std::vector<uint8_t> &rgba) {
  glBindTexture(GL_TEXTURE_2D, 1);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, frameWidth, frameHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
               rgba.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
}

void GlHarness::fill_constant(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  std::vector<uint8_t> rgba(static_cast<size_t>(frameWidth) * frameHeight * 4);
  for (size_t i = 0; i < rgba.size(); i += 4) {
    rgba[i] = r;
    rgba[i + 1] = g;
    rgba[i + 2] = b;
    rgba[i + 3] = a;
  }
  fill(rgba);
}

void GlHarness::draw(float time, float mode, int y0, int y1) {
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_SCISSOR_TEST);
  glScissor(0, y0, frameWidth, y1 - y0 + 1);
  reinterpret_cast<PFNGLUNIFORM2FPROC>(gl_proc("glUniform2f"))(1, time, mode);
  glLoadIdentity();
  glRects(-1, -1, 1, 1);
  glDisable(GL_SCISSOR_TEST);
}

Pixels GlHarness::read() {
  Pixels pixels;
  pixels.rgba.resize(static_cast<size_t>(frameWidth) * frameHeight * 4);
  headless_read(pixels.rgba.data());
  return pixels;
}
