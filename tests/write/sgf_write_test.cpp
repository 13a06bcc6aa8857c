// The SGF writer and the game-information record where no read record can
// lead: bytes no reader stores, locations off the board, a nesting too deep
// for recursion, and the record written once per run. (Texts, escapes and
// line breaking are golden runs.)
#include <string>

#include "read/sgf_helpers.h"

namespace kg::sgftest {
namespace {

using SgfWrite = SgfTest;

const char* const kShortHeader = "GM[1]\nVW[aa][ss]\nRG[aa][ss]\nAP[kifugram:2.7.8]\nFF[4]\n";

TEST_F(SgfWrite, NodesMadeByHand) {
  longkey = 0;
  Game* g = game_alloc(nullptr);
  ASSERT_NE(g, nullptr);
  games_.push_back(g);
  store_node(g);
  store_c(g, std::string_view("a]b\\\0\n", 6));
  store_m(g, 2, 3, nullptr);
  store_node(g);
  g->current->location = LOC_TENUKI;  // off the board: written as a pass
  g->current->colour = BLACK;
  const char want[] = "(\n;\nGM[0]\nAP[kifugram:2.7.8]\nFF[4]\n;M[ca]C[\na\\]b\\\\\0\n]\n;B[])\n";
  EXPECT_EQ(sgf_of(g), std::string(want, sizeof want - 1));
}

TEST_F(SgfWrite, DeepNestingWritesWithoutRecursion) {
#if defined(__SANITIZE_ADDRESS__)
  constexpr int depth = 200000;
#else
  constexpr int depth = 1000000;
#endif
  std::string text = "(;";
  for (int i = 0; i < depth; ++i) text += "(;B[]";
  text.append(depth, ')');
  text += ")";
  longkey = 0;
  sgfwarn = 0;
  Game* g = read(text);
  ASSERT_NE(g, nullptr);
  std::string expect = std::string("(\n;\n") + kShortHeader;
  for (int i = 0; i < depth; ++i) expect += "(\n;\n;B[]";
  for (int i = 0; i < depth; ++i) expect += ")\n";
  expect += ")\n";
  EXPECT_TRUE(sgf_of(g) == expect);
}

TEST_F(SgfWrite, RecordOncePerRun) {
  Game* g = read("(;PB[X];B[];W[])", "x.sgf");
  ASSERT_NE(g, nullptr);
  longkey = 0;
  const char* record = "FF[4]\nPB[X]\nMS[2]\nFN[x.sgf]\n";
  EXPECT_EQ(output_of([g] { game2db(g, "x.sgf"); }), record);
  EXPECT_EQ(output_of([g] { game2db(g, "x.sgf"); }), "");
  game2db_reset();
  EXPECT_EQ(output_of([g] { game2db(g, "x.sgf"); }), record);
  game2db_reset();
  EXPECT_EQ(output_of([] { game2db(nullptr, "bad.sgf"); }), "");
  EXPECT_EQ(output_of([] { game2db(nullptr, nullptr); }), "");
}

}  // namespace
}  // namespace kg::sgftest
