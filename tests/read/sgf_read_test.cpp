// The SGF reader: scanner states, keys, values, comment pieces, labels, the
// end-of-line fixes and every failure path.
#include <string>

#include "read/sgf_helpers.h"

namespace kg::sgftest {
namespace {

using SgfRead = SgfTest;

TEST_F(SgfRead, MovesAndPasses) {
  Game* g = read("(;B[pd];W[];SZ[9]W[tt])");
  ASSERT_NE(g, nullptr);
  auto m = moves(g);
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0]->location, 15 + 3 * 19);
  EXPECT_EQ(m[1]->location, LOC_PASS);
  EXPECT_EQ(m[2]->location, LOC_PASS);  // tt on any board size
  EXPECT_EQ(m[2]->number, 3);
  EXPECT_EQ(g->nmoves, 3);
  EXPECT_EQ(g->movenum, 0);
}

TEST_F(SgfRead, ValuesEscapesAndAnyByte) {
  Game* g = read("(;GN[a\\]b\\\\c]EV[one\\\ntwo]PC[x\\\r\ny\rz]AB[aa] [bb]\n[cc];C[(;)[\n])");
  ASSERT_NE(g, nullptr);
  EXPECT_STREQ(info_gn(g), "a]b\\c");
  EXPECT_STREQ(info_ev(g), "one two");
  EXPECT_STREQ(info_pc(g), "x yz");
  EXPECT_EQ(line(g)[1]->info->added->next->next->location, loc(g, "cc"));
  EXPECT_EQ(texts(line(g)[2]), std::vector<std::string>{"(;)[\n"});

  const char bytes[] = "(;C[a\0b\xff]GN[\xe9t\xe9])";
  g = read(std::string(bytes, sizeof bytes - 1));
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(texts(line(g)[1]), std::vector<std::string>{std::string("a\0b\xff\n", 5)});
  EXPECT_STREQ(info_gn(g), "\xe9t\xe9");
}

TEST_F(SgfRead, ValueOverflowKeepsThe1024First) {
  std::string value;
  for (int i = 0; i < 1030; ++i) value += static_cast<char>('a' + i % 26);
  Game* g = read("(;GN[" + value + "\\]EV[e])");
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(std::string(info_gn(g)), value.substr(0, 1024));
  EXPECT_STREQ(info_ev(g), "e");  // "\]" after the limit ends the value
}

TEST_F(SgfRead, CommentPieces) {
  Game* g = read("(;C[\nHello];C[\r\nOne\nTwo]C[][x])");
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(texts(line(g)[1]), std::vector<std::string>{"Hello\n"});
  EXPECT_EQ(texts(line(g)[2]), (std::vector<std::string>{"One\n", "Two\n", "x\n"}));

  // A line of 100 characters, a blank every 5: the first piece closes at the
  // first blank at or after the 64th character.
  std::string text;
  for (int i = 0; i < 20; ++i) text += i ? " abcd" : "abcd";
  g = read("(;C[" + text + "])");
  ASSERT_NE(g, nullptr);
  std::size_t cut = text.find(' ', 63) + 1;
  EXPECT_EQ(texts(line(g)[1]), (std::vector<std::string>{text.substr(0, cut), text.substr(cut) + "\n"}));

  // Blanks after a closing blank are skipped.
  g = read("(;C[" + std::string(70, 'x') + "    y])");
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(texts(line(g)[1]), (std::vector<std::string>{std::string(70, 'x') + " ", "y\n"}));
}

TEST_F(SgfRead, KibitzMode) {
  kibitz = 1;
  Game* g = nullptr;
  std::string errors = read_errors("(;C[  kb9[3d\\] : hello there\nbad line\n]C[];[ ab[ 5k\\]*: x])", &g);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(unwrapped(errors), "Bad kibitz: \"bad line\n\" (1 != 4, ignored)\n");
  std::vector<Move*> nodes = line(g);
  ASSERT_NE(nodes[1]->info, nullptr);
  const Text* t = nodes[1]->info->texts;
  ASSERT_NE(t, nullptr);
  ASSERT_TRUE(t->name);
  EXPECT_EQ(*t->name, "kb9");
  EXPECT_EQ(t->rank, 3000);
  EXPECT_EQ(t->text, "hello there");
  EXPECT_EQ(t->next, nullptr);  // the bad line is dropped, C[] stores nothing
  // A value without a key is a kibitz line in this mode.
  ASSERT_NE(nodes[2]->info, nullptr);
  ASSERT_TRUE(nodes[2]->info->texts->name);
  EXPECT_EQ(*nodes[2]->info->texts->name, "ab");
  EXPECT_EQ(nodes[2]->info->texts->rank, 50);
}

TEST_F(SgfRead, LabelsAndShortPoints) {
  Game* g = nullptr;
  std::string errors = read_errors("(;LB[dd:A]LB[pd:]L[qq][rr]LB[zz:A]LB[d]AB[]AW[a]M[a]RG[a];B[d])", &g);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(unwrapped(errors), "Bad pnt in LB[\"zz:A\"]\nBad pnt in LB[\"d\"]\n*** B[`a] (off the board) ***\n");
  std::vector<std::pair<int, int>> labels;
  for (Chain* c = line(g)[1]->info->labels; c; c = c->next) labels.emplace_back(c->location, c->label);
  EXPECT_EQ(labels, (std::vector<std::pair<int, int>>{
                        {loc(g, "dd"), 'A'}, {loc(g, "pd"), 0}, {loc(g, "qq"), 1}, {loc(g, "rr"), 2}}));  // last letter + 1
  EXPECT_FALSE(line(g)[1]->info->added || line(g)[1]->info->marks);  // short points are dropped
  EXPECT_EQ(moves(g).size(), 0u);
  sgfwarn = 0;  // the LB messages do not depend on it
  EXPECT_EQ(read_errors("(;LB[dd])"), "Missing semicolon in LB[\"dd\"]\n");
}

TEST_F(SgfRead, VariationsAndTheRestOfTheLine) {
  Game* g = read("(;B[pd](;W[dp])(;W[dd]);W[qq])");
  ASSERT_NE(g, nullptr);
  std::vector<Move*> main = moves(g);
  ASSERT_EQ(main.size(), 2u);
  EXPECT_EQ(main[1]->location, loc(g, "qq"));
  EXPECT_EQ(main[1]->number, 2);
  std::vector<Game*> vars = variations(main[0]);
  ASSERT_EQ(vars.size(), 2u);
  EXPECT_EQ(moves(vars[0])[0]->location, loc(g, "dp"));
  EXPECT_EQ(moves(vars[1])[0]->number, 1);
  EXPECT_EQ(vars[1]->nmoves, 1);
  EXPECT_EQ(vars[0]->parent, g);

  // Only the first game is read; its closing ")" is the last byte taken.
  std::string two = "(;B[pd])(;W[dd])";
  g = read(two);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(last_offset_, static_cast<long>(two.find(')') + 1));
  EXPECT_EQ(moves(g).size(), 1u);
}

TEST_F(SgfRead, FinishingAndEndOfLineFixes) {
  Game* g = read("(;GM[5]FF[3]SZ[9];B[cc](;VW[bb][dd]RG[cc];W[dd]))", "x.sgf");
  ASSERT_NE(g, nullptr);
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
}

// Every failure releases the partly built game (ASan checks) and gives none;
// the messages of the common cases are in the golden runs.
TEST_F(SgfRead, Failures) {
  Game* g = reinterpret_cast<Game*>(1);
  EXPECT_EQ(read_errors("no game here", &g), "");
  EXPECT_EQ(g, nullptr);
  EXPECT_EQ(unwrapped(read_errors("(;B[pd](;W[dp]", &g)), "sgf_read(): EOF before End Of Game\n");
  EXPECT_EQ(unwrapped(read_errors("(;[aa])", &g)), "List without keyword\n4: []\n");
  EXPECT_EQ(unwrapped(read_errors("(;C[", &g)), "4: C[]\n");
  // End of input while the blanks after a closing blank are skipped.
  EXPECT_EQ(unwrapped(read_errors("(;C[" + std::string(64, 'x') + "   ", &g)), "69: C[]\n");
  EXPECT_EQ(g, nullptr);
  sgfwarn = 0;
  EXPECT_EQ(read_errors("(;]", &g), "");
  EXPECT_EQ(read_errors("(;B[pd]", &g), "");
}

TEST_F(SgfRead, KoRetakeAndTwoGroupsCaptured) {
  // Black ba, ab, bc and White ca, db, cc make a ko at bb/cb: W bb, B cb
  // takes it, W bb retakes at once, which is legal.
  Game* g = nullptr;
  std::string errors = read_errors(
      "(;AB[ba][ab][bc]AW[ca][db][cc];W[bb];B[cb];W[bb])", &g);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(errors, "");
  std::vector<Move*> m = moves(g);
  ASSERT_EQ(m.size(), 3u);
  ASSERT_NE(m[1]->info, nullptr);
  ASSERT_NE(m[1]->info->captured, nullptr);
  EXPECT_EQ(m[1]->info->captured->location, loc(g, "bb"));
  ASSERT_NE(m[2]->info, nullptr);
  ASSERT_NE(m[2]->info->captured, nullptr);
  EXPECT_EQ(m[2]->info->captured->location, loc(g, "cb"));

  // One stone that captures a group to its north and one to its south:
  // entries go to the front, so the southern group comes first in the list.
  g = read("(;AW[ca][cc]AB[ba][da][bc][dc][cd];B[cb])");
  ASSERT_NE(g, nullptr);
  m = moves(g);
  ASSERT_EQ(m.size(), 1u);
  ASSERT_NE(m[0]->info, nullptr);
  std::vector<int> captured;
  for (Chain* c = m[0]->info->captured; c; c = c->next) captured.push_back(c->location);
  EXPECT_EQ(captured, (std::vector<int>{loc(g, "cc"), loc(g, "ca")}));
}

TEST_F(SgfRead, PlayersAndNumbers) {
  Game* g = read("(;PB[X]BR[3d]BP[Y,2d]WP[nothing]GM[ 12x]KB[])");
  ASSERT_NE(g, nullptr);
  EXPECT_STREQ(info_pbn(g, 1), "Y");
  EXPECT_STREQ(info_brn(g, 1), "2d");
  EXPECT_STREQ(info_pw(g), "");  // no team: WP without a comma stores nothing
  // A board size too large for an int saturates instead of overflowing.
  EXPECT_EQ(unwrapped(read_errors("(;SZ[99999999999999999999])")),
            "*** 2147483647 is an illegal board size ***\n*** Substituted 19 as board size ***\n");
}

}  // namespace
}  // namespace kg::sgftest
