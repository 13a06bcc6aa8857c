// Standard-format writer: header, moves and passes, points, prisoners,
// setup, marks, comments, variations, and reading its output back.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "game/game.h"
#include "main/settings.h"
#include "read/readers.h"
#include "util/message.h"
#include "write/writers.h"

namespace kg {
namespace {

class SfWrite : public testing::Test {
 protected:
  void SetUp() override {
    settings_reset();
    sgfwarn = 1;
    message_column = 0;
    game = game_alloc(nullptr);
    ASSERT_NE(game, nullptr);
  }
  void TearDown() override { game_free(game); }

  static std::string write(Game* g) {
    char* buffer = nullptr;
    std::size_t length = 0;
    fw = open_memstream(&buffer, &length);
    game2sf(g);
    std::fclose(fw);
    fw = stdout;
    std::string text(buffer, length);
    std::free(buffer);
    return text;
  }
  int at(const char* p, Game* g = nullptr) const {  // "q16" style point
    g = g ? g : game;
    int column = p[0] - 'a' - (p[0] > 'i' ? 1 : 0);
    return column + (g->size - std::atoi(p + 1)) * g->size;
  }
  void play(int number, int colour, const char* p, Game* g = nullptr) {
    g = g ? g : game;
    store_node(g);
    store_move(g, number, colour, at(p, g));
  }

  Game* game = nullptr;
};

// Reads `text` back as standard format; reports must stay empty.
Game* read_back(const std::string& text) {
  char name[] = "/tmp/kg-sfw-XXXXXX";
  int fd = mkstemp(name);
  EXPECT_GE(fd, 0);
  EXPECT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  close(fd);
  testing::internal::CaptureStdout();
  Game* back = read_standard(name);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  unlink(name);
  return back;
}

TEST_F(SfWrite, HeaderMovesPasses) {
  store_pb(game, "X");
  play(1, BLACK, "q16");
  play(2, WHITE, "d4");
  store_node(game);
  store_pass(game, 57, WHITE);
  store_node(game);
  store_pass(game, 58, BLACK);
  game->current->location = LOC_TENUKI;
  EXPECT_EQ(write(game), "BLACK X ()\nWHITE  ()\nB 1 q16\nW 2 d4\nW 57 pass\nB 58 tenuki\n");
}

TEST_F(SfWrite, Comments) {
  play(1, BLACK, "q16");
  store_c(game, "abc ");
  store_c(game, "def\n");
  Game* v = push_var(game);
  store_c(v, "no line end");
  std::string text = write(game);
  EXPECT_EQ(text, "BLACK  ()\nWHITE  ()\nB 1 q16\nCOM\nabc \ndef\nENDCOM\n\tVAR\n\tDIAGRAM \n"
                  "\tCOM\n\tno line end\n\tENDCOM\n\tENDVAR\n");
}

TEST_F(SfWrite, SmallBoardReadsBackSmall) {
  store_sz(game, 9);
  store_pb(game, "B");
  play(1, BLACK, "e5");
  play(2, WHITE, "j9");
  std::string text = write(game);
  EXPECT_EQ(text, "BOARDSIZE 9\nBLACK B ()\nWHITE  ()\nB 1 e5\nW 2 j9\n");
  Game* back = read_back(text);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->size, 9);
  EXPECT_EQ(back->first->next->location, 4 + 4 * 9);
  EXPECT_EQ(back->first->next->next->location, 8);
  game_free(back);
}

TEST_F(SfWrite, LongListsAreSplitForTheReader) {
  for (int location = 0; location < 19 * 19; ++location)
    store_addstone(game, location % 3 ? BLACK : WHITE, location);
  std::string text = write(game);
  std::size_t start = 0, lines = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1, ++lines) {
    EXPECT_LE(end - start, 254u);
    EXPECT_TRUE(text.compare(start, 8, "SETUP B ") == 0 || text.compare(start, 8, "SETUP W ") == 0 ||
                lines < 2)
        << text.substr(start, end - start);
  }
  Game* back = read_back(text);
  ASSERT_NE(back, nullptr);
  int black = 0, white = 0;
  for (const Chain* c = back->first->info->added; c; c = c->next) ++(c->move->colour == BLACK ? black : white);
  EXPECT_EQ(black, 240);
  EXPECT_EQ(white, 121);
  game_free(back);
}

TEST_F(SfWrite, VariationAheadOfEveryMove) {
  Game* v = push_var(game);
  play(1, BLACK, "c3", v);
  pop_var(v);
  store_node(game);
  store_pass(game, 1, BLACK);
  Game* w = push_var(game);
  play(1, BLACK, "d4", w);
  pop_var(w);
  play(2, WHITE, "q16");
  std::string text = write(game);
  EXPECT_EQ(text, "BLACK  ()\nWHITE  ()\nDIAGRAM\n\tVAR\n\tDIAGRAM \n\tB 1 c3\n\tENDVAR\n"
                  "B 1 pass\n\tVAR\n\tDIAGRAM \n\tB 1 d4\n\tENDVAR\nW 2 q16\n");
  Game* back = read_back(text);
  ASSERT_NE(back, nullptr);
  Move* root = back->first;
  ASSERT_NE(root->variations, nullptr);
  ASSERT_NE(root->next, nullptr);
  EXPECT_EQ(root->next->location, LOC_PASS);
  ASSERT_NE(root->next->variations, nullptr);
  ASSERT_NE(root->next->next, nullptr);
  EXPECT_EQ(root->next->next->location, at("q16"));
  EXPECT_EQ(root->next->next->next, nullptr);
  game_free(back);
}

TEST_F(SfWrite, MillionNestedVariationsInOrder) {
  constexpr int kDepth = 1000000;
  play(1, BLACK, "q16");
  Game* g = game;
  for (int i = 0; i < kDepth; ++i) g = push_var(g);
  store_node(g);
  store_move(g, 2, WHITE, at("d4", g));
  play(2, WHITE, "c3");
  std::string text = write(game);
  std::string nested;
  for (int i = 0; i < kDepth; ++i) nested += "\tVAR\n\tDIAGRAM \n";
  nested += "\tW 2 d4\n";
  for (int i = 0; i < kDepth; ++i) nested += "\tENDVAR\n";
  EXPECT_TRUE(text == "BLACK  ()\nWHITE  ()\nB 1 q16\n" + nested + "W 2 c3\n");
}

}  // namespace
}  // namespace kg
