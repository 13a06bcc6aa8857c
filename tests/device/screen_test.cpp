// The screen viewer's drawing rules that need no terminal: the glyph set
// chosen by name, locale and TERM, the point glyphs with their star points,
// where the windows go, and how texts wrap. The viewer itself runs in tmux
// (tests/screen/).
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

TEST(Glyphs, ChosenByNameLocaleAndTerm) {
  using S = GlyphSet;
  // forced, TERM, UTF-8 locale -> set
  const std::tuple<const char*, const char*, bool, S> cases[] = {
      {nullptr, "xterm", true, S::unicode},       {nullptr, "xterm-256color", true, S::unicode},
      {nullptr, nullptr, true, S::unicode},       {nullptr, "xterm", false, S::font},
      {nullptr, "xterm-256color", false, S::plain}, {nullptr, "XTERM", false, S::plain},
      {nullptr, nullptr, false, S::plain},        {"", "xterm", false, S::font},
      {"plain", "xterm", true, S::plain},         {"font", "tmux", true, S::font},
      {"unicode", "xterm", false, S::unicode},
  };
  for (const auto& [forced, term, utf8, want] : cases)
    EXPECT_EQ(glyph_set(forced, term, utf8), want) << (forced ? forced : "-") << " " << (term ? term : "-");
  for (const char* bad : {"Unicode", "uni", "ascii", " plain"})
    EXPECT_EQ(glyph_set(bad, "xterm", true), std::nullopt) << bad;
}

TEST(Glyphs, EachSetDrawsTheCodes) {
  Font font;
  font.font_init(GlyphSet::font);
  const std::vector<std::string> bytes = {
      "\xC0\xC1", "\xC4\xC5", "\xC4\xC5", "\xC6\xC7", "\xC8\xC5", "\xC9\xCA", "\xCB\xCA",
      "\xCB\xCC", "\xC4\xCD", "\xCE\xCF", "\xD0\xCF", "\xD0\xD1", "\xD2\xD3"};
  for (int code = 0; code <= GLYPH_WHITE; ++code) {
    if (code == 1) continue;  // drawn by nothing
    EXPECT_EQ(font.font_decode(code), bytes[code]) << code;
  }
  for (int code = 0; code < kGlyphs; ++code) {
    const std::string glyph = font.font_decode(code);
    ASSERT_EQ(glyph.size(), 2u) << code;
    for (unsigned char c : glyph) EXPECT_TRUE(c >= 0xC0 && c <= 0xE8) << code;
  }

  // One character per code, then the column after the point: a line to
  // the next point, a blank after the right edge.
  const std::pair<GlyphSet, std::vector<std::string>> sets[] = {
      {GlyphSet::plain, {"@", ".", ".", ".", ".", ".", ".", ".", ".", ".", ".", ".", "O"}},
      {GlyphSet::unicode, {"●", "┼", "┼", "╋", "├", "└", "┴", "┘", "┤", "┌", "┬", "┐", "○"}},
  };
  for (const auto& [set, centres] : sets) {
    font.font_init(set);
    const bool unicode = set == GlyphSet::unicode;
    EXPECT_EQ(font.between(false), unicode ? "─" : " ");
    EXPECT_EQ(font.between(true), " ");
    for (int code = 0; code <= GLYPH_WHITE; ++code) {
      EXPECT_EQ(font.centre(code), centres[code]) << code;
      const bool right_edge =
          code == GLYPH_RIGHT || code == GLYPH_TOP_RIGHT || code == GLYPH_BOTTOM_RIGHT;
      EXPECT_EQ(font.font_decode(code), centres[code] + std::string(font.between(right_edge)))
          << code;
    }
  }
  for (int code : {-1, kGlyphs, 1000}) EXPECT_STREQ(font.font_decode(code), "??");
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

TEST(PointGlyph, EdgesCornersAndTheStarPointsOfRealBoards) {
  EXPECT_EQ(empty_board(9),
            "F-------7\n"
            "<.......>\n"
            "<.^...^.>\n"
            "<.......>\n"
            "<...^...>\n"
            "<.......>\n"
            "<.^...^.>\n"
            "<.......>\n"
            "L=======J\n");
  EXPECT_EQ(empty_board(2), "F7\nLJ\n");
  EXPECT_EQ(empty_board(1), "F\n");
  // The star points of each size as (row, column).
  using Points = std::vector<std::pair<int, int>>;
  auto stars = [](int size) {
    Points out;
    for (int r = 0; r < size; ++r)
      for (int c = 0; c < size; ++c)
        if (point_glyph(size, r, c) == GLYPH_STAR) out.emplace_back(r, c);
    return out;
  };
  const std::pair<int, Points> want[] = {
      {19, {{3, 3}, {3, 9}, {3, 15}, {9, 3}, {9, 9}, {9, 15}, {15, 3}, {15, 9}, {15, 15}}},
      // D10 K10 / G7 / D4 K4, rows counted from the top
      {13, {{3, 3}, {3, 9}, {6, 6}, {9, 3}, {9, 9}}},
      {9, {{2, 2}, {2, 6}, {4, 4}, {6, 2}, {6, 6}}},
      {7, {{3, 3}}},
      {25, {{12, 12}}},
      {3, {{1, 1}}},
      {8, {}},
      {10, {}},
      {2, {}},
  };
  for (const auto& [size, points] : want) EXPECT_EQ(stars(size), points) << size;
}

TEST(ScreenLayout, DesignedLayoutFigureLeftDiagramRight) {
  // title, board, notes and text as x y width height
  auto areas = [](int size, bool diagram, int columns, int lines) {
    ScreenLayout l = screen_layout(size, diagram, columns, lines);
    std::vector<int> out;
    for (const ScreenArea& a : {l.title, l.board, l.notes, l.text})
      out.insert(out.end(), {a.x, a.y, a.width, a.height});
    EXPECT_EQ(l.point_width, 2);
    EXPECT_FALSE(l.coordinates);
    return out;
  };
  using V = std::vector<int>;
  EXPECT_EQ(areas(19, false, 120, 40), (V{1, 0, 38, 1, 1, 1, 38, 19, 1, 20, 38, 19, 41, 0, 78, 39}));
  EXPECT_EQ(areas(19, true, 120, 40), (V{81, 0, 38, 1, 81, 1, 38, 19, 81, 20, 38, 19, 1, 0, 78, 39}));
  EXPECT_EQ(areas(9, false, 80, 24), (V{1, 0, 18, 1, 1, 1, 18, 9, 1, 10, 18, 13, 21, 0, 58, 23}));
}

// Three columns per point while the comments keep the prompt's width, then
// coordinates while they fit.
TEST(ScreenLayout, WidestPointsThenCoordinates) {
  // columns, lines -> point width, coordinates, board window, comment window
  struct Case {
    int size, columns, lines;
    bool diagram;
    int width;
    bool coordinates;
    std::vector<int> board, text;
  };
  const Case cases[] = {
      // 3 x 19 + "19" + " 19": 62 columns; 120 - 62 - 4 = 54 for comments.
      {19, 120, 40, false, 3, true, {1, 1, 62, 21}, {65, 0, 54, 39}},
      {19, 120, 40, true, 3, true, {57, 1, 62, 21}, {1, 0, 54, 39}},
      // 90 columns leave the comments 24. Two-column points: "19 " and " 19".
      {19, 90, 24, false, 3, true, {1, 1, 62, 21}, {65, 0, 24, 23}},
      // 89: the coordinates go first, then the third column.
      {19, 89, 24, false, 3, false, {1, 1, 57, 19}, {60, 0, 28, 23}},
      {19, 84, 24, false, 2, true, {1, 1, 44, 21}, {47, 0, 36, 23}},
      {19, 80, 24, false, 2, true, {1, 1, 44, 21}, {47, 0, 32, 23}},
      // No line left for the notes below the coordinates.
      {19, 80, 23, false, 2, false, {1, 1, 38, 19}, {41, 0, 38, 22}},
      {19, 120, 23, false, 3, false, {1, 1, 57, 19}, {60, 0, 59, 22}},
      // No room for coordinates beside the smallest comment column.
      {19, 48, 24, false, 2, false, {1, 1, 38, 19}, {41, 0, 6, 23}},
      {9, 80, 24, false, 3, true, {1, 1, 32, 11}, {35, 0, 44, 23}},
  };
  for (const Case& c : cases) {
    const ScreenLayout l = screen_layout(c.size, c.diagram, c.columns, c.lines, true, true);
    const std::string what = std::to_string(c.size) + " on " + std::to_string(c.columns) + "x" +
                             std::to_string(c.lines) + (c.diagram ? " diagram" : "");
    EXPECT_EQ(l.point_width, c.width) << what;
    EXPECT_EQ(l.coordinates, c.coordinates) << what;
    EXPECT_EQ((std::vector<int>{l.board.x, l.board.y, l.board.width, l.board.height}), c.board) << what;
    EXPECT_EQ((std::vector<int>{l.text.x, l.text.y, l.text.width, l.text.height}), c.text) << what;
    // The title above the board window, the notes below it to the last line
    // but one; the board inside its window after the row numbers.
    EXPECT_EQ((std::vector<int>{l.title.x, l.title.y, l.title.width}),
              (std::vector<int>{l.board.x, 0, l.board.width}))
        << what;
    EXPECT_EQ(l.notes.y + l.notes.height, c.lines - 1) << what;
    EXPECT_EQ(l.board_x, !c.coordinates ? 0 : c.width == 3 ? 2 : 3) << what;
    EXPECT_EQ(l.board_y, c.coordinates ? 1 : 0) << what;
    EXPECT_EQ(l.board_x + c.width * c.size + (c.coordinates ? 3 : 0), l.board.width) << what;
  }
  // Without wide points or coordinates asked for, the designed layout.
  const ScreenLayout l = screen_layout(19, false, 120, 40, false, true);
  EXPECT_EQ(l.point_width, 2);
  EXPECT_EQ(l.board.width, 44);
  EXPECT_FALSE(screen_layout(19, false, 120, 40, true, false).coordinates);
}

// On the smallest terminal every window has at least one cell and lies on
// the screen; one column or line less and one would not.
TEST(ScreenLayout, SmallestTerminal) {
  auto fits = [](const ScreenArea& a, int columns, int lines) {
    return a.width >= 1 && a.height >= 1 && a.x >= 0 && a.y >= 0 && a.x + a.width <= columns &&
           a.y + a.height <= lines;
  };
  auto all_fit = [&](int size, bool diagram, int columns, int lines) {
    ScreenLayout l = screen_layout(size, diagram, columns, lines, true, true);
    return fits(l.title, columns, lines) && fits(l.board, columns, lines) &&
           fits(l.notes, columns, lines) && fits(l.text, columns, lines);
  };
  for (int size : {2, 9, 13, 19, 25}) {
    ScreenSize need = screen_needs(size);
    for (bool diagram : {false, true}) {
      EXPECT_TRUE(all_fit(size, diagram, need.columns, need.lines)) << size;
      EXPECT_FALSE(all_fit(size, diagram, need.columns - 1, need.lines)) << size;
      EXPECT_FALSE(all_fit(size, diagram, need.columns, need.lines - 1)) << size;
      // Every size in between fits too, whatever layout it gets.
      for (int columns = need.columns; columns < need.columns + 60; columns += 7)
        for (int lines = need.lines; lines < need.lines + 6; ++lines)
          EXPECT_TRUE(all_fit(size, diagram, columns, lines)) << size << " " << columns << "x" << lines;
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

TEST(ScreenText, WrapAtBlanks) {
  using L = std::vector<std::string>;
  // text, width, starting column -> lines
  const std::tuple<std::string, int, int, L> cases[] = {
      {"the quick brown fox", 10, 0, {"the quick", "brown fox"}},
      {"the quick brown fox", 9, 0, {"the quick", "brown fox"}},
      {"the quick brown fox", 8, 0, {"the", "quick", "brown", "fox"}},
      // Line breaks of the text, a blank line, blanks before a break.
      {"one  \ntwo\n\nthree\n", 20, 0, {"one", "two", "", "three", ""}},
      {"", 5, 0, {""}},
      // Indentation stays; blanks at a break go.
      {"    kibitz line", 20, 0, {"    kibitz line"}},
      {"aaa     bbb", 5, 0, {"aaa", "bbb"}},
      // A word longer than a line is cut where the line ends.
      {"ab abcdefghijkl", 5, 0, {"ab ab", "cdefg", "hijkl"}},
      // Going on after text on the line: a word that does not fit there
      // starts the next line; trailing blanks stay for the text after.
      {"more words", 10, 6, {"more", "words"}},
      {"wide", 10, 6, {"wide"}},
      {"words ", 10, 2, {"words "}},
      {"words   ", 8, 0, {"words   "}},
      {"words   ", 7, 0, {"words  "}},
      // Tabs to the next multiple of 8.
      {"a\tb", 20, 0, {"a       b"}},
      {"a\tb", 20, 3, {"a    b"}},
  };
  for (const auto& [text, width, column, want] : cases)
    EXPECT_EQ(screen_wrap(text, width, column, false), want) << text << " in " << width;

  Ctype utf8("C.UTF-8");
  ASSERT_TRUE(utf8.ok());
  // By display columns: a wide character counts two, a word of them is
  // cut between characters.
  EXPECT_EQ(screen_wrap("été 日本語 ok", 8, 0, true), (L{"été", "日本語", "ok"}));
  EXPECT_EQ(screen_wrap("日本語日本語", 7, 0, true), (L{"日本語", "日本語"}));
  EXPECT_EQ(screen_wrap("x 日本語日本語", 7, 0, true), (L{"x 日本", "語日本", "語"}));
}

}  // namespace
}  // namespace kg::test
