// The SGF reader and writer where a written record cannot show it: where
// reading stops, kibitz names and ranks, short points, players, views, input
// ending inside a value, nodes made by hand, nesting too deep for recursion
// and the record written once per run. (The rest is golden runs.)
#include <algorithm>
#include <string>
#include <tuple>

#include "kg_test.h"

namespace kg::test {
namespace {

using SgfRead = SgfTest;
using SgfWrite = SgfTest;

// (Values with any byte, passes and the 1024-character cut are golden runs.)
TEST_F(SgfRead, WhereReadingStopsAndKibitzLines) {
  // Only the first game is read; its closing ")" is the last byte taken.
  read("(;B[pd])(;W[dd])");
  EXPECT_EQ(last_offset_, 8);
  opt().kibitz = 1;  // a value without a key is a kibitz line in this mode
  Game* g = read("(;C[];[ ab[ 5k\\]*: x])");
  ASSERT_TRUE(g && line(g)[2]->info && line(g)[2]->info->texts->name);
  EXPECT_EQ(std::tuple(*line(g)[2]->info->texts->name, line(g)[2]->info->texts->rank),
            std::tuple("ab", 50));
}

TEST_F(SgfRead, LabelsAndShortPoints) {
  Game* g = nullptr;
  EXPECT_EQ(read_errors("(;LB[dd:A]LB[pd:]L[qq][rr]LB[d]AB[]AW[a]M[a]RG[a];B[d])", &g),
            "Empty label in LB[\"pd:\"]\nBad pnt in LB[\"d\"]\n*** B[`a] (off the board) ***\n");
  ASSERT_NE(g, nullptr);
  std::vector<std::tuple<int, int, std::string>> labels;
  for (Chain* c = line(g)[1]->info->labels; c; c = c->next)
    labels.emplace_back(c->location, c->label, c->text ? *c->text : "-");
  // LB[pd:] has no text and is dropped; L letters follow the last and have
  // no text of their own.
  const std::vector<std::tuple<int, int, std::string>> want = {
      {point(g, "dd"), 'A', "A"}, {point(g, "qq"), 'B', "-"}, {point(g, "rr"), 'C', "-"}};
  EXPECT_EQ(labels, want);
  EXPECT_FALSE(line(g)[1]->info->added || line(g)[1]->info->marks);  // short points are dropped
  EXPECT_EQ(moves(g).size(), 0u);
  opt().sgfwarn = 0;  // the LB messages do not depend on it
  EXPECT_EQ(read_errors("(;LB[dd])"), "Missing semicolon in LB[\"dd\"]\n");
}

TEST_F(SgfRead, PlayersNumbersAndViews) {
  Game* g = read("(;GM[ 5x]FF[3]SZ[9]PB[X]BP[Y,2d]WP[nothing];B[cc](;VW[bb][dd]RG[cc];W[dd])(;W[ee]))",
                 "x.sgf");
  ASSERT_NE(g, nullptr);
  EXPECT_STREQ(info_pbn(g, 1), "Y");
  EXPECT_STREQ(info_brn(g, 1), "2d");
  EXPECT_STREQ(info_pw(g), "");  // no team: WP without a comma stores nothing
  EXPECT_EQ(std::tuple(g->gametype, g->format, g->filename, g->view.width, g->region.height),
            std::tuple(1, "3", "x.sgf", 9, 9));
  const Game* v = moves(g)[0]->variations;
  // the view holds both points; one corner of a region: from the top left corner
  EXPECT_EQ(std::tuple(v->view.x, v->view.width, v->region.width), std::tuple(1, 3, 3));
  // a list of points, compressed or not: the smallest rectangle holding them
  g = read("(;FF[4]VW[cb:ed][ac])");
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(std::tuple(g->view.x, g->view.y, g->view.width, g->view.height), std::tuple(0, 1, 5, 3));
  g = read("(;VW[bb][dd]VW[])");
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(std::tuple(g->view.x, g->view.width), std::tuple(0, 19));
  // A board size too large for an int saturates instead of overflowing.
  EXPECT_EQ(read_errors("(;SZ[99999999999999999999])"),
            "*** 2147483647 is an illegal board size ***\n*** Substituted 19 as board size ***\n");
}

// A sole sub-tree continues its line, however deep: its moves numbered on,
// the variations on its nodes now the line's own, its name kept as N.
TEST_F(SgfRead, SoleSubTreesContinueTheirLine) {
  Game* g = read("(;SZ[9](;N[inner]B[aa](;W[bb](;B[cc](;W[dd])(;W[ee])))))");
  ASSERT_NE(g, nullptr);
  const std::vector<Move*> m = moves(g);
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(std::tuple(m[0]->number, m[1]->number, m[2]->number), std::tuple(1, 2, 3));
  const std::vector<Game*> v = variations(m[2]);
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(std::tuple(v[0]->parent, v[1]->parent), std::tuple(g, g));
  EXPECT_EQ(std::tuple(g->movenum, g->nmoves), std::tuple(0, 3));
  ASSERT_TRUE(m[0]->info && m[0]->info->raw);
  EXPECT_EQ((*m[0]->info->raw)[0].key, "N");
  EXPECT_EQ((*m[0]->info->raw)[0].values, std::vector<std::string>{"inner"});
  // A line that goes on after its variation keeps it.
  g = read("(;B[pd](;W[dp]);W[dd])");
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(variations(moves(g)[0]).size(), 1u);
}

// A record cut short keeps what was read, with one warning; the value it
// ends in is dropped. A syntax failure releases the partly built game (the
// sanitizer build checks) and gives none.
TEST_F(SgfRead, InputEndingInsideAValue) {
  const std::string cut = "sgf_read(): EOF before End Of Game\n";
  const std::tuple<std::string, std::string, int> cases[] = {
      {"(;C[", cut, 0},
      // end of input while the blanks after a closing blank are skipped
      {"(;C[" + std::string(64, 'x') + "   ", cut, 0},
      {"(;B[pd](;W[dd];B[dp](;W[pp]", cut, 4},  // the open lines continue the main line
      {"(;B[pd]C[a\\", cut, 1},
      {"(;AP[x];B[pd]", cut, 1}};
  for (const auto& [text, errors, count] : cases) {
    Game* g = nullptr;
    EXPECT_EQ(read_errors(text, &g), errors) << text;
    ASSERT_NE(g, nullptr) << text;
    EXPECT_EQ(moves(g).size(), static_cast<std::size_t>(count)) << text;
  }
  Game* g = reinterpret_cast<Game*>(1);
  opt().sgfwarn = 0;
  EXPECT_EQ(read_errors("(;]", &g), "");
  EXPECT_EQ(g, nullptr);
}

TEST_F(SgfWrite, NodesMadeByHand) {
  opt().longkey = 0;
  Game* g = new_game();
  games_.push_back(g);
  store_node(g);
  store_c(g, std::string_view("a]b\\\0\n", 6));
  store_m(g, 2, 3);
  store_node(g);
  g->current->location = LOC_TENUKI;  // off the board: written as a pass
  g->current->colour = BLACK;
  const char want[] = "(\n;\nGM[1]\nAP[kifugram:2.7.8]\nFF[4]\n;MA[ca]C[\na\\]b\\\\\0\n]\n;B[])\n";
  EXPECT_EQ(sgf_of(g), std::string(want, sizeof want - 1));
}

TEST_F(SgfWrite, DeepNestingWritesWithoutRecursion) {
#if defined(__SANITIZE_ADDRESS__)
  constexpr int depth = 200000;
#else
  constexpr int depth = 1000000;
#endif
  // Every line but the innermost has two alternatives, a deeper one and
  // W[]; the outermost is the main line's only continuation.
  std::string text = "(;";
  for (int i = 0; i < depth; ++i) text += "(;B[]";
  for (int i = 0; i < depth; ++i) text += "(;W[]))";
  text += ")";
  opt().longkey = 0;
  opt().sgfwarn = 0;
  Game* g = read(text);
  ASSERT_NE(g, nullptr);
  const std::string written = sgf_of(g);
  const std::string head = "(\n;\nGM[1]\nAP[kifugram:2.7.8]\nFF[4]\n;B[](\n;B[](\n;B[]";
  EXPECT_EQ(written.substr(0, head.size()), head);
  // The innermost W[] continues its line: "(;B[](;W[]))" reads as "(;B[];W[])".
  EXPECT_NE(written.find(";B[];W[])\n"), std::string::npos);
  EXPECT_EQ(std::count(written.begin(), written.end(), '('), 2 * depth - 1);
  Game* again = read(written);
  ASSERT_NE(again, nullptr);
  EXPECT_TRUE(sgf_of(again) == written);
}

TEST_F(SgfWrite, RecordOfEachWriting) {
  Game* g = read("(;PB[X];B[];W[])", "x.sgf");
  ASSERT_NE(g, nullptr);
  opt().longkey = 0;
  auto db = [](Game* g, const char* name) {
    return output_of([=](FILE* f) { game2db(g, name, opt(), f); });
  };
  const char* record = "FF[4]\nPB[X]\nMS[2]\nFN[x.sgf]\n";
  EXPECT_EQ(db(g, "x.sgf"), record);
  EXPECT_EQ(db(g, "x.sgf"), record);  // every writing writes its own
  EXPECT_EQ(db(nullptr, "bad.sgf") + db(nullptr, nullptr), "");
}

}  // namespace
}  // namespace kg::test
