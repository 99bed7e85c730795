// Glyph outlines on Linux: the face that fontconfig matches for the asked
// family (the platform's serif face when it is not installed), outlines read
// by FreeType in font units, curves flattened to within one font unit,
// polygons from the GLU tessellator. Each character gets one display list:
// the glyph filled at z = 0 and at z = -extrusion, the side walls between,
// then a translation by the advance. Units: one em is 1.0.
#include <GL/glu.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cmath>
#include <cstdlib>

#include "gl.h"
#include "platform.h"

namespace {

// One glyph's flattened outline: points in em units, contours as ranges.
constexpr int maxPoints = 16384;
constexpr int maxContours = 512;
struct Outline {
  double point[maxPoints][3];
  int points;
  int contourStart[maxContours + 1];
  int contours;
  double scale;  // em per font unit
  FT_Vector pen; // last point, font units
};

Outline outline;
// Vertices the tessellator makes where edges cross; they must live until
// the polygon is finished.
double combined[4096][3];
int combinedCount;

void add_point(double x, double y) {
  if (outline.points >= maxPoints) return;
  double *p = outline.point[outline.points++];
  p[0] = x * outline.scale;
  p[1] = y * outline.scale;
  p[2] = 0;
}

int move_to(const FT_Vector *to, void *) {
  if (outline.contours < maxContours) outline.contourStart[outline.contours++] = outline.points;
  add_point(to->x, to->y);
  outline.pen = *to;
  return 0;
}

int line_to(const FT_Vector *to, void *) {
  add_point(to->x, to->y);
  outline.pen = *to;
  return 0;
}

// Segments so that a curve with second-difference size `bend` (font units)
// stays within one font unit of its chords.
int segments_for(double bend, double factor) {
  int n = static_cast<int>(std::ceil(std::sqrt(bend * factor)));
  return n < 1 ? 1 : n > 256 ? 256 : n;
}

int conic_to(const FT_Vector *control, const FT_Vector *to, void *) {
  double x0 = outline.pen.x, y0 = outline.pen.y;
  double x1 = control->x, y1 = control->y, x2 = to->x, y2 = to->y;
  // A quadratic deviates from its chord by at most |P0 - 2 P1 + P2| / 4 over
  // one step; with n steps that shrinks by n^2.
  int n = segments_for(std::hypot(x0 - 2 * x1 + x2, y0 - 2 * y1 + y2), 0.25);
  for (int i = 1; i <= n; i++) {
    double t = static_cast<double>(i) / n, u = 1 - t;
    add_point(u * u * x0 + 2 * u * t * x1 + t * t * x2, u * u * y0 + 2 * u * t * y1 + t * t * y2);
  }
  outline.pen = *to;
  return 0;
}

int cubic_to(const FT_Vector *c1, const FT_Vector *c2, const FT_Vector *to, void *) {
  double x0 = outline.pen.x, y0 = outline.pen.y;
  double x1 = c1->x, y1 = c1->y, x2 = c2->x, y2 = c2->y, x3 = to->x, y3 = to->y;
  // |B''| <= 6 max(|P0 - 2 P1 + P2|, |P1 - 2 P2 + P3|); a step h deviates by h^2 |B''| / 8.
  double bend = std::fmax(std::hypot(x0 - 2 * x1 + x2, y0 - 2 * y1 + y2), std::hypot(x1 - 2 * x2 + x3, y1 - 2 * y2 + y3));
  int n = segments_for(bend, 0.75);
  for (int i = 1; i <= n; i++) {
    double t = static_cast<double>(i) / n, u = 1 - t;
    add_point(u * u * u * x0 + 3 * u * u * t * x1 + 3 * u * t * t * x2 + t * t * t * x3,
              u * u * u * y0 + 3 * u * u * t * y1 + 3 * u * t * t * y2 + t * t * t * y3);
  }
  outline.pen = *to;
  return 0;
}

void GLAPIENTRY tess_begin(GLenum type) { glBegin(type); }
void GLAPIENTRY tess_vertex(void *vertex) { glVertex3dv(static_cast<const GLdouble *>(vertex)); }
void GLAPIENTRY tess_end() { glEnd(); }
void GLAPIENTRY tess_combine(GLdouble coords[3], void *[4], GLfloat[4], void **out) {
  double *p = combined[combinedCount < 4095 ? combinedCount++ : 4095];
  p[0] = coords[0];
  p[1] = coords[1];
  p[2] = coords[2];
  *out = p;
}

// The filled outline at depth z.
void fill_outline(GLUtesselator *tess, double z) {
  for (int i = 0; i < outline.points; i++) outline.point[i][2] = z;
  combinedCount = 0;
  gluTessNormal(tess, 0, 0, z < 0 ? -1 : 1);
  gluTessBeginPolygon(tess, nullptr);
  for (int c = 0; c < outline.contours; c++) {
    gluTessBeginContour(tess);
    for (int i = outline.contourStart[c]; i < outline.contourStart[c + 1]; i++)
      gluTessVertex(tess, outline.point[i], outline.point[i]);
    gluTessEndContour(tess);
  }
  gluTessEndPolygon(tess);
}

// Quads between the outline at z = 0 and at z = depth, contour by contour.
void side_walls(double depth) {
  for (int c = 0; c < outline.contours; c++) {
    int first = outline.contourStart[c], last = outline.contourStart[c + 1] - 1;
    if (last <= first) continue;
    glBegin(GL_QUAD_STRIP);
    for (int i = first; i <= last + 1; i++) {
      const double *p = outline.point[i <= last ? i : first];
      glVertex3d(p[0], p[1], 0);
      glVertex3d(p[0], p[1], depth);
    }
    glEnd();
  }
}

// The font file fontconfig matches for the family; the platform's serif
// face stands in when the family is not installed.
FcPattern *match_face(const char *family) {
  if (!FcInit()) return nullptr;
  FcPattern *pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(family));
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>("serif"));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(100));
  FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern *match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  return match;
}

}  // namespace

void font_outlines(DeviceHandle, const char *face, int first, int count, unsigned list, float extrusion) {
  FcPattern *match = match_face(face);
  FcChar8 *file = nullptr;
  int index = 0;
  FT_Library library = nullptr;
  FT_Face font = nullptr;
  if (!match || FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch ||
      FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch || FT_Init_FreeType(&library) ||
      FT_New_Face(library, reinterpret_cast<const char *>(file), index, &font)) {
    if (library) FT_Done_FreeType(library);
    if (match) FcPatternDestroy(match);
    return;
  }
  FT_Select_Charmap(font, FT_ENCODING_UNICODE);

  GLUtesselator *tess = gluNewTess();
  gluTessCallback(tess, GLU_TESS_BEGIN, reinterpret_cast<_GLUfuncptr>(tess_begin));
  gluTessCallback(tess, GLU_TESS_VERTEX, reinterpret_cast<_GLUfuncptr>(tess_vertex));
  gluTessCallback(tess, GLU_TESS_END, reinterpret_cast<_GLUfuncptr>(tess_end));
  gluTessCallback(tess, GLU_TESS_COMBINE, reinterpret_cast<_GLUfuncptr>(tess_combine));

  FT_Outline_Funcs funcs = {move_to, line_to, conic_to, cubic_to, 0, 0};
  double em = font->units_per_EM ? font->units_per_EM : 2048;
  for (int i = 0; i < count; i++) {
    FT_UInt glyph = FT_Get_Char_Index(font, first + i);
    outline.points = outline.contours = 0;
    outline.scale = 1 / em;
    double advance = 0;
    if (!FT_Load_Glyph(font, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) &&
        font->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
      FT_Outline_Decompose(&font->glyph->outline, &funcs, nullptr);
      outline.contourStart[outline.contours] = outline.points;
      advance = font->glyph->advance.x / em;
      gluTessProperty(tess, GLU_TESS_WINDING_RULE,
                      font->glyph->outline.flags & FT_OUTLINE_EVEN_ODD_FILL ? GLU_TESS_WINDING_ODD
                                                                           : GLU_TESS_WINDING_NONZERO);
    }
    glNewList(list + i, GL_COMPILE);
    if (outline.contours) {
      fill_outline(tess, 0);
      fill_outline(tess, -extrusion);
      side_walls(-extrusion);
    }
    glTranslated(advance, 0, 0);
    glEndList();
  }

  gluDeleteTess(tess);
  FT_Done_Face(font);
  FT_Done_FreeType(library);
  FcPatternDestroy(match);
}
