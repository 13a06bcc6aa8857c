// The parts of the screen viewer that need no terminal: the board glyphs and
// where the windows of a figure go.
#pragma once

#include <string>
#include <string_view>

namespace kg {

// Glyph codes of the board; the table has kGlyphs entries, the others are
// drawn by nothing.
enum : int {
  GLYPH_BLACK = 0,
  GLYPH_INNER = 2,
  GLYPH_STAR = 3,
  GLYPH_LEFT = 4,
  GLYPH_BOTTOM_LEFT = 5,
  GLYPH_BOTTOM = 6,
  GLYPH_BOTTOM_RIGHT = 7,
  GLYPH_RIGHT = 8,
  GLYPH_TOP_LEFT = 9,
  GLYPH_TOP = 10,
  GLYPH_TOP_RIGHT = 11,
  GLYPH_WHITE = 12,
};
inline constexpr int kGlyphs = 31;

// The board's glyph set; plain characters until `font_init`.
class Font {
 public:
  Font();
  // Picks the glyph set by TERM: "xterm" means a terminal font with board
  // glyphs in the bytes 0xC0 to 0xE8, anything else plain characters.
  void font_init();
  // Two characters for the code; "??" outside the table.
  const char* font_decode(int code) const;
  // Whether the terminal-font set is in use.
  bool font_is_terminal() const;

 private:
  const char* const* glyphs_;
};

// Line `line` of a board of `size` carries star points.
bool star_line(int size, int line);
// The glyph of an empty point, row and column counted from the top left.
int point_glyph(int size, int row, int column);

struct ScreenArea {
  int x = 0, y = 0, width = 0, height = 0;
};
// The four windows of one figure, in the order the screen record keeps them.
struct ScreenLayout {
  ScreenArea title, notes, board, text;
};
// A figure has its board on the left, a variation diagram on the right.
ScreenLayout screen_layout(int size, bool diagram, int columns, int lines);

struct ScreenSize {
  int columns = 0, lines = 0;
};
// The smallest terminal on which every window of a board of `size` exists.
ScreenSize screen_needs(int size);

// Text from the record made harmless for the terminal: tab and line feed
// stay, other control codes show as "^X" (C0, DEL as "^?") or "~X" (C1, in
// either coding), a carriage return before a line feed goes. With `utf8`
// (the current LC_CTYPE must be a UTF-8 locale) characters the terminal can
// show stay whole and the rest become '?'; otherwise the bytes 0xA0 to 0xFF
// stay as they are.
std::string screen_safe(std::string_view text, bool utf8);
// The terminal columns of a safe text without line breaks.
int screen_columns(std::string_view text, bool utf8);
// The longest head of a safe text that fits in `columns`, never cutting a
// character in two.
std::string_view screen_fit(std::string_view text, int columns, bool utf8);

}  // namespace kg
