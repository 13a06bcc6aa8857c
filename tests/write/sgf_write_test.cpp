// The SGF writer and the game-information record: exact texts, escaping,
// line breaking, and that what is written reads back to the same text.
#include <string>

#include "read/sgf_helpers.h"

namespace kg::sgftest {
namespace {

class SgfWrite : public SgfTest {
 protected:
  void SetUp() override {
    SgfTest::SetUp();
    sgfwarn = 0;  // re-reading written text warns about AP
  }
};

const char* const kShortHeader = "GM[1]\nVW[aa][ss]\nRG[aa][ss]\nAP[kifugram:2.7.8]\nFF[4]\n";

TEST_F(SgfWrite, LettersReadBackInOrder) {
  longkey = 0;
  std::string out = roundtrip("(;B[aa]LB[dd:X]L[pd];W[bb])");
  EXPECT_NE(out.find(";B[aa]L[dd][pd];W[bb]"), std::string::npos) << out;
  Game* g = read(out);
  ASSERT_NE(g, nullptr);
  Chain* labels = moves(g)[0]->info->labels;
  ASSERT_TRUE(labels && labels->next);
  EXPECT_EQ(labels->label, 'a');
  EXPECT_EQ(labels->location, loc(g, "dd"));
  EXPECT_EQ(labels->next->label, 'b');
}

TEST_F(SgfWrite, CommentPiecesAndEscapes) {
  longkey = 0;
  Game* g = game_alloc(nullptr);
  ASSERT_NE(g, nullptr);
  games_.push_back(g);
  store_node(g);
  store_c(g, "first part ");
  store_c(g, "rest\n");
  store_c(g, std::string_view("a]b\\\0\n", 6));
  const char want[] = "(\n;\nGM[0]\nAP[kifugram:2.7.8]\nFF[4]\n;C[\nfirst part \\\nrest\na\\]b\\\\\0\n]\n)\n";
  EXPECT_EQ(sgf_of(g), std::string(want, sizeof want - 1));

  // A long piece that closes at a blank reads back to the same pieces: the
  // blank of the written backslash-newline is not taken into the next piece.
  std::string long_line = std::string(70, 'x') + "   tail of the line";
  std::string out = roundtrip("(;C[" + long_line + "])");
  Game* again = read(out);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(texts(line(again)[2]), (std::vector<std::string>{std::string(70, 'x') + " ", "tail of the line\n"}));
  EXPECT_EQ(roundtrip(out), out);
}

TEST_F(SgfWrite, NodesWithoutMovesKeepTheirOwnNode) {
  longkey = 0;
  // Marks are written oldest first and a property-only node keeps its ";",
  // so that the text reads back to the same tree.
  std::string out = roundtrip("(;B[aa]BL[5];MA[cc][bb]C[one];AB[dd]C[two];W[ee])");
  EXPECT_EQ(out, std::string("(\n;\n") + kShortHeader + ";B[aa]BL[5];M[cc][bb]C[\none\n]\n;AB[dd]C[\ntwo\n]\n;W[ee])\n");
  EXPECT_EQ(roundtrip(out), out);
}

TEST_F(SgfWrite, OffBoardLocationsAreWrittenAsPasses) {
  longkey = 0;
  Game* g = game_alloc(nullptr);
  ASSERT_NE(g, nullptr);
  games_.push_back(g);
  store_node(g);
  g->current->location = LOC_TENUKI;
  g->current->colour = BLACK;
  EXPECT_EQ(sgf_of(g), std::string("(\n;\nGM[0]\nAP[kifugram:2.7.8]\nFF[4]\n;B[])\n"));
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
  std::string out = roundtrip(text);
  std::string expect = std::string("(\n;\n") + kShortHeader;
  for (int i = 0; i < depth; ++i) expect += "(\n;\n;B[]";
  for (int i = 0; i < depth; ++i) expect += ")\n";
  expect += ")\n";
  EXPECT_TRUE(out == expect) << out.substr(0, 200);
}

// Record texts are in the golden runs; here the run flag and a missing game.
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
