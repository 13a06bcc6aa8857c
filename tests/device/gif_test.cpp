// The gif device's pure parts: stars on the boards no golden run draws, the
// tile names of labels, and quoting for /bin/sh tried on the shell itself.
#include <cctype>
#include <cstdio>
#include <set>
#include <string>

#include "device/gif.h"
#include "device/gif_tiles.h"
#include "game/game.h"
#include "kg_test.h"

namespace kg::test {
namespace {

class GifTest : public Fresh {};

TEST_F(GifTest, StarPointsByBoardSize) {
  auto stars = [](int size) {
    Game* g = new_game(size);
    std::string out;
    for (int p = 0; p < size * size; ++p)
      if (gif_star(g, p)) out += format_text("%d,%d ", p % size + 1, p / size + 1);
    game_free(g);
    return out;
  };
  EXPECT_EQ(stars(19), "4,4 10,4 16,4 4,10 10,10 16,10 4,16 10,16 16,16 ");
  EXPECT_EQ(stars(13), "4,4 10,4 7,7 4,10 10,10 ");
  EXPECT_EQ(stars(9), "3,3 7,3 5,5 3,7 7,7 ");
  EXPECT_EQ(stars(15), "8,8 ");
  EXPECT_EQ(stars(7), "4,4 ");
  EXPECT_EQ(stars(8), "");
}

// A label's tile name holds nothing but letters, digits and slashes.
TEST_F(GifTest, LabelTilesNeedNoQuoting) {
  for (auto [code, tile] : {std::pair{'a', "l/a"}, {'Z', "l/Z"}, {'7', "l/7"}, {';', "l/x3b"}})
    EXPECT_EQ(label_tile(code), tile);
  EXPECT_EQ(label_tile('a' + 256), "l/a");
  for (int code = -300; code < 600; ++code)
    for (char c : label_tile(code)) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || c == '/');
}

// On a stone, the stone's own set of letters; on an empty point, the board's.
TEST_F(GifTest, LabelTilesOnStones) {
  EXPECT_EQ(label_tile('a', 'b'), "bl/a");
  EXPECT_EQ(label_tile(';', 'w'), "wl/x3b");
  EXPECT_EQ(label_tile('Q', 'e'), "l/Q");
}

// Every kind of mark has a tile, each its own, named without anything a
// shell would read; kinds no reader makes (discs, shades) too. A text mark
// is drawn as a plain one.
TEST_F(GifTest, EveryMarkKindHasATile) {
  EXPECT_STREQ(gif_mark_tile(MARK_TEXT), gif_mark_tile(MARK_PLAIN));
  EXPECT_EQ(gif_mark_tile(0), nullptr);
  EXPECT_EQ(gif_mark_tile(MARK_DIMMED + 1), nullptr);
  EXPECT_STREQ(gif_mark_tile(MARK_CIRCLE), "c");
  EXPECT_STREQ(gif_mark_tile(MARK_CIRCLE_FILLED), "cf");
  EXPECT_STREQ(gif_mark_tile(MARK_SHADE_FIRST), "g0");
  EXPECT_STREQ(gif_mark_tile(MARK_SHADE_FIRST + 5), "g50");
  EXPECT_STREQ(gif_mark_tile(MARK_SHADE_LAST), "g100");
  std::set<std::string> names;
  for (int kind = MARK_CROSS; kind <= MARK_DIMMED; ++kind) {
    const char* tile = gif_mark_tile(kind);
    ASSERT_NE(tile, nullptr) << kind;
    EXPECT_TRUE(names.insert(tile).second) << tile;
    for (const char* c = tile; *c; ++c) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(*c)));
  }
}

// What the shell makes of a quoted word is the word itself.
TEST_F(GifTest, QuotedWordsComeBackWhole) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  for (std::string word : {std::string(), std::string("plain"), std::string("'"),
                           std::string("it's $(echo x) `echo y` \"*\" \\\n;"), all}) {
    std::string command = "printf '%s' " + shell_quote(word);
    FILE* sh = popen(command.c_str(), "r");
    ASSERT_NE(sh, nullptr);
    std::string got;
    char buffer[512];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, sh)) > 0;) got.append(buffer, n);
    EXPECT_EQ(pclose(sh), 0);
    EXPECT_EQ(got, word);
  }
}

}  // namespace
}  // namespace kg::test
