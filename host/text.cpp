#include "text.h"

#include "gl.h"

// Title texts 1 to 3 and greeting lines 1 to 6 keep to narrow letters, so
// that each fits the 800-pixel frame in most serif faces.
#define TITLE_1 "still lit fields"
#define TITLE_2 "presents"
#define TITLE_3 "it is lit."
#define GREETINGS                                                                          \
  "Tilt Fjord Silt Rift"                                                                   \
  "Flitter Jilt Stilts Ilfir"                                                              \
  "Filtrix Jolt Tririft"                                                                   \
  "Lifts Orbit Fir Tritil"                                                                 \
  "Silfir Tiltjets Rifles"                                                                 \
  "Jitterlit Firs Stile Trio"                                                              \
  "and everybody we forgot!"

static_assert(sizeof TITLE_1 - 1 == 16 && sizeof TITLE_2 - 1 == 8 && sizeof TITLE_3 - 1 == 10);
static_assert(sizeof GREETINGS - 1 == 20 + 25 + 20 + 22 + 22 + 25 + 24);

// The 192 characters of the literal, without its terminator.
static constexpr TextTable pack_texts(const char (&text)[193]) {
  TextTable table = {{20, 25, 20, 22, 22, 25, 24}, {}};
  for (int i = 0; i < 192; i++) table.chars[i] = text[i];
  return table;
}

constexpr TextTable textTable = pack_texts(TITLE_1 TITLE_2 TITLE_3 GREETINGS);
static const char *const chars = textTable.chars;
static const int *const lineLengths = textTable.lineLengths;

unsigned text_init(DeviceHandle dc) {
  unsigned base = glGenLists(96);
  font_outlines(dc, "Constantia", 32, 96, base, 0.2f);
  glListBase(base - 32);
  return base;
}

void text_draw_titles() {
  glLoadIdentity();
  glScalef(0.3f, 0.3f, 0.3f);
  glTranslatef(-2, -1.5f, 0);
  glCallLists(10, GL_UNSIGNED_BYTE, chars + 24);
  glTranslatef(-4.5f, 1, 0);
  glCallLists(16, GL_UNSIGNED_BYTE, chars + 0);
  glTranslatef(-4.5f, 1, 0);
  glCallLists(8, GL_UNSIGNED_BYTE, chars + 16);
}

void text_draw_greetings() {
  int offset = 34;
  for (int i = 0; i < 7; i++) {
    glLoadIdentity();
    glScalef(0.2f, 0.2f, 0.2f);
    glTranslatef(-4.95f, 3.5f - 1.25f * i, 0);
    glCallLists(lineLengths[i], GL_UNSIGNED_BYTE, chars + offset);
    offset += lineLengths[i];
  }
}

void text_end(unsigned base) { glDeleteLists(base, 96); }
