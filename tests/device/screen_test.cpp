// The screen viewer's drawing rules that need no terminal: the glyph set
// chosen by TERM, the point glyphs with their star points, and where the
// windows go. The viewer itself runs in tmux (tests/screen/).
#include <clocale>
#include <cstdlib>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "device/screen.h"
#include "kg_test.h"

namespace kg::test {
namespace {

// Sets TERM (none: unset) and picks the glyphs; the old TERM comes back at
// the end of the scope.
class Term {
 public:
  Term() {
    if (const char* term = std::getenv("TERM")) saved_ = term;
  }
  ~Term() { use(saved_ ? saved_->c_str() : nullptr); }
  void use(const char* term) {
    term ? setenv("TERM", term, 1) : unsetenv("TERM");
    font.font_init();
  }
  Font font;

 private:
  std::optional<std::string> saved_;
};

TEST(Glyphs, OnlyXtermGetsTheTerminalFont) {
  Term term;
  term.use("xterm");
  EXPECT_TRUE(term.font.font_is_terminal());
  const std::vector<std::string> bytes = {
      "\xC0\xC1", "\xC4\xC5", "\xC4\xC5", "\xC6\xC7", "\xC8\xC5", "\xC9\xCA", "\xCB\xCA",
      "\xCB\xCC", "\xC4\xCD", "\xCE\xCF", "\xD0\xCF", "\xD0\xD1", "\xD2\xD3"};
  for (int code = 0; code <= GLYPH_WHITE; ++code) {
    if (code == 1) continue;  // drawn by nothing
    EXPECT_EQ(term.font.font_decode(code), bytes[code]) << code;
  }
  for (int code = 0; code < kGlyphs; ++code) {
    const std::string glyph = term.font.font_decode(code);
    ASSERT_EQ(glyph.size(), 2u) << code;
    for (unsigned char c : glyph) EXPECT_TRUE(c >= 0xC0 && c <= 0xE8) << code;
  }

  for (const char* other : {"xterm-256color", "tmux-256color", "vt100", "", "XTERM"}) {
    term.use(other);
    EXPECT_FALSE(term.font.font_is_terminal()) << other;
    EXPECT_STREQ(term.font.font_decode(GLYPH_BLACK), "@ ");
    EXPECT_STREQ(term.font.font_decode(GLYPH_WHITE), "O ");
    for (int code = GLYPH_INNER; code < GLYPH_WHITE; ++code) EXPECT_STREQ(term.font.font_decode(code), ". ");
  }
  term.use(nullptr);
  EXPECT_STREQ(term.font.font_decode(GLYPH_BLACK), "@ ");
  for (int code : {-1, kGlyphs, 1000}) EXPECT_STREQ(term.font.font_decode(code), "??");
}

// The points of an empty board drawn as one character per glyph code.
std::string empty_board(int size) {
  std::string out;
  for (int row = 0; row < size; ++row) {
    for (int column = 0; column < size; ++column)
      out += "@?.^<L=J>F-7O"[point_glyph(size, row, column)];
    out += '\n';
  }
  return out;
}

TEST(PointGlyph, EdgesCornersAndStarPoints) {
  EXPECT_EQ(empty_board(9),
            "F-------7\n"
            "<.......>\n"
            "<.^...^.>\n"
            "<.......>\n"
            "<.......>\n"
            "<.......>\n"
            "<.^...^.>\n"
            "<.......>\n"
            "L=======J\n");
  EXPECT_EQ(empty_board(2), "F7\nLJ\n");
  // Star points per size, and the lines they stand on.
  auto stars = [](int size) {
    std::vector<int> lines;
    for (int i = 0; i < size; ++i)
      if (star_line(size, i)) lines.push_back(i);
    int count = 0;
    for (int r = 0; r < size; ++r)
      for (int c = 0; c < size; ++c) count += point_glyph(size, r, c) == GLYPH_STAR;
    return std::make_pair(lines, count);
  };
  using Lines = std::vector<int>;
  const std::tuple<int, Lines, int> want[] = {{19, {3, 9, 15}, 9}, {13, {3, 9}, 4}, {10, {3, 6}, 4},
                                              {25, {3, 21}, 4},    {9, {2, 6}, 4},   {8, {2, 5}, 4},
                                              {7, {2, 4}, 4}};
  for (const auto& [size, lines, count] : want) EXPECT_EQ(stars(size), std::pair(lines, count)) << size;
  for (int size = 1; size <= 6; ++size) EXPECT_EQ(stars(size).second, 0) << size;
  EXPECT_EQ(point_glyph(19, 9, 9), GLYPH_STAR);
  EXPECT_EQ(point_glyph(19, 9, 0), GLYPH_LEFT);
  EXPECT_EQ(point_glyph(19, 18, 9), GLYPH_BOTTOM);
}

TEST(ScreenLayout, FigureLeftDiagramRight) {
  // title, board, notes and text as x y width height
  auto areas = [](int size, bool diagram, int columns, int lines) {
    ScreenLayout l = screen_layout(size, diagram, columns, lines);
    std::vector<int> out;
    for (const ScreenArea& a : {l.title, l.board, l.notes, l.text})
      out.insert(out.end(), {a.x, a.y, a.width, a.height});
    return out;
  };
  using V = std::vector<int>;
  EXPECT_EQ(areas(19, false, 120, 40), (V{1, 0, 38, 1, 1, 1, 38, 19, 1, 20, 38, 19, 41, 0, 78, 39}));
  EXPECT_EQ(areas(19, true, 120, 40), (V{81, 0, 38, 1, 81, 1, 38, 19, 81, 20, 38, 19, 1, 0, 78, 39}));
  EXPECT_EQ(areas(9, false, 80, 24), (V{1, 0, 18, 1, 1, 1, 18, 9, 1, 10, 18, 13, 21, 0, 58, 23}));
}

// On the smallest terminal every window has at least one cell and lies on
// the screen; one column or line less and one would not.
TEST(ScreenLayout, SmallestTerminal) {
  auto fits = [](const ScreenArea& a, int columns, int lines) {
    return a.width >= 1 && a.height >= 1 && a.x >= 0 && a.y >= 0 && a.x + a.width <= columns &&
           a.y + a.height <= lines;
  };
  auto all_fit = [&](int size, bool diagram, int columns, int lines) {
    ScreenLayout l = screen_layout(size, diagram, columns, lines);
    return fits(l.title, columns, lines) && fits(l.board, columns, lines) &&
           fits(l.notes, columns, lines) && fits(l.text, columns, lines);
  };
  for (int size : {2, 9, 13, 19, 25}) {
    ScreenSize need = screen_needs(size);
    for (bool diagram : {false, true}) {
      EXPECT_TRUE(all_fit(size, diagram, need.columns, need.lines)) << size;
      EXPECT_FALSE(all_fit(size, diagram, need.columns - 1, need.lines)) << size;
      EXPECT_FALSE(all_fit(size, diagram, need.columns, need.lines - 1)) << size;
    }
  }
  EXPECT_EQ(screen_needs(19).columns, 43);
  EXPECT_EQ(screen_needs(19).lines, 22);
}

// Sets LC_CTYPE for one scope.
class Ctype {
 public:
  explicit Ctype(const char* locale) : saved_(std::setlocale(LC_CTYPE, nullptr)) {
    ok_ = std::setlocale(LC_CTYPE, locale) != nullptr;
  }
  ~Ctype() { std::setlocale(LC_CTYPE, saved_.c_str()); }
  bool ok() const { return ok_; }

 private:
  std::string saved_;
  bool ok_ = false;
};

TEST(ScreenText, ControlsShowInEitherCoding) {
  // C0, DEL and C1 show as curses shows them; tab and line feed lay out.
  const std::string in = "a\x1b[31m\x07\x7f\tb\r\nc\rd";
  const std::string out = "a^[[31m^G^?\tb\nc^Md";
  EXPECT_EQ(screen_safe(in, false), out);
  EXPECT_EQ(screen_safe(std::string("\0z", 2), false), "^@z");
  // Single bytes: C1 escaped, the rest of the high half kept.
  EXPECT_EQ(screen_safe("x\x9b" "1m\x80\x9f\xa0\xc2\xff", false), "x~[1m~@~_\xa0\xc2\xff");
  Ctype utf8("C.UTF-8");
  ASSERT_TRUE(utf8.ok());
  EXPECT_EQ(screen_safe(in, true), out);
  // C1 as characters (CSI, OSC) are controls too; bytes that are no
  // character, alone, cut short or overlong, are '?'.
  EXPECT_EQ(screen_safe("x\xc2\x9b" "1m \xc2\x9d" "0;t\xc2\x80", true), "x~[1m ~]0;t~@");
  EXPECT_EQ(screen_safe("a\x9b\xff\xc0\xaf" "b\xe6\x97", true), "a????b??");
  EXPECT_EQ(screen_safe("\xed\xa0\x80", true), "???");  // a surrogate
  EXPECT_EQ(screen_safe("Variätiön été 日本語", true), "Variätiön été 日本語");
}

TEST(ScreenText, ColumnsAndFitNeverSplitACharacter) {
  EXPECT_EQ(screen_columns("ab\xc3\xa9", false), 4);
  EXPECT_EQ(screen_fit("abcdef", 4, false), "abcd");
  Ctype utf8("C.UTF-8");
  ASSERT_TRUE(utf8.ok());
  const std::string text = "été 日本語";
  EXPECT_EQ(screen_columns(text, true), 10);
  EXPECT_EQ(screen_columns("e\xcc\x81", true), 1);  // a combining accent
  EXPECT_EQ(screen_fit(text, 10, true), text);
  EXPECT_EQ(screen_fit(text, 9, true), "été 日本");
  EXPECT_EQ(screen_fit(text, 8, true), "été 日本");
  EXPECT_EQ(screen_fit(text, 5, true), "été ");
  EXPECT_EQ(screen_fit(text, 2, true), "ét");
  EXPECT_EQ(screen_fit(text, 0, true), "");
}

}  // namespace
}  // namespace kg::test
