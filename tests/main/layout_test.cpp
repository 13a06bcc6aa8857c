// The -sequent and -flatten rearrangements: numbering, parents and links
// (the texts they lead to are in the golden runs).
#include <string>

#include "main/figure.h"
#include "read/sgf_helpers.h"

namespace kg::sgftest {
namespace {

using Layout = SgfTest;
using Placed = std::vector<std::pair<int, int>>;

// Lines and sibling lists stay doubly linked.
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
        work.push_back(v);
      }
    }
  }
}

Placed placed(const Game* g) {
  Placed out;
  for (Move* m = g->first; m; m = m->next)
    if (m->location != LOC_NONE) out.emplace_back(m->location, m->number);
  return out;
}

TEST_F(Layout, FlattenMergesTheFirstChoices) {
  Game* g = read("(;B[aa];W[ba](;B[ca](;W[da])(;W[ea]))(;B[fa]))");
  ASSERT_NE(g, nullptr);
  game_flatten(g);
  EXPECT_EQ(placed(g), (Placed{{loc(g, "aa"), 1}, {loc(g, "ba"), 2}, {loc(g, "ca"), 3}, {loc(g, "da"), 4}}));
  EXPECT_EQ(g->movenum, 2);
  // The choices left behind belong to the top game and keep their numbers.
  std::vector<Move*> m = moves(g);
  for (auto [node, point] : {std::pair{m[1], "fa"}, std::pair{m[2], "ea"}}) {
    std::vector<Game*> rest = variations(node);
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(rest[0]->parent, g);
    EXPECT_EQ(placed(rest[0]), (Placed{{loc(g, point), 1}}));
  }
  check_links(g);
  game_flatten(nullptr);
}

TEST_F(Layout, SequentMovesTheLastChoiceToTheFront) {
  const char* text = "(;B[pd](;W[aa](;B[ba])(;B[ca]))(;W[bb])(;W[cc](;B[da])(;B[ea])))";
  Game* g = read(text);
  ASSERT_NE(g, nullptr);
  game_sequent(g);
  std::vector<Game*> v = variations(moves(g)[0]);
  ASSERT_EQ(v.size(), 3u);
  EXPECT_EQ(moves(v[0])[0]->location, loc(g, "cc"));
  EXPECT_EQ(moves(v[1])[0]->location, loc(g, "aa"));
  EXPECT_EQ(moves(v[2])[0]->location, loc(g, "bb"));
  // Only the moved variation is rearranged in turn.
  EXPECT_EQ(moves(variations(moves(v[0])[0])[0])[0]->location, loc(g, "ea"));
  EXPECT_EQ(moves(variations(moves(v[1])[0])[0])[0]->location, loc(g, "ba"));
  check_links(g);
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
}

}  // namespace
}  // namespace kg::sgftest
