// The fragment program's frame and post pass, one pass at a time in a
// windowless context.
#include <cmath>

#include "frame.h"
#include "gl_harness.h"

namespace {

using ShaderFrame = GlHarness;

// Counts distinct values of channel c along a pixel row.
int distinct_in_row(const Pixels &p, int y, int c) {
  bool seen[256] = {};
  int n = 0;
  for (int x = 0; x < 800; x++) {
    int v = p.at(x, y)[c];
    if (!seen[v]) n += (seen[v] = true);
  }
  return n;
}

enum Kind { noise, white, scene_empty, post };

TEST_F(ShaderFrame, PassModeIsChosenByThresholds) {
  struct Case {
    float mode;
    Kind kind;
  } cases[] = {{-1, noise}, {0, noise},    {0.5f, white}, {1, white}, {1.5f, scene_empty},
               {2, scene_empty}, {2.5f, post}, {3, post},     {7, post}};
  fill_constant(200, 100, 50, 255);
  for (const Case &c : cases) {
    SCOPED_TRACE(c.mode);
    // Before 1 s the scene pass draws nothing, which tells it from the post pass.
    draw(0.5f, c.mode, 290, 310);
    Pixels p = read();
    auto centre = p.at(400, 300);
    switch (c.kind) {
      case noise:
        EXPECT_GT(distinct_in_row(p, 300, 0), 100);
        EXPECT_EQ(centre[0], centre[1]);
        EXPECT_EQ(centre[0], centre[3]);
        break;
      case white:
        EXPECT_EQ(p.max_in_rows(300, 300), 255);
        EXPECT_EQ(centre, (std::array<int, 4>{255, 255, 255, 255}));
        break;
      case scene_empty:
        EXPECT_EQ(p.max_in_rows(290, 310), 0);
        break;
      case post:
        EXPECT_EQ(centre[3], 255);
        EXPECT_GT(centre[0], 0);
        break;
    }
  }
}

TEST_F(ShaderFrame, ScenePassIsEmptyBeforeOneSecondAndInItsLetterbox) {
  fill_constant(128, 128, 128, 255);
  for (float t : {-1.f, 0.f, 0.5f, 0.999f}) {
    SCOPED_TRACE(t);
    draw(t, 2);
    EXPECT_EQ(read().max_in_rows(0, 599), 0);
  }
  for (float t : {20.f, 45.f, 140.f}) {
    SCOPED_TRACE(t);
    draw(t, 2);
    Pixels p = read();
    EXPECT_EQ(p.max_in_rows(0, 59), 0);
    EXPECT_EQ(p.max_in_rows(540, 599), 0);
    EXPECT_EQ(p.max_in_rows(60, 60, 3), 255);
    EXPECT_EQ(p.max_in_rows(539, 539, 3), 255);
  }
}

// The scene pass of the frame at t, with or without the greeting lines in B.
Pixels scene_at(float t, bool greetings) {
  if (greetings) {
    frame_draw(t, pass_scene);
  } else {
    frame_draw(t, pass_titles);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glLoadIdentity();
    glBindTexture(GL_TEXTURE_2D, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 0, 0, 800, 600, 0);
    reinterpret_cast<PFNGLUNIFORM2FPROC>(gl_proc("glUniform2f"))(1, t, 2);
    glRects(-1, -1, 1, 1);
  }
  return GlHarness::read();
}

TEST_F(ShaderFrame, GreetingBandIsPaintedOnTheGroundInOddBlocksOnly) {
  // 57 s lies in block 8 of warped time, 60 s in block 9.
  for (float t : {57.f, 60.f}) {
    SCOPED_TRACE(t);
    Pixels with = scene_at(t, true), without = scene_at(t, false);
    int brighter = 0;
    for (int y = 60; y < 540; y++)
      for (int x = 0; x < 800; x++) brighter += with.at(x, y)[0] > without.at(x, y)[0] + 8;
    if (t < 58) EXPECT_EQ(brighter, 0);
    else EXPECT_GT(brighter, 2000);
  }
}

TEST_F(ShaderFrame, NoiseIsFixedPerPixelAndLeftAloneByTheGlyphPasses) {
  frame_draw(0, pass_noise);
  Pixels first = read();
  frame_draw(37.5f, pass_greetings);
  Pixels afterGlyphs = read();
  int differing = 0;
  for (int y = 0; y < 600; y++)
    for (int x = 0; x < 800; x++) differing += first.at(x, y)[0] != afterGlyphs.at(x, y)[0];
  EXPECT_EQ(differing, 0);
  EXPECT_GT(distinct_in_row(first, 123, 0), 100);
  EXPECT_EQ(first.max_in_rows(0, 599, 1), 0);
}

TEST_F(ShaderFrame, NoiseFbmOfAConstantFieldIsThatConstant) {
  GLuint program = build_with_main("void main() { fragColor = vec4(noiseFbm(F.xy * 1.37 + 3.1)); }\n");
  use(program);
  for (int c : {0, 51, 200, 255}) {
    SCOPED_TRACE(c);
    fill_constant(static_cast<uint8_t>(c), 0, 0, 0);
    draw(0, 0, 0, 20);
    Pixels p = read();
    for (int x : {0, 17, 399, 799}) EXPECT_NEAR(p.at(x, 10)[0], c, 1);
  }
}

TEST_F(ShaderFrame, BlurOfAConstantFieldBrightensBy1369Over1296) {
  GLuint program = build_with_main(
      "void main() {\n"
      "  sceneCamera = int(uU.x); screenUV = F.xy / resolution;\n"
      "  fragColor = vec4(blurSample(vec3(screenUV, screenUV.y)), 1);\n"
      "}\n");
  use(program);
  for (int camera : {3, 4}) {
    for (int c : {0, 77, 128, 240}) {
      SCOPED_TRACE(camera * 1000 + c);
      fill_constant(static_cast<uint8_t>(c), static_cast<uint8_t>(c), static_cast<uint8_t>(c), 255);
      double expected = std::min(255.0, c * 1369.0 / 1296.0);
      for (int y : {80, 300, 560}) {
        draw(static_cast<float>(camera), 0, y, y);
        Pixels p = read();
        for (int x : {0, 400, 799}) EXPECT_NEAR(p.at(x, y)[0], expected, 1.01);
      }
    }
  }
}

TEST_F(ShaderFrame, BlurSpreadVanishesSidewaysAtTheMiddleRowAndVerticallyAtRow240) {
  GLuint program = build_with_main(
      "void main() {\n"
      "  sceneCamera = 4; screenUV = F.xy / resolution;\n"
      "  fragColor = vec4(blurSample(vec3(screenUV, screenUV.y)), 1);\n"
      "}\n");
  use(program);
  // Stripes of 0 and 100, one texel wide: any spread across them averages to 50.
  std::vector<uint8_t> columns(800 * 600 * 4), rows(800 * 600 * 4);
  for (int y = 0; y < 600; y++)
    for (int x = 0; x < 800; x++) {
      columns[(y * 800 + x) * 4] = x % 2 ? 100 : 0;
      rows[(y * 800 + x) * 4] = y % 2 ? 100 : 0;
    }
  fill(columns);
  draw(0, 0, 300, 300);
  EXPECT_NEAR(read().at(401, 300)[0], 100 * 1369.0 / 1296.0, 1.01);
  fill(rows);
  draw(0, 0, 240, 241);
  Pixels p = read();
  EXPECT_NEAR(p.at(400, 241)[0], 100 * 1369.0 / 1296.0, 1.01);
  EXPECT_NEAR(p.at(400, 240)[0], 0, 1.01);
  // Far from those rows the taps spread over both stripes.
  draw(0, 0, 500, 500);
  EXPECT_NEAR(read().at(400, 500)[0], 50 * 1369.0 / 1296.0, 6);
}

TEST_F(ShaderFrame, PostPassLetterboxesRows0To74And525To599) {
  fill_constant(180, 160, 140, 255);
  draw(30, 3);
  Pixels p = read();
  EXPECT_EQ(p.max_in_rows(0, 74), 0);
  EXPECT_EQ(p.max_in_rows(525, 599), 0);
  EXPECT_EQ(p.at(400, 75)[3], 255);
  EXPECT_EQ(p.at(400, 524)[3], 255);
  EXPECT_GT(p.at(400, 75)[0], 0);
}

TEST_F(ShaderFrame, VignetteIsOneAtTheCentreAndFallsTowardsTheEdges) {
  // A bright field saturates the grading curve, leaving only the vignette
  // raised to the display gamma.
  fill_constant(240, 240, 240, 255);
  draw(30, 3);
  Pixels p = read();
  auto vignette = [](int x, int y) {
    double u = (x + 0.5) / 800, v = (y + 0.5) / 600;
    return 0.5 + 0.5 * std::pow(16 * u * v * (1 - u) * (1 - v), 0.3);
  };
  EXPECT_EQ(p.at(400, 300)[0], 255);
  EXPECT_NEAR(vignette(400, 75), 0.890, 0.001);
  for (int c = 0; c < 3; c++) {
    EXPECT_NEAR(p.at(400, 75)[c], 255 * std::pow(vignette(400, 75), 0.4545), 1.01);
    EXPECT_NEAR(p.at(5, 300)[c], 255 * std::pow(vignette(5, 300), 0.4545), 1.01);
  }
}

TEST_F(ShaderFrame, SceneAlphaCutsThePictureOnlyInTheTwoTitleWindows) {
  // With alpha a, a cut-out pixel of colour c looks like colour c * a
  // without any cut; the constant field makes the blur radius irrelevant.
  enum Cut { none, full, partly };
  struct Case {
    float time;
    Cut cut;
  } cases[] = {{14, none}, {14.3f, partly}, {20, full},   {26, none},
               {30, none}, {150, none},     {160, full},  {170, none}};
  auto centre = [](float t, uint8_t colour, uint8_t alpha) {
    fill_constant(colour, colour, colour, alpha);
    draw(t, 3, 300, 300);
    return read().at(400, 300)[1];
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.time);
    int uncut = centre(c.time, 204, 255);
    int halfAlpha = centre(c.time, 204, 128);
    int halfColour = centre(c.time, 102, 255);
    switch (c.cut) {
      case none:
        EXPECT_EQ(halfAlpha, uncut);
        EXPECT_EQ(centre(c.time, 204, 0), uncut);
        break;
      case full:
        EXPECT_NEAR(halfAlpha, halfColour, 2);
        EXPECT_EQ(centre(c.time, 204, 0), 0);
        break;
      case partly:
        EXPECT_GT(halfAlpha, halfColour + 2);
        EXPECT_LT(halfAlpha, uncut - 2);
        break;
    }
  }
}

}  // namespace
