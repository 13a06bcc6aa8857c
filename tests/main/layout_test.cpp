// The -sequent and -flatten rearrangements: what a written record cannot
// show (numbers, parents, the links both ways) and trees too deep for
// recursion. (The texts they lead to are golden runs.)
#include <string>

#include "main/figure.h"
#include "read/sgf_helpers.h"

namespace kg::sgftest {
namespace {

using Layout = SgfTest;

// Lines and sibling lists stay doubly linked, and every variation knows its parent.
void check_links(const Game* top) {
  std::vector<const Game*> work{top};
  while (!work.empty()) {
    const Game* g = work.back();
    work.pop_back();
    const Move* before = nullptr;
    for (const Move* m = g->first; m; before = m, m = m->next) {
      EXPECT_EQ(m->prev, before);
      const Game* sibling = nullptr;
      for (const Game* v = m->variations; v; sibling = v, v = v->next) {
        EXPECT_EQ(v->prev, sibling);
        EXPECT_EQ(v->parent, g);
        work.push_back(v);
      }
    }
  }
}

TEST_F(Layout, LinksParentsAndNumbers) {
  Game* g = read("(;B[aa];W[ba](;B[ca](;W[da])(;W[ea]))(;B[fa]))");
  ASSERT_NE(g, nullptr);
  game_flatten(g);
  std::vector<int> numbers;
  for (Move* m : moves(g)) numbers.push_back(m->number);
  EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(g->movenum, 2);
  // A choice left behind keeps its number.
  EXPECT_EQ(moves(variations(moves(g)[2])[0])[0]->number, 1);
  check_links(g);

  g = read("(;B[pd](;W[aa](;B[ba])(;B[ca]))(;W[bb])(;W[cc](;B[da])(;B[ea])))");
  ASSERT_NE(g, nullptr);
  game_sequent(g);
  check_links(g);
  // The last choice went to the front; only the moved one is rearranged in turn.
  std::vector<Game*> v = variations(moves(g)[0]);
  ASSERT_EQ(v.size(), 3u);
  EXPECT_EQ(moves(variations(moves(v[0])[0])[0])[0]->location, loc(g, "ea"));
  EXPECT_EQ(moves(variations(moves(v[1])[0])[0])[0]->location, loc(g, "ba"));
  game_flatten(nullptr);
  game_sequent(nullptr);
}

TEST_F(Layout, DeepTreesWithoutRecursion) {
  constexpr int depth = 100000;
  std::string text = "(;";
  for (int i = 0; i < depth; ++i) text += "(;B[])(;W[]";
  text.append(depth, ')');
  text += ")";
  Game* g = read(text);
  ASSERT_NE(g, nullptr);
  game_sequent(g);
  game_flatten(g);
  // Each level's last choice (the white pass) went to the front and was merged.
  std::vector<Move*> m = moves(g);
  ASSERT_EQ(m.size(), static_cast<std::size_t>(depth));
  EXPECT_EQ(m.back()->colour, WHITE);
  EXPECT_EQ(m[999]->number, 1000);
  check_links(g);
}

}  // namespace
}  // namespace kg::sgftest
