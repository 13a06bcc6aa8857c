// The parts of the screen viewer that need no terminal: the board glyphs,
// where the windows of a figure go, and how texts are laid out in them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// plain: "@ ", "O ", ". "; font: the bytes 0xC0 to 0xE8 of a terminal font
// of board glyphs (share/fonts); unicode: box drawing, ● and ○.
enum class GlyphSet { plain, font, unicode };

// The set of a run: the one `forced` names ("plain", "font", "unicode"),
// else Unicode in a UTF-8 locale, the terminal font when TERM is exactly
// "xterm", plain characters elsewhere. None when `forced` names no set.
std::optional<GlyphSet> glyph_set(const char* forced, const char* term, bool utf8);

// The board's characters. A point is two columns, or three where there is
// room (plain and Unicode only): the column before the point, the point
// itself, and the column after it towards the next point.
class Font {
 public:
  Font();
  void font_init(GlyphSet set);
  GlyphSet set() const { return set_; }
  // The two columns of the code: the point and the column after it, a
  // blank after the right edge; "??" outside the table.
  const char* font_decode(int code) const;
  // The point's own column: stone, crossing, edge or star.
  std::string_view centre(int code) const;
  // A column between two points of one line, or between the edge point
  // and the outside (`outside`).
  std::string_view between(bool outside) const;

 private:
  GlyphSet set_ = GlyphSet::plain;
};

// The glyph of an empty point, row and column counted from the top left.
int point_glyph(int size, int row, int column);

struct ScreenArea {
  int x = 0, y = 0, width = 0, height = 0;
};
// The four windows of one figure, in the order the screen record keeps them,
// and how the board window is drawn. The board window holds the board with
// its coordinates: row numbers left ("%2d", and a blank for two-column
// points) and right (" %2d"), column letters above and below. The board
// itself starts at column `board_x`, line `board_y` of that window.
struct ScreenLayout {
  ScreenArea title, notes, board, text;
  int point_width = 2;
  bool coordinates = false;
  int board_x = 0, board_y = 0;
};
// The comment panel's least width beside a board of three-column points:
// the prompt on one line.
inline constexpr int kPanelMinimum = 24;
// A figure has its board on the left, a variation diagram on the right; a
// margin of one column at the screen's edges and two between board and
// comments, as the designed layout has:
//   board window  x = 1 (figure) or columns - width - 1 (diagram), y = 1
//   title         over the board window, y = 0
//   notes         below it, down to the last line but one
//   comments      the columns left, less the margins; lines 0 to lines - 2
// Three columns per point when `wide` allows it and the comments keep
// kPanelMinimum columns, else two; coordinates when `coordinates` asks for
// them and they leave the comments and the notes at least one column and
// line. On a terminal smaller than screen_needs() the windows do not fit.
ScreenLayout screen_layout(int size, bool diagram, int columns, int lines, bool wide = false,
                           bool coordinates = false);

struct ScreenSize {
  int columns = 0, lines = 0;
};
// The smallest terminal on which every window of a board of `size` exists
// (two columns per point, no coordinates).
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
// A safe text broken into the lines a window `width` columns wide shows,
// the first starting at column `column`: at blanks, which the break
// swallows, and inside a word only when it is longer than a line. Tabs
// become blanks up to the next multiple of 8. Blanks before a line break go;
// at the end of the text they stay as far as the line has room, since the
// next text goes on where this one ends. Each line break of the text and of
// the wrapping lies between two lines of the result.
std::vector<std::string> screen_wrap(std::string_view text, int width, int column, bool utf8);

}  // namespace kg
