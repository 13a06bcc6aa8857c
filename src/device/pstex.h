// The pstex output format: one EPS file per figure and diagram, placed in a
// LaTeX book by the text written to `fw`; small EPS files of single stones
// for the notes below a figure.
#pragma once

#include <cstdio>

namespace kg {

// One font's digits, in thousandths of the font size.
struct FontMetrics {
  const char* name;
  struct Glyph {
    int wx, llx, lly, urx, ury;
  } digit[10];
  int bottom, top, kern1;
};

// Which font each kind of text on a figure is set in.
enum FontRole { wFont, bFont, fFont, mFont, kFontRoles };
extern const FontMetrics* const font_roles[kFontRoles];

// The ink box of one number as eps_number sets it.
struct NumberBox {
  int left = 0, baseline = 0, width = 0, height = 0;
};

// Writes "mark" and the digit groups of `number` (at least 1) for bst/wst,
// rightmost group first, and measures them in the font of `colour`'s stones.
void eps_number(std::FILE* stream, int number, int colour, NumberBox& box);

}  // namespace kg
