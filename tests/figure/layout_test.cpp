// The -sequent and -flatten rearrangements: what a written record cannot
// show (numbers, parents, the links both ways) and trees too deep for
// recursion. (The texts they lead to are golden runs.)
#include <string>
#include <tuple>

#include "kg_test.h"
#include "game/pools.h"
#include "figure/figure.h"

namespace kg::test {
namespace {

using Layout = SgfTest;

// Lines and sibling lists stay doubly linked, but for the root of a line
// merged by -flatten, which keeps no prev; every variation knows its parent.
void check_links(const Game* top) {
  for (std::vector<const Game*> work{top}; !work.empty();) {
    const Game* g = work.back();
    work.pop_back();
    for (const Move *m = g->first, *before = nullptr; m; before = m, m = m->next) {
      if (before && !m->prev)
        EXPECT_EQ(m->location, LOC_NONE);
      else
        EXPECT_EQ(m->prev, before);
      for (const Game *v = m->variations, *sibling = nullptr; v; sibling = v, v = v->next) {
        EXPECT_EQ(std::tuple(v->prev, v->parent), std::tuple(sibling, g));
        work.push_back(v);
      }
    }
  }
}
std::vector<int> numbers(const Game* g) {
  std::vector<int> out;
  for (Move* m : moves(g)) out.push_back(m->number);
  return out;
}

TEST_F(Layout, LinksParentsAndNumbers) {
  Game* g = read("(;B[aa];W[ba](;B[ca](;W[da])(;W[ea]))(;B[fa]))");
  ASSERT_NE(g, nullptr);
  game_flatten(g);
  EXPECT_EQ(numbers(g), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(g->movenum, 2);
  EXPECT_EQ(numbers(variations(moves(g)[2])[0]), std::vector<int>{1});  // a choice left behind
  check_links(g);

  g = read("(;B[pd](;W[aa](;B[ba])(;B[ca]))(;W[bb])(;W[cc](;B[da])(;B[ea])))");
  ASSERT_NE(g, nullptr);
  game_sequent(g);
  check_links(g);
  // The last choice went to the front; only the moved one is rearranged in turn.
  std::vector<Game*> v = variations(moves(g)[0]);
  ASSERT_EQ(v.size(), 3u);
  EXPECT_EQ(moves(variations(moves(v[0])[0])[0])[0]->location, point(g, "ea"));
  EXPECT_EQ(moves(variations(moves(v[1])[0])[0])[0]->location, point(g, "ba"));
  game_flatten(nullptr);
  game_sequent(nullptr);

  // Where the line goes on after a branch, nothing merges and nothing is
  // dropped; flattening such a tree again and again needs no more records.
  auto records = [] { return mp_stat(pools.move.pool())->count; };
  std::size_t before = 0;
  for (int i = 0; i < 200; ++i) {
    g = read("(;B[aa](;W[ba]);B[ca];W[da];B[ea])");
    game_flatten(g);
    EXPECT_EQ(numbers(g), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(variations(moves(g)[0]).size(), 1u);
    if (i == 0) before = static_cast<std::size_t>(records());
    game_free(g);
    games_.pop_back();
  }
  EXPECT_EQ(static_cast<std::size_t>(records()), before);
}

TEST_F(Layout, DeepTreesWithoutRecursion) {
  constexpr int depth = 100000;
  std::string text = "(;";
  for (int i = 0; i < depth; ++i) text += "(;B[])(;W[]";
  Game* g = read(text.append(depth, ')') + ")");
  ASSERT_NE(g, nullptr);
  game_sequent(g);
  game_flatten(g);
  // Each level's last choice (the white pass) went to the front and was merged.
  std::vector<Move*> m = moves(g);
  ASSERT_EQ(m.size(), static_cast<std::size_t>(depth));
  EXPECT_EQ(std::tuple(m.back()->colour, m[999]->number), std::tuple(WHITE, 1000));
  check_links(g);
}

}  // namespace
}  // namespace kg::test
