// gl_harness.h - runs single passes of the fragment program in a windowless
// context, on texture contents the test chooses.
//
//   GlHarness is a gtest fixture: the context and the show's program are set
//   up once per test program. fill() sets texture 1, draw() runs one
//   full-screen rectangle with uU = (time, mode), read() returns the frame.
#pragma once
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "gl.h"
#include "platform.h"

struct Pixels {
  std::vector<uint8_t> rgba;  // 800 x 600, bottom row first
  std::array<int, 4> at(int x, int y) const;
  // The float a test program wrote as unpackUnorm4x8(floatBitsToUint(v)).
  float number(int x, int y) const;
  // Largest channel value over rows [y0, y1] and all columns (channel -1: any).
  int max_in_rows(int y0, int y1, int channel = -1) const;
};

class GlHarness : public ::testing::Test {
 public:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;

  // The show's program, built once.
  static GLuint show;
  // A program of the shader's functions with `main` appended; fails the test
  // with the program's log when it does not link.
  static GLuint build_with_main(const std::string &main);
  static void use(GLuint program);

  // Texture 1 (unit 0, linear filtering) with the given contents.
  static void fill(const std::vector<uint8_t> &rgba);
  static void fill_constant(uint8_t r, uint8_t g, uint8_t b, uint8_t a);
  // Clears the frame to (0, 0, 0, 0), then draws the full-screen rectangle
  // with uU = (time, mode); rows outside [y0, y1] are left cleared to save time.
  static void draw(float time, float mode, int y0 = 0, int y1 = 599);
  static Pixels read();
};
