// Standard-format writer where no golden run reaches: points only a program
// stores (tenuki, passes numbered by hand) and nesting too deep for
// recursion. (Long setup lists and variations, written and read back, are
// golden runs.)
#include <cstdlib>
#include <string>

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
  EXPECT_EQ(output_of([&](FILE* f) { game2sf(game, f); }),
            "BLACK X\nWHITE\nB 1 q16\nW 2 d4\nW 57 pass\nB 58 tenuki\n");
}

TEST_F(SfWrite, MillionNestedVariationsInOrder) {
  constexpr int kDepth = 1000000;
  play(1, BLACK, "q16");
  Game* g = game;
  for (int i = 0; i < kDepth; ++i) g = push_var(g);
  play(2, WHITE, "d4", g);
  play(2, WHITE, "c3");
  std::string nested;
  // Each variation starts from the position after q16, played again.
  for (int i = 0; i < kDepth; ++i) nested += "\tVAR\n\tDIAGRAM \n\tB 1 q16\n";
  nested += "\tW 2 d4\n";
  for (int i = 0; i < kDepth; ++i) nested += "\tENDVAR\n";
  EXPECT_TRUE(output_of([&](FILE* f) { game2sf(game, f); }) == "BLACK\nWHITE\nB 1 q16\n" + nested + "W 2 c3\n");
}

}  // namespace
}  // namespace kg::test
