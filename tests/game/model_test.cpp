// Invariants of the game model: captures and legality, undo on the shared
// board, variation links, game information sharing, ranks and regions.
#include <gtest/gtest.h>

#include "game/game.h"
#include "main/settings.h"
#include "util/message.h"

namespace kg {
namespace {

class Model : public testing::Test {
 protected:
  void SetUp() override {
    settings_reset();
    sgfwarn = 1;
    message_column = 0;
    game = game_alloc(nullptr);
    ASSERT_NE(game, nullptr);
  }
  void TearDown() override { game_free(game); }

  int loc(const char* p, Game* g = nullptr) const {
    return (p[0] - 'a') + (p[1] - 'a') * (g ? g : game)->size;
  }
  Move* stone(const char* p) { return game->goban->points[loc(p)].stone; }
  // Plays a move on a new node, as a reader would.
  void play(int colour, const char* p, Game* g = nullptr) {
    g = g ? g : game;
    store_node(g);
    store_move(g, -1, colour, loc(p, g));
  }
  std::vector<Move*> position() const {
    std::vector<Move*> out;
    for (const auto& p : game->goban->points) out.push_back(p.stone);
    return out;
  }
  // prev/next links of a line agree.
  static void check_line(const Game* g) {
    const Move* before = nullptr;
    for (const Move* m = g->first; m; m = m->next) {
      EXPECT_EQ(m->prev, before);
      before = m;
    }
  }

  Game* game = nullptr;
};

TEST_F(Model, NewGameAndNeighbours) {
  EXPECT_EQ(game->size, 19);
  EXPECT_EQ(game->format, "4");
  EXPECT_EQ(game->first, game->current);
  EXPECT_EQ(game->first->location, LOC_NONE);
  EXPECT_EQ(game->first->colour, WHITE);
  Game tiny;
  ASSERT_NE(goban_new(&tiny, 1), nullptr);
  const BoardPoint& only = tiny.goban->points[0];
  EXPECT_FALSE(only.north || only.east || only.south || only.west);
  goban_free(tiny.goban);
  ASSERT_NE(goban_new(&tiny, 2), nullptr);
  for (const auto& p : tiny.goban->points)
    EXPECT_EQ(!!p.north + !!p.east + !!p.south + !!p.west, 2);
  goban_free(tiny.goban);
  testing::internal::CaptureStderr();
  EXPECT_EQ(goban_alloc(0), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Board size out of range: 0\n");
}

TEST_F(Model, NodeInsertionAndRemoval) {
  Move* a = store_node(game);
  Move* c = store_node(game);
  Move* b = move_new(game, a);
  EXPECT_EQ(a->next, b);
  EXPECT_EQ(b->next, c);
  EXPECT_EQ(c->prev, b);
  EXPECT_EQ(move_free(b), a);
  EXPECT_EQ(a->next, c);
  EXPECT_EQ(c->prev, a);
  check_line(game);
}

TEST_F(Model, OccupiedSuicideAndOffBoardAreRejected) {
  play(BLACK, "aa");
  testing::internal::CaptureStderr();
  play(WHITE, "aa");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "*** W[aa] (occupied) ***\n");
  message_column = 0;
  game_free(game);
  game = game_alloc(nullptr);
  play(BLACK, "ba");
  play(BLACK, "ab");
  auto before = position();
  Move* last = game->current;
  testing::internal::CaptureStderr();
  play(WHITE, "aa");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "*** W[aa] (suicide) ***\n");
  EXPECT_EQ(position(), before);
  EXPECT_EQ(game->movenum, 2);
  EXPECT_EQ(game->current, last);
  EXPECT_EQ(last->next, nullptr);
  message_column = 0;
  testing::internal::CaptureStderr();
  store_node(game);
  store_move(game, -1, BLACK, -1);
  store_node(game);
  store_move(game, -1, WHITE, 361);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "*** B[`a] (off the board) ***\n*** W[at] (off the board) ***\n");
  check_line(game);
}

TEST_F(Model, RejectedFirstNodeLeavesNoDanglingLine) {
  play(BLACK, "aa");
  Game* v = push_var(game);
  store_move(v, -1, WHITE, loc("aa"));  // on the variation's own node: occupied
  EXPECT_NE(v->first, nullptr);
  // The root itself rejected: first moves on.
  Game* bare = game_alloc(nullptr);
  store_move(bare, -1, BLACK, -5);
  EXPECT_EQ(bare->first, nullptr);
  store_c(bare, "still stored");
  EXPECT_NE(bare->first, nullptr);
  game_free(bare);
}

TEST_F(Model, CapturesRecordedAndUndone) {
  play(WHITE, "aa");
  play(BLACK, "ba");
  Move* capturing = (play(BLACK, "ab"), game->current);
  ASSERT_NE(capturing->info, nullptr);
  Chain* c = capturing->info->captured;
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->location, 0);
  EXPECT_EQ(c->next, nullptr);
  EXPECT_EQ(stone("aa"), nullptr);
  move_mv_back(game);
  EXPECT_EQ(stone("aa")->colour, WHITE);
  EXPECT_EQ(stone("ab"), nullptr);
}

TEST_F(Model, KoRetakeIsLegal) {
  for (const char* p : {"ba", "ab", "bc"}) play(BLACK, p);
  for (const char* p : {"ca", "db", "cc", "bb"}) play(WHITE, p);
  play(BLACK, "cb");  // fills its own last liberty but captures bb
  EXPECT_EQ(stone("bb"), nullptr);
  play(WHITE, "bb");  // immediate retake
  EXPECT_EQ(stone("cb"), nullptr);
  EXPECT_EQ(stone("bb")->colour, WHITE);
  EXPECT_EQ(game->movenum, 9);
}

TEST_F(Model, TwoGroupsCapturedNorthBeforeSouth) {
  // White stones at jc (north group) and je (south group) around jd.
  for (const char* p : {"jb", "ic", "kc", "ie", "ke", "jf"}) play(BLACK, p);
  play(WHITE, "jc");
  play(WHITE, "je");
  play(BLACK, "jd");
  Chain* c = game->current->info->captured;
  ASSERT_TRUE(c && c->next);
  EXPECT_EQ(c->location, loc("je"));  // captured last, stands first
  EXPECT_EQ(c->next->location, loc("jc"));
}

TEST_F(Model, VariationsRestoreTheBranchingPosition) {
  const char* line[] = {"pd", "dp", "pp", "dd", "qf", "nc", "rd", "qc", "qi", "qj"};
  for (int i = 0; i < 10; ++i) play(i % 2 ? WHITE : BLACK, line[i]);
  play(WHITE, "aa");
  play(BLACK, "ba");
  auto before = position();
  Game* v = push_var(game);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->depth, 1);
  store_move(v, -1, BLACK, loc("ab"));  // captures the main line's aa
  EXPECT_EQ(v->current->number, 1);
  play(WHITE, "cc", v);
  store_node(v);
  store_addstone(v, BLACK, loc("ba"));  // setup over an occupied point
  store_ae(v, loc("ab"));
  EXPECT_EQ(v->current->number, 2);
  EXPECT_EQ(pop_var(v), game);
  EXPECT_EQ(position(), before);
  EXPECT_EQ(game->movenum, 12);
  Game* w = push_var(game);
  Game* x = push_var(w);
  Game* y = push_var(x);
  EXPECT_EQ(y->depth, 3);
  pop_var(y);
  pop_var(x);
  pop_var(w);
  Move* branch = game->current;
  EXPECT_EQ(branch->variations, v);
  EXPECT_EQ(v->next, w);
  EXPECT_EQ(w->prev, v);
  EXPECT_EQ(v->varno, 0);
  EXPECT_EQ(w->varno, 1);
  check_line(v);
}

TEST_F(Model, SetupOnOnePointTwiceUndoesExactly) {
  play(BLACK, "dd");
  auto before = position();
  Game* v = push_var(game);
  store_addstone(v, WHITE, loc("dd"));
  store_addstone(v, BLACK, loc("dd"));
  store_ae(v, loc("dd"));
  store_addstone(v, WHITE, loc("dd"));
  pop_var(v);
  EXPECT_EQ(position(), before);
}

TEST_F(Model, AnnotationsAndTheirMessages) {
  store_node(game);
  testing::internal::CaptureStderr();
  store_addstone(game, EMPTY, 0);
  store_ae(game, loc("cc"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "store_addstone(): Empty point request denied\nAE[cc]\t*** (not occupied)\n");
  store_l(game, 0, -1);
  store_l(game, 1, -1);
  store_l(game, 2, 'x');
  store_l(game, 3, -1);
  std::string letters;
  for (Chain* c = game->current->info->labels; c; c = c->next) letters += char(c->label);
  EXPECT_EQ(letters, "abxy");
  store_m(game, 5, 7, nullptr);
  store_m(game, 5, 8, nullptr);
  ASSERT_NE(game->current->info->marks, nullptr);
  EXPECT_EQ(game->current->info->marks->mark, 8);
  EXPECT_EQ(game->current->info->marks->next, nullptr);
  EXPECT_EQ(store_m(game, 5, 0, nullptr), nullptr);
  EXPECT_EQ(game->current->info->marks, nullptr);
  store_c(game, "");
  store_c(game, "one");
  store_c(game, std::string_view("t\0o", 3));
  Text* t = game->current->info->texts;
  ASSERT_TRUE(t && t->next);
  EXPECT_EQ(t->text, "one");
  EXPECT_EQ(t->next->rank, 3);
  EXPECT_EQ(t->next->prev, t);
  EXPECT_EQ(game->current->info->texts_tail, t->next);
  // Points off the board are dropped without touching the board.
  for (int bad : {-1, -3, 361, 1 << 30}) {
    store_addstone(game, BLACK, bad);
    store_ae(game, bad);
    store_l(game, bad, -1);
    EXPECT_EQ(store_m(game, bad, 7, nullptr), nullptr);
  }
  EXPECT_EQ(game->current->info->added, nullptr);
}

TEST_F(Model, BoardSizeChanges) {
  testing::internal::CaptureStderr();
  store_sz(game, 25);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "*** 25 is an illegal board size ***\n\n*** Substituted 19 as board size ***\n");
  EXPECT_EQ(game->size, 19);
  message_column = 0;
  testing::internal::CaptureStderr();
  store_sz(game, 9);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(game->size, 9);
  EXPECT_EQ(game->goban->points.size(), 81u);
  play(BLACK, "ii");
  Game* v = push_var(game);
  store_sz(v, 13);  // a variation keeps its board
  EXPECT_EQ(v->size, 9);
  pop_var(v);
  EXPECT_EQ(board_alloc(game), 1);
  EXPECT_EQ(game->board.size(), 81u);
  game->board[80].colour = BLACK;
  EXPECT_EQ(board_alloc(v), 1);
  EXPECT_EQ(v->saved_board[80].colour, BLACK);
  board_free(v);
  board_free(game);
  EXPECT_TRUE(game->board.empty());
}

TEST_F(Model, IsolatedNodeAfterTheLineWasClosed) {
  pop_var(game);
  game->current = nullptr;
  testing::internal::CaptureStderr();
  store_c(game, "x");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "*** isolated info (\"store_c\"), allocated storage ***\n");
  EXPECT_NE(game->current, game->first);
}

TEST_F(Model, InformationIsSharedUntilAVariationStoresItsOwn) {
  store_ev(game, "First");
  store_ev(game, "Second");
  EXPECT_STREQ(info_ev(game), "First");
  store_dt(game, "1846");
  store_dt(game, "1847");
  EXPECT_STREQ(info_dt(game), "1847");
  store_re(game, "");
  store_re(game, "B+R");
  EXPECT_STREQ(info_re(game), "");
  store_node(game);
  Game* v = push_var(game);
  store_ev(v, "Other");
  EXPECT_EQ(v->info, game->info);
  store_dt(v, "2000");
  EXPECT_NE(v->info, game->info);
  EXPECT_STREQ(info_dt(v), "2000");
  EXPECT_STREQ(info_dt(game), "1847");
  EXPECT_STREQ(info_ev(v), "First");
  store_pb(game, "X");
  store_br(game, "3d");
  store_black(game, "Y", "2d");
  EXPECT_STREQ(info_pbn(game, 0), "X");
  EXPECT_STREQ(info_pbn(game, 1), "Y");
  EXPECT_STREQ(info_brn(game, 0), "3d");
  EXPECT_STREQ(info_brn(game, 1), "2d");
  EXPECT_STREQ(info_pbn(game, 2), "");
  store_wr(game, "5k");
  EXPECT_EQ(info_pw(game), nullptr);
  EXPECT_STREQ(info_wr(game), "5k");
  EXPECT_STREQ(info_pw(v), "");  // the variation copied no team before it existed
  pop_var(v);
}

TEST(Ranks, CodesAndTexts) {
  EXPECT_EQ(str2rank("NR"), 2);
  EXPECT_EQ(str2rank("?"), 1);
  EXPECT_EQ(str2rank(""), 1000000);
  EXPECT_EQ(str2rank(nullptr), 1000000);
  EXPECT_EQ(str2rank("5k"), 50);
  EXPECT_EQ(str2rank("3d"), 3000);
  EXPECT_EQ(str2rank("12k"), 120);
  EXPECT_EQ(str2rank("2p"), 200000);
  EXPECT_EQ(str2rank("3d*"), -3000);
  EXPECT_EQ(str2rank("5k "), 50);
  EXPECT_EQ(str2rank(" 5k"), 0);
  EXPECT_EQ(str2rank("*"), -1000000);
  EXPECT_EQ(str2rank("99999999999999999999d"), 2147483647);
  EXPECT_STREQ(rank2str(50), " 5k");
  EXPECT_STREQ(rank2str(3000), " 3d");
  EXPECT_STREQ(rank2str(-50), " 5k*");
  EXPECT_STREQ(rank2str(1000000), "XX");
  EXPECT_STREQ(rank2str(2), "NR");
  EXPECT_STREQ(rank2str(1), "??");
  EXPECT_STREQ(rank2str(200000), "IGS920");
  EXPECT_STREQ(rank2str(0), "XX");
  EXPECT_STREQ(rank2str(-2147483647 - 1), "IGS9214748*");
}

TEST_F(Model, RegionsReferencesAndStatistics) {
  store_vw(game, 2, 2);
  store_vw(game, 6, 6);
  EXPECT_EQ(game->view.x, 2);
  EXPECT_EQ(game->view.width, 5);
  store_rg(game, 6, 6);
  store_rg(game, 2, 2);
  EXPECT_EQ(game->region.y, 2);
  EXPECT_EQ(game->region.height, 5);
  Game* g2 = game_alloc(nullptr);
  store_vw(g2, 3, 3);
  EXPECT_EQ(g2->view.x, 0);
  EXPECT_EQ(g2->view.width, 4);
  store_vw(g2, 19, 3);
  EXPECT_EQ(g2->view.width, 0);
  game_free(g2);
  testing::internal::CaptureStderr();
  store_gr(game, "1,20@3,5X4@(2,6)");
  store_gr(game, "junk");
  store_gs(game, "1(2,3,4),5");
  store_gs(game, "1(2,3,4),5");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Parse error in store_gr()\nExtra game stat specs ignored\n");
  ASSERT_NE(game->refs, nullptr);
  EXPECT_EQ(game->refs->b, 20);
  EXPECT_EQ(game->refs->region.x, 2);
  EXPECT_EQ(game->refs->region.y, 6);
  EXPECT_EQ(game->refs->region.width, 5);
  EXPECT_EQ(game->refs->region.height, 4);
  EXPECT_NE(game->refs->next, nullptr);
  EXPECT_EQ(game->stat->s5, 5);
  EXPECT_EQ(game->stat->s3, 3);
}

TEST_F(Model, KibitzLines) {
  store_node(game);
  testing::internal::CaptureStderr();
  store_kb(game, "kb9[3d] : nice move\r\n");
  store_kb(game, "kb9[3d]: no blank");
  store_kb(game, "x[ 5k]* :  hm");
  store_kb(game, std::string(300, 'n') + "[1k] : " + std::string(300, 'r'));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Bad kibitz: \"kb9[3d]: no blank\" (2 != 4, ignored)\n");
  Text* t = game->current->info->texts;
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(*t->name, "kb9");
  EXPECT_EQ(t->rank, 3000);
  EXPECT_EQ(t->text, "nice move");
  EXPECT_EQ(t->next->rank, 50);
  EXPECT_EQ(t->next->text, "hm");
  EXPECT_EQ(t->next->next->name->size(), 255u);
  EXPECT_EQ(t->next->next->text.size(), 255u);
}

// Long lines, deep nesting and wide branching are built and released
// without recursion and in linear time.
TEST_F(Model, HugeTreesAreReleasedWithoutRecursion) {
  sgfwarn = 0;
  for (int i = 0; i < 1000000; ++i) {
    store_node(game);
    store_pass(game, -1, i % 2 ? WHITE : BLACK);
  }
  Game* g = game;
  for (int i = 0; i < 1000000; ++i) g = push_var(g);
  while (g) g = pop_var(g);
  Move* branch = game->first;
  game->current = branch;
  for (int i = 0; i < 100000; ++i) pop_var(push_var(game));
  int count = 0;
  for (Game* v = branch->variations; v; v = v->next) ++count;
  EXPECT_EQ(count, 100000);
}

}  // namespace
}  // namespace kg
