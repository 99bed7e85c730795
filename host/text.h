// text.h - the lettering of the show: three titles and seven greeting lines
// drawn from extruded glyph outlines kept in display lists.
//
//   unsigned base = text_init(context.hDC);  // once, context current
//   text_draw_titles();                      // every frame, title pass
//   text_draw_greetings();                   // every frame, greeting pass
//   text_end(base);                          // at exit
#pragma once
#include "platform.h"

// The texts of the show.
struct TextTable {
  // Character counts of the seven greeting lines.
  int lineLengths[7];
  // Title texts 3, 1 and 2 start at 24, 0 and 16 (10, 16 and 8 characters);
  // the greeting lines follow from 34, packed back to back without
  // separators or terminator.
  char chars[192];
};
extern const TextTable textTable;

unsigned text_init(DeviceHandle dc);
void text_draw_titles();
void text_draw_greetings();
void text_end(unsigned base);
