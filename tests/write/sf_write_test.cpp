// Standard-format writer where no golden run reaches: points only a program
// stores (tenuki, passes numbered by hand), setup lists too long for one
// line, a variation ahead of every move, and nesting too deep for recursion.
// Each written record must read back.
#include <cstdlib>
#include <string>
#include <tuple>

#include "kg_test.h"

namespace kg::test {
namespace {

class SfWrite : public Fresh {
 protected:
  void SetUp() override { Fresh::SetUp(), game = new_game(); }

  int at(const char* p, Game* g = nullptr) const {  // "q16" style point
    g = g ? g : game;
    return p[0] - 'a' - (p[0] > 'i') + (g->size - std::atoi(p + 1)) * g->size;
  }
  void play(int number, int colour, const char* p, Game* g = nullptr) {
    g = g ? g : game;
    store_node(g);
    store_move(g, number, colour, at(p, g));
  }
  // Reads `text` back as standard format; there must be no report.
  static Game* read_back(const std::string& text) {
    const std::string name = temp_file();
    put(name, text);
    testing::internal::CaptureStdout();
    Game* back = read_standard(name.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    unlink(name.c_str());
    return back;
  }
};

TEST_F(SfWrite, HeaderMovesPasses) {
  store_pb(game, "X");
  play(1, BLACK, "q16");
  play(2, WHITE, "d4");
  store_node(game);
  store_pass(game, 57, WHITE);
  store_node(game);
  store_pass(game, 58, BLACK);
  game->current->location = LOC_TENUKI;
  EXPECT_EQ(output_of([&] { game2sf(game); }),
            "BLACK X ()\nWHITE  ()\nB 1 q16\nW 2 d4\nW 57 pass\nB 58 tenuki\n");
}

TEST_F(SfWrite, LongListsAreSplitForTheReader) {
  for (int location = 0; location < 19 * 19; ++location)
    store_addstone(game, location % 3 ? BLACK : WHITE, location);
  const std::string text = output_of([&] { game2sf(game); });
  std::size_t start = 0, lines = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1, ++lines) {
    EXPECT_LE(end - start, 254u);
    EXPECT_TRUE(lines < 2 || text.compare(start, 8, "SETUP B ") == 0 ||
                text.compare(start, 8, "SETUP W ") == 0)
        << text.substr(start, end - start);
  }
  Game* back = read_back(text);
  ASSERT_NE(back, nullptr);
  int black = 0, white = 0;
  for (const Chain* c = back->first->info->added; c; c = c->next)
    ++(c->move->colour == BLACK ? black : white);
  EXPECT_EQ(std::pair(black, white), std::pair(240, 121));
  game_free(back);
}

TEST_F(SfWrite, VariationAheadOfEveryMove) {
  Game* v = push_var(game);
  play(1, BLACK, "c3", v);
  pop_var(v);
  store_node(game);
  store_pass(game, 1, BLACK);
  v = push_var(game);
  play(1, BLACK, "d4", v);
  pop_var(v);
  play(2, WHITE, "q16");
  const std::string text = output_of([&] { game2sf(game); });
  EXPECT_EQ(text, "BLACK  ()\nWHITE  ()\nDIAGRAM\n\tVAR\n\tDIAGRAM \n\tB 1 c3\n\tENDVAR\n"
                  "B 1 pass\n\tVAR\n\tDIAGRAM \n\tB 1 d4\n\tENDVAR\nW 2 q16\n");
  Game* back = read_back(text);
  ASSERT_NE(back, nullptr);
  const std::vector<Move*> n = line(back);
  ASSERT_EQ(n.size(), 3u);
  EXPECT_TRUE(n[0]->variations && n[1]->variations);
  EXPECT_EQ(std::tuple(n[1]->location, n[2]->location), std::tuple(LOC_PASS, at("q16")));
  game_free(back);
}

TEST_F(SfWrite, MillionNestedVariationsInOrder) {
  constexpr int kDepth = 1000000;
  play(1, BLACK, "q16");
  Game* g = game;
  for (int i = 0; i < kDepth; ++i) g = push_var(g);
  play(2, WHITE, "d4", g);
  play(2, WHITE, "c3");
  std::string nested;
  for (int i = 0; i < kDepth; ++i) nested += "\tVAR\n\tDIAGRAM \n";
  nested += "\tW 2 d4\n";
  for (int i = 0; i < kDepth; ++i) nested += "\tENDVAR\n";
  EXPECT_TRUE(output_of([&] { game2sf(game); }) == "BLACK  ()\nWHITE  ()\nB 1 q16\n" + nested + "W 2 c3\n");
}

}  // namespace
}  // namespace kg::test
