// The SGF reader where a written record cannot show it: values and bytes as
// stored, where reading stops, short points, player lists, the view fixes,
// and input ending inside a value. (Keys, escapes, comment pieces, kibitz
// mode and the common failures are golden runs.)
#include <string>
#include <tuple>

#include "read/sgf_helpers.h"

namespace kg::sgftest {
namespace {

using SgfRead = SgfTest;

TEST_F(SgfRead, ValuesBytesAndPasses) {
  const char text[] = "(;PC[x\\\r\ny\rz];C[\r\na\0b\xff(;)[\n]GN[\xe9t\xe9];B[pd];W[];SZ[9]W[tt])";
  Game* g = read(std::string(text, sizeof text - 1));
  ASSERT_NE(g, nullptr);
  EXPECT_STREQ(info_pc(g), "x yz");
  const Text* t = line(g)[2]->info->texts;
  EXPECT_EQ(std::tuple(t->text, t->next), std::tuple(std::string("a\0b\xff(;)[\n", 9), nullptr));
  EXPECT_STREQ(info_gn(g), "\xe9t\xe9");
  auto m = moves(g);
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[1]->location, LOC_PASS);
  EXPECT_EQ(m[2]->location, LOC_PASS);  // tt on any board size
  EXPECT_EQ(m[2]->number, 3);
  EXPECT_EQ(g->nmoves, 3);
  EXPECT_EQ(g->movenum, 0);

  // The 1024 first characters are kept; "\]" after them still ends the value.
  std::string value;
  for (int i = 0; i < 1030; ++i) value += static_cast<char>('a' + i % 26);
  read_errors("(;GN[" + value + "\\]EV[e])", &g);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(std::string(info_gn(g)), value.substr(0, 1024));
  EXPECT_STREQ(info_ev(g), "e");

  // Only the first game is read; its closing ")" is the last byte taken.
  g = read("(;B[pd])(;W[dd])");
  EXPECT_EQ(last_offset_, 8);
  kibitz = 1;  // a value without a key is a kibitz line in this mode
  g = read("(;C[];[ ab[ 5k\\]*: x])");
  ASSERT_TRUE(g && line(g)[2]->info && line(g)[2]->info->texts->name);
  EXPECT_EQ(*line(g)[2]->info->texts->name, "ab");
  EXPECT_EQ(line(g)[2]->info->texts->rank, 50);
}

TEST_F(SgfRead, LabelsAndShortPoints) {
  Game* g = nullptr;
  EXPECT_EQ(read_errors("(;LB[dd:A]LB[pd:]L[qq][rr]LB[d]AB[]AW[a]M[a]RG[a];B[d])", &g),
            "Bad pnt in LB[\"d\"]\n*** B[`a] (off the board) ***\n");
  ASSERT_NE(g, nullptr);
  std::vector<std::pair<int, int>> labels;
  for (Chain* c = line(g)[1]->info->labels; c; c = c->next)
    labels.emplace_back(c->location, c->label);
  // LB[pd:] has no letter; L letters follow the last.
  const std::vector<std::pair<int, int>> want = {
      {loc(g, "dd"), 'A'}, {loc(g, "pd"), 0}, {loc(g, "qq"), 1}, {loc(g, "rr"), 2}};
  EXPECT_EQ(labels, want);
  EXPECT_FALSE(line(g)[1]->info->added || line(g)[1]->info->marks);  // short points are dropped
  EXPECT_EQ(moves(g).size(), 0u);
  sgfwarn = 0;  // the LB messages do not depend on it
  EXPECT_EQ(read_errors("(;LB[dd])"), "Missing semicolon in LB[\"dd\"]\n");
}

TEST_F(SgfRead, PlayersNumbersAndViews) {
  const char* text = "(;GM[ 5x]FF[3]SZ[9]PB[X]BP[Y,2d]WP[nothing];B[cc](;VW[bb][dd]RG[cc];W[dd]))";
  Game* g = read(text, "x.sgf");
  ASSERT_NE(g, nullptr);
  EXPECT_STREQ(info_pbn(g, 1), "Y");
  EXPECT_STREQ(info_brn(g, 1), "2d");
  EXPECT_STREQ(info_pw(g), "");  // no team: WP without a comma stores nothing
  EXPECT_EQ(g->gametype, 1);
  EXPECT_EQ(g->format, "3");
  EXPECT_EQ(g->filename, "x.sgf");
  EXPECT_EQ(g->view.width, 9);
  EXPECT_EQ(g->region.height, 9);
  Game* v = moves(g)[0]->variations;
  EXPECT_EQ(v->view.x, 1);
  EXPECT_EQ(v->view.width, 3);
  EXPECT_EQ(v->region.width, 3);  // one corner: from the top left corner
  g = read("(;VW[bb][dd]VW[])");
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->view.x, 0);
  EXPECT_EQ(g->view.width, 19);
  // A board size too large for an int saturates instead of overflowing.
  EXPECT_EQ(read_errors("(;SZ[99999999999999999999])"),
            "*** 2147483647 is an illegal board size ***\n*** Substituted 19 as board size ***\n");
}

// Every failure releases the partly built game (the sanitizer build checks)
// and gives none.
TEST_F(SgfRead, InputEndingInsideAValue) {
  Game* g = reinterpret_cast<Game*>(1);
  EXPECT_EQ(read_errors("(;C[", &g), "4: C[]\n");
  EXPECT_EQ(g, nullptr);
  // End of input while the blanks after a closing blank are skipped.
  EXPECT_EQ(read_errors("(;C[" + std::string(64, 'x') + "   ", &g), "69: C[]\n");
  EXPECT_EQ(g, nullptr);
  sgfwarn = 0;
  EXPECT_EQ(read_errors("(;]", &g), "");
  EXPECT_EQ(read_errors("(;AP[x];B[pd]", &g), "");
  EXPECT_EQ(g, nullptr);
}

}  // namespace
}  // namespace kg::sgftest
