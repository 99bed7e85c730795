// The text layer: where the titles and greeting lines land in the coverage
// channels, the space glyph, and the fresh matrix of every greeting line.
#include "frame.h"
#include "gl_harness.h"
#include "text.h"

namespace {

using TextLayer = GlHarness;

// Covered pixels of channel c in pixel row y (window rows count upwards).
int coverage(const Pixels &p, int y, int c) {
  int n = 0;
  for (int x = 0; x < 800; x++) n += p.at(x, y)[c] > 127;
  return n;
}

// The row within [from, to] where coverage grows the most over the row
// below it: the baseline, where the glyph bodies start above the descenders.
int baseline_row(const Pixels &p, int from, int to, int c) {
  int best = from, growth = -1;
  for (int y = from; y <= to; y++) {
    int g = coverage(p, y, c) - coverage(p, y - 1, c);
    if (g > growth) best = y, growth = g;
  }
  return best;
}

TEST_F(TextLayer, TitlesAndGreetingsSitOnTheirBaselineRows) {
  frame_draw(0, pass_greetings);
  Pixels p = read();
  for (int baseline : {165, 255, 345}) EXPECT_NEAR(baseline_row(p, baseline - 12, baseline + 12, 1), baseline, 1);
  for (int i = 0; i < 7; i++) {
    int baseline = 510 - 75 * i;
    EXPECT_NEAR(baseline_row(p, baseline - 10, baseline + 10, 2), baseline, 1) << i;
  }
  // Above the titles only the top greeting line covers.
  EXPECT_EQ(coverage(p, 520, 1), 0);
  EXPECT_GT(coverage(p, 520, 2), 20);
}

TEST_F(TextLayer, EveryGreetingLineStartsAtTheLeftEdge) {
  frame_draw(0, pass_greetings);
  Pixels p = read();
  for (int i = 0; i < 7; i++) {
    SCOPED_TRACE(i);
    // Leftmost covered column over the line's lower-case body.
    int base = 510 - 75 * i, left = 800;
    for (int y = base + 2; y < base + 30; y++)
      for (int x = 0; x < 800; x++)
        if (p.at(x, y)[2] > 127) {
          left = std::min(left, x);
          break;
        }
    // The pen starts at window x 4; the first glyph's side bearing adds a
    // little; a line drawn after another's advance would start far right.
    EXPECT_GE(left, 4);
    EXPECT_LE(left, 24);
  }
}

TEST_F(TextLayer, SpaceAdvancesWithoutDrawing) {
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glClear(GL_COLOR_BUFFER_BIT);
  reinterpret_cast<PFNGLUNIFORM2FPROC>(gl_proc("glUniform2f"))(1, 0, 1);
  glLoadIdentity();
  glScalef(0.2f, 0.2f, 0.2f);
  glCallLists(3, GL_UNSIGNED_BYTE, "   ");
  GLfloat matrix[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
  EXPECT_EQ(read().max_in_rows(0, 599), 0);
  // Three advances of a space: between 0.2 and 0.4 em each, 0.2 units per em.
  EXPECT_GT(matrix[12], 3 * 0.2f * 0.2f);
  EXPECT_LT(matrix[12], 3 * 0.4f * 0.2f);
  glLoadIdentity();
}

}  // namespace
